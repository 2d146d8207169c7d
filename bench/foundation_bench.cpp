// Settings file and block file speed. Targets: velumo.cfg load + save together <= 2 ms;
// a 100 000-announcement block file (".str" or ".txt") loaded in <= 100 ms each.
#include <benchmark/benchmark.h>
#include <QDateTime>
#include <QTemporaryDir>

#include "base/configfile.h"
#include "base/controlspec.h"
#include "base/settings.h"
#include "base/textfile.h"
#include "ticker/tickerblock.h"

namespace velumo {
namespace {

const QDateTime kNow(QDate(2010, 10, 13), QTime(12, 0));
constexpr int kAnnouncements = 100000;

// Every value control holds a realistic value, Russian text included.
void fill(Settings& settings)
{
    int n = 0;
    for (const ControlSpec& entry : controlSchema()) {
        const QString name = QString::fromLatin1(entry.name);
        if (entry.kind == ControlKind::Text)
            settings.setText(name, QStringLiteral("/home/оператор/эфир/файл_%1.str").arg(n));
        else if (entry.kind == ControlKind::Check)
            settings.setChecked(name, n % 2);
        ++n;
    }
}

// Component names as the window lists them: value controls among labels, groups and pages.
QStringList componentNames()
{
    QStringList names;
    for (const ControlSpec& entry : controlSchema()) {
        names.append(QString::fromLatin1(entry.name));
        names.append(QStringLiteral("Label_%1").arg(QString::fromLatin1(entry.name)));
    }
    return names;
}

void BM_ConfigSave(benchmark::State& state)
{
    Settings settings;
    fill(settings);
    const QStringList names = componentNames();
    for (auto _ : state)
        benchmark::DoNotOptimize(configfile::save(settings, names));
}
BENCHMARK(BM_ConfigSave)->Unit(benchmark::kMicrosecond);

void BM_ConfigLoad(benchmark::State& state)
{
    Settings saved;
    fill(saved);
    const QByteArray content = configfile::save(saved, componentNames());
    Settings settings;
    for (auto _ : state) {
        settings.resetToDefaults();
        configfile::load(content, settings);
    }
}
BENCHMARK(BM_ConfigLoad)->Unit(benchmark::kMicrosecond);

// The whole save and load through the disk: atomic write (with fsync) and read back.
void BM_ConfigSaveAndLoadFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("velumo.cfg");
    Settings settings;
    fill(settings);
    const QStringList names = componentNames();
    for (auto _ : state) {
        writeFileAtomic(path, configfile::save(settings, names), 0600, true);
        configfile::load(readFileBytes(path), settings);
    }
}
BENCHMARK(BM_ConfigSaveAndLoadFile)->Unit(benchmark::kMicrosecond);

// The same without fsync costs: what the program spends apart from the disk's flush.
void BM_ConfigSaveAndLoadMemory(benchmark::State& state)
{
    Settings settings;
    fill(settings);
    const QStringList names = componentNames();
    for (auto _ : state)
        configfile::load(configfile::save(settings, names), settings);
}
BENCHMARK(BM_ConfigSaveAndLoadMemory)->Unit(benchmark::kMicrosecond);

QString writeBlock(const QTemporaryDir& dir, bool dated)
{
    QStringList lines;
    lines.reserve(kAnnouncements * 4);
    for (int i = 0; i < kAnnouncements; ++i) {
        lines.append(QStringLiteral("^%1").arg(i + 1));
        lines.append(QStringLiteral("~%1").arg(i % 10));
        if (dated)
            lines.append(i % 5 == 0 ? QStringLiteral("!01.01.10") : QStringLiteral("!31.12.30"));
        lines.append(QStringLiteral("%1Объявление номер %2: продаётся дом у реки, звонить вечером")
                         .arg(i % 10)
                         .arg(i));
    }
    const QString path = dir.filePath(dated ? "block.txt" : "block.str");
    writeTextLines(path, lines);
    return path;
}

void loadBlock(benchmark::State& state, bool dated)
{
    QTemporaryDir dir;
    const QString path = writeBlock(dir, dated);
    Settings settings;
    TickerBlock block(settings);
    for (auto _ : state)
        block.LoadTickerFile(path, kNow);
    state.counters["announcements"] = double(block.text().size());
}

void BM_LoadStrBlock100k(benchmark::State& state)
{
    loadBlock(state, false);
}
BENCHMARK(BM_LoadStrBlock100k)->Unit(benchmark::kMillisecond);

void BM_LoadTxtBlock100k(benchmark::State& state)
{
    loadBlock(state, true);
}
BENCHMARK(BM_LoadTxtBlock100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velumo

BENCHMARK_MAIN();
