// Opening a large block on the ticker text page: a block file of 100 000 announcements (index,
// tariff and text line each) is loaded into the block, and the page's table shows it. Prints
// the time of the load, of the table's first paint after it, of a jump to the last row and of
// moving the on-air mark there; for comparison, the time three plain text lists took to take
// the same lines. The strip stands still for the load plus the first paint, so their sum is the
// figure to watch. Runs offscreen unless QT_QPA_PLATFORM says otherwise:
//   build/bench/bench_ticker_block_table [announcements]
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include "base/settings.h"
#include "base/textfile.h"
#include "ticker/blocktablemodel.h"
#include "ticker/tickerblock.h"
#include "ticker/tickertextpage.h"
#include "ui/settingswindow.h"

using namespace velumo;

namespace {

// Brings the tab that holds the widget to the front, page by page up to the window.
void bringForward(QWidget* widget)
{
    for (QWidget* w = widget; w && w->parentWidget(); w = w->parentWidget()) {
        QWidget* stack = w->parentWidget();
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget())) {
            const int i = tabs->indexOf(w);
            if (i >= 0)
                tabs->setCurrentIndex(i);
        }
    }
}

double msSince(QElapsedTimer& timer)
{
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;

    QTemporaryDir dir;
    QStringList lines;
    lines.reserve(qsizetype(count) * 3);
    for (int i = 0; i < count; ++i) {
        lines.append(QStringLiteral("^%1").arg(i + 1));
        lines.append(QStringLiteral("~%1").arg(i % 10));
        lines.append(QStringLiteral("%1Объявление номер %2: продаётся дом с садом, звонить вечером")
                         .arg(i % 10)
                         .arg(i + 1));
    }
    const QString file = dir.filePath(QStringLiteral("big.str"));
    writeTextLines(file, lines);

    Settings settings;
    TickerBlock block(settings);
    SettingsWindow window(settings);
    auto* page = new TickerTextPage(window, block, dir.path());
    QTableView* table = page->table();
    window.resize(1280, 720);
    window.show();
    bringForward(table);
    QApplication::processEvents();
    table->viewport()->repaint();

    QElapsedTimer timer;
    timer.start();
    const qsizetype fileLines = readTextLines(file).size();
    const double readMs = msSince(timer);
    block.LoadTickerFile(file, QDateTime::currentDateTime());
    const double loadMs = msSince(timer);
    table->viewport()->repaint();
    QApplication::processEvents();
    const double paintMs = msSince(timer);
    table->scrollToBottom();
    table->viewport()->repaint();
    const double endMs = msSince(timer);
    page->showOnAir(count - 2);
    table->viewport()->repaint();
    const double markMs = msSince(timer);

    std::printf("announcements: %d (rows in the table: %d)\n", count, page->model()->rowCount());
    std::printf("reading the file alone (%lld lines): %5.1f ms\n", qlonglong(fileLines), readMs);
    std::printf("load of the block file:          %8.1f ms\n", loadMs);
    std::printf("first paint of the table:        %8.1f ms\n", paintMs);
    std::printf("strip stands still for:          %8.1f ms\n", loadMs + paintMs);
    std::printf("jump to the last row and paint:  %8.1f ms\n", endMs);
    std::printf("on-air mark moved and painted:   %8.1f ms\n", markMs);

    // The same lines in three plain text lists, as a comparison.
    QWidget holder;
    QPlainTextEdit lists[3];
    for (QPlainTextEdit& list : lists) {
        list.setParent(&holder);
        list.setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    holder.show();
    timer.restart();
    lists[0].setPlainText(block.index().join(u'\n'));
    lists[1].setPlainText(block.tariff().join(u'\n'));
    lists[2].setPlainText(block.text().join(u'\n'));
    QApplication::processEvents();
    std::printf("three text lists filled instead: %8.1f ms\n", msSince(timer));
    return 0;
}
