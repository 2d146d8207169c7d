// Preparation of one announcement until its first pixels can be shown: the characters near the
// strip are placed and the first tile is drawn. Target: at most 5 ms at any length.
//   build/bench/bench_ticker_prepare
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "ticker/announcementpicture.h"

namespace {

velumo::GlyphStyle style(int outlinePx)
{
    velumo::GlyphStyle s;
    s.font = QFont(QStringLiteral("DejaVu Sans"));
    s.font.setPointSize(32);
    s.text = QColor(255, 255, 0);
    s.outline = QColor(0, 0, 0);
    s.background = QColor(246, 72, 1);
    s.outlineWidthPx = outlinePx;
    s.letterStepPx = 2;
    return s;
}

QString announcement(int length)
{
    const QString sample = QStringLiteral("Скидки до 50% только сегодня в павильоне 7! ");
    QString text;
    while (text.size() < length)
        text += sample;
    text.truncate(length);
    return text;
}

void prepare(benchmark::State& state)
{
    const QString text = announcement(int(state.range(0)));
    const velumo::GlyphStyle s = style(int(state.range(1)));
    for (auto _ : state) {
        velumo::AnnouncementPicture picture(text, s, true);
        benchmark::DoNotOptimize(picture.tile(0).constBits());
    }
    state.SetLabel(state.range(1) ? "outline 5" : "no outline");
}

// Steady drawing while the strip runs: one more tile of 1024 px.
void nextTile(benchmark::State& state)
{
    const QString text = announcement(100000);
    const velumo::GlyphStyle s = style(int(state.range(0)));
    velumo::AnnouncementPicture picture(text, s, true);
    int i = 0;
    for (auto _ : state) {
        i = i % 2000 + 1;  // stays inside the text
        benchmark::DoNotOptimize(picture.tile(i).constBits());
        picture.dropTilesBefore(i * velumo::AnnouncementPicture::kTileWidthPx);
    }
    state.SetLabel(state.range(0) ? "outline 5" : "no outline");
}

}  // namespace

BENCHMARK(prepare)->ArgsProduct({{100, 1000, 100000}, {0, 5}})->Unit(benchmark::kMillisecond);
BENCHMARK(nextTile)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
