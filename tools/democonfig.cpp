// Writes the settings of the demo program folder: velumo_demo_config FOLDER [WIDTH HEIGHT].
// The start block file is named by its absolute path, so the file is made where it is used.
// velumo_demo_config --plan FOLDER [LINES] writes the demo plan "demo.pln" of today: from the
// next whole minute on, one line a minute, switching between the two demo blocks.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "base/configfile.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/wincolor.h"

using namespace velumo;

namespace {

const char kPlanFile[] = "demo.pln";

int fail(const Failure& failure)
{
    std::fprintf(stderr, "%s\n", failure.text().toLocal8Bit().constData());
    return 1;
}

// Each line runs one block for 59 seconds; the next starts a second after its stop.
QStringList demoPlan(const QDateTime& now, int lines)
{
    QDateTime start = now.addSecs(20);
    start.setTime(QTime(start.time().hour(), start.time().minute()));
    start = start.addSecs(60);
    const QString format = QStringLiteral("dd.MM.yy hh:mm:ss");
    QStringList plan;
    for (int i = 0; i < lines; ++i) {
        const QDateTime from = start.addSecs(60 * i);
        const bool first = i % 2 == 0;
        plan.append(from.toString(format) +
                    (first ? QLatin1String("|s1|00|") : QLatin1String("|s2|00|")) +
                    from.addSecs(59).toString(format) +
                    (first ? QLatin1String("|demo.str") : QLatin1String("|demo2.str")));
    }
    return plan;
}

int writePlan(const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: velumo_demo_config --plan FOLDER [LINES]\n");
        return 2;
    }
    const QString folder = QDir(arguments[0]).absolutePath();
    const int lines = arguments.size() > 1 ? qBound(1, strToIntDef(arguments[1], 180), 1440) : 180;
    const QString path = folder + u'/' + QLatin1String(kPlanFile);
    try {
        writeTextLines(path, demoPlan(QDateTime::currentDateTime(), lines));
    } catch (const Failure& failure) {
        return fail(failure);
    }
    std::printf("%s\n", QFile::encodeName(path).constData());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--plan"))
        return writePlan(arguments.mid(1));
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: velumo_demo_config FOLDER [WIDTH HEIGHT]\n");
        return 2;
    }
    const QString folder = QDir(arguments[0]).absolutePath();
    // The screen size when the caller knows it; a full-HD screen otherwise.
    const int width = arguments.size() > 1 ? strToIntDef(arguments[1], 1920) : 1920;
    const int height = arguments.size() > 2 ? strToIntDef(arguments[2], 1080) : 1080;
    const int stripTop = qMax(0, height - 120);

    Settings settings;
    settings.setText(key::SCEdit5, folder + QLatin1String("/demo.str"));
    // The dispatcher's demo: its plan and the two blocks it switches between.
    settings.setText(key::SCEditn10, folder + u'/' + QLatin1String(kPlanFile));
    settings.setText(key::SCEdit59, folder + QLatin1String("/demo.str"));
    settings.setText(key::SCEdit60, folder + QLatin1String("/demo2.str"));
    settings.setChecked(key::SCCheckbox19, true);
    // A strip over the whole width near the bottom of the screen.
    settings.setText(key::SCEdit45, QStringLiteral("0"));
    settings.setText(key::SCEdit77, QString::number(width));
    settings.setText(key::SCEdit43, QString::number(stripTop));
    // The clock stands above the strip's left end, the thematic icon above its right end.
    settings.setText(key::SCEdit16, QString::number(qMax(0, stripTop - 52)));
    settings.setText(key::SCEdit17, QStringLiteral("12"));
    settings.setText(key::SCEdit41, QStringLiteral("Велумо "));
    settings.setChecked(key::SCCheckbox7, true);
    settings.setText(key::SCEdit27, QString::number(qMax(0, stripTop - 72)));
    settings.setText(key::SCEdit28, QString::number(qMax(0, width - 84)));
    settings.setText(key::SCEdit29, QStringLiteral("64"));
    settings.setText(key::SCEdit30, QStringLiteral("64"));
    const char* const iconFields[] = {key::SCEdit22, key::SCEdit23, key::SCEdit24, key::SCEdit25,
                                      key::SCEdit26, key::SCEdit31, key::SCEdit32, key::SCEdit33,
                                      key::SCEdit34, key::SCEdit35};
    for (int slot = 0; slot < 10; ++slot)
        settings.setText(QString::fromLatin1(iconFields[slot]),
                         folder + QStringLiteral("/icons/%1.png").arg(slot));
    // Yellow letters with a thin black outline on dark blue.
    settings.setText(key::SCEdit13, QString::number(numberFromColor(QColor(0x10, 0x20, 0x60))));
    settings.setText(key::SCEdit21, QString::number(numberFromColor(QColor(0xFF, 0xFF, 0x00))));
    settings.setText(key::SCEdit19, QString::number(numberFromColor(Qt::black)));
    settings.setSpin(key::SpinEdit13, 2);
    settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
    settings.setText(key::SCEdit18, QStringLiteral("32"));
    // Plain X has no compositor: a transparent strip would show black.
    settings.setChecked(key::SCCheckBox9, false);

    const QString path = folder + u'/' + QLatin1String(configfile::kFileName);
    try {
        writeFileAtomic(path, configfile::save(settings), 0600, true);
    } catch (const Failure& failure) {
        return fail(failure);
    }
    std::printf("%s\n", QFile::encodeName(path).constData());
    return 0;
}
