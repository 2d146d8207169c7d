// Every page of the main window as the program builds it, at the size the window opens with on
// a 1280x720 and on a 1920x1080 screen: no widget cut off at the sides of its page or of its
// group, none lying over a neighbour or glued to it.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QTemporaryDir>

#include "app/application.h"
#include "app/shellmodule.h"
#include "fakes/fakedevices.h"
#include "panel/controlpanel.h"
#include "panel/panelplacement.h"
#include "ui/settingswindow.h"

namespace velumo {
namespace {

QString describe(const QWidget* widget)
{
    QString name = widget->objectName();
    if (name.isEmpty()) {
        name = QString::fromLatin1(widget->metaObject()->className());
        if (auto* label = qobject_cast<const QLabel*>(widget))
            name += QStringLiteral(" \"%1\"").arg(label->text());
        else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
            name += QStringLiteral(" \"%1\"").arg(button->text());
    }
    if (auto* box = qobject_cast<const QGroupBox*>(widget))
        name += QStringLiteral(" \"%1\"").arg(box->title());
    return name;
}

// Widgets whose children are laid out by the page; any other widget draws its own inside.
bool holdsLaidOutChildren(const QWidget* widget)
{
    const QMetaObject* type = widget->metaObject();
    return qobject_cast<const QGroupBox*>(widget) || type == &QWidget::staticMetaObject ||
           type == &QFrame::staticMetaObject;
}

// Faults of the widgets inside container, in the coordinates of the page's viewport; walked
// counts the widgets looked at.
void check(QWidget* container, QWidget* viewport, QStringList& faults, int& walked)
{
    QList<QWidget*> children;
    for (QObject* object : container->children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget && !widget->isWindow() && widget->isVisibleTo(container) &&
            !widget->size().isEmpty())
            children.append(widget);
    }
    walked += int(children.size());
    for (QWidget* child : children) {
        const QRect inPage(child->mapTo(viewport, QPoint(0, 0)), child->size());
        if (inPage.left() < 0 || inPage.right() >= viewport->width())
            faults << QStringLiteral("%1 is cut off by the page (x %2 to %3, page width %4)")
                          .arg(describe(child))
                          .arg(inPage.left())
                          .arg(inPage.right())
                          .arg(viewport->width());
        else if (child->geometry().left() < 0 || child->geometry().right() >= container->width())
            faults
                << QStringLiteral("%1 is cut off by %2").arg(describe(child), describe(container));
        if (holdsLaidOutChildren(child))
            check(child, viewport, faults, walked);
    }
    for (qsizetype i = 0; i < children.size(); ++i)
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            const QRect a = children[i]->geometry();
            const QRect b = children[j]->geometry();
            if (a.intersects(b))
                faults << QStringLiteral("%1 overlaps %2")
                              .arg(describe(children[i]), describe(children[j]));
            else if (a.adjusted(-1, -1, 1, 1).intersects(b))
                faults << QStringLiteral("%1 touches %2")
                              .arg(describe(children[i]), describe(children[j]));
        }
}

class PageLayout : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override
    {
        app = std::make_unique<Application>(dir.path(), CommandLine::parse({}), power);
        ASSERT_TRUE(app->start());
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<SettingsWindow*>(widget))
                window = found;
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { app.reset(); }

    QTemporaryDir dir;
    test::RecordingPowerControl power;
    std::unique_ptr<Application> app;
    SettingsWindow* window = nullptr;
};

TEST_P(PageLayout, NoWidgetIsCutOffOrLiesOverItsNeighbour)
{
    // The size a first start gives the window on this screen, the strip near its bottom and
    // the panel beside the window.
    const QSize screen = GetParam();
    const QRect placed = firstMainWindowGeometry(
        QRect(QPoint(0, 0), screen), SettingsWindow::initialSize(screen),
        QRect(0, screen.height() - 120, screen.width(), 64), ControlPanel::kSize,
        QSize(ShellModule::kMinimumWidth, ShellModule::kMinimumHeight));
    window->resize(placed.size());
    window->show();
    const QStringList paths = window->pageIds();
    ASSERT_GT(paths.size(), 10);
    QStringList faults;
    int walked = 0;
    for (const QString& path : paths) {
        window->showPage(path.toStdString());
        QApplication::processEvents();
        QApplication::processEvents();
        QWidget* content = window->page(path.toStdString());
        auto* scroll = qobject_cast<QScrollArea*>(content->parentWidget()->parentWidget());
        ASSERT_NE(scroll, nullptr) << path.toStdString();
        if (!scroll->isVisible())
            continue;  // a page set the closed access hides
        // VELUMO_PAGE_SHOTS=DIR keeps a picture of every page, to look at.
        if (const QString shots = qEnvironmentVariable("VELUMO_PAGE_SHOTS"); !shots.isEmpty())
            content->grab().save(QStringLiteral("%1/%2x%3 %4.png")
                                     .arg(shots)
                                     .arg(GetParam().width())
                                     .arg(GetParam().height())
                                     .arg(QString(path).replace(QStringLiteral(" > "), "-")));
        QStringList pageFaults;
        check(content, scroll->viewport(), pageFaults, walked);
        for (const QString& fault : pageFaults)
            faults << path + QStringLiteral(": ") + fault;
    }
    // The foot of the window: the password entry, the buttons and the fixed label.
    check(window->centralWidget(), window->centralWidget(), faults, walked);
    // Every page was really walked, down into its groups.
    EXPECT_GT(walked, 500);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Screens, PageLayout,
                         ::testing::Values(QSize(1280, 720), QSize(1920, 1080)),
                         [](const auto& info) {
                             return QStringLiteral("%1x%2")
                                 .arg(info.param.width())
                                 .arg(info.param.height())
                                 .toStdString();
                         });

}  // namespace
}  // namespace velumo
