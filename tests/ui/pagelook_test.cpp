// How the main window's fields read: secrets as dots until asked for, colour numbers legible on
// their colour, units beside numbers, buttons in rows, label columns in line.
#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTest>
#include <cstdlib>
#include <tuple>

#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/translationfile.h"
#include "base/wincolor.h"
#include "ui/settingswindow.h"

namespace velumo {
namespace {

class Look : public ::testing::Test {
protected:
    QLineEdit* edit(const char* name)
    {
        return qobject_cast<QLineEdit*>(window.control(QString::fromLatin1(name)));
    }
    QRect rectOf(const QWidget* widget) const
    {
        return QRect(widget->mapTo(&window, QPoint()), widget->size());
    }

    Settings settings;
    SettingsWindow window{settings};
};

TEST_F(Look, PasswordsShowAsDotsUntilTheirToggleIsCheckedAndHideAgain)
{
    window.show();
    for (const char* name : {key::SCEdit76, key::SCEdit92, key::SCEdit104}) {
        QLineEdit* field = edit(name);
        ASSERT_NE(field, nullptr) << name;
        settings.setText(name, QStringLiteral("тайна 42"));
        EXPECT_EQ(field->echoMode(), QLineEdit::Password) << name;
        EXPECT_NE(field->displayText(), field->text()) << name;
        EXPECT_FALSE(field->displayText().contains(QStringLiteral("тайна"))) << name;

        QAction* reveal = nullptr;
        for (QAction* action : field->actions())
            if (action->isCheckable())
                reveal = action;
        ASSERT_NE(reveal, nullptr) << name;
        // The toggle is a button at the field's end, to click.
        QList<QWidget*> buttons;
        for (QObject* object : reveal->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(object); widget && widget != field)
                buttons.append(widget);
        ASSERT_EQ(buttons.size(), 1) << name;
        QTest::mouseClick(buttons.first(), Qt::LeftButton);
        EXPECT_TRUE(reveal->isChecked()) << name;
        EXPECT_EQ(field->echoMode(), QLineEdit::Normal) << name;
        EXPECT_EQ(field->displayText(), QStringLiteral("тайна 42")) << name;
        QTest::mouseClick(buttons.first(), Qt::LeftButton);
        EXPECT_EQ(field->echoMode(), QLineEdit::Password) << name;
        // The value itself never changed.
        EXPECT_EQ(settings.text(name), QStringLiteral("тайна 42")) << name;
    }
    // The toggles are no lines of the translation or settings files.
    for (const QString& name : window.componentNames())
        EXPECT_FALSE(name.endsWith(QStringLiteral("Reveal"))) << name.toStdString();
}

TEST(ReadableTextColor, BlackOnLightColoursWhiteOnDarkOnes)
{
    struct Case {
        QColor background;
        QColor text;
    };
    const Case cases[] = {
        {Qt::yellow, Qt::black},  // lightness 127: the case that came out white
        {Qt::cyan, Qt::black},
        {Qt::green, Qt::black},
        {Qt::white, Qt::black},
        {QColor(200, 200, 200), Qt::black},
        {Qt::blue, Qt::white},
        {Qt::black, Qt::white},
        {QColor(0x80, 0, 0), Qt::white},
        {QColor(0xF6, 0x48, 0x01), Qt::black},
        {QColor(0x40, 0x40, 0x40), Qt::white},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readableTextColor(c.background), c.text) << c.background.name().toStdString();
}

TEST_F(Look, ColourFieldsShowTheirDigitsLegiblyAndFollowTheirText)
{
    // From the first start on, before any settings file was read.
    for (const char* name : {key::SCEdit21, key::SCEdit13, key::SCEdit19, key::SCEdit81}) {
        const QColor colour = colorFromNumber(settings.text(name).toInt());
        EXPECT_EQ(edit(name)->palette().color(QPalette::Base), colour) << name;
        EXPECT_EQ(edit(name)->palette().color(QPalette::Text), readableTextColor(colour)) << name;
    }
    settings.setText(key::SCEdit21, QString::number(numberFromColor(Qt::yellow)));
    window.applyColourPreview(QString::fromLatin1(key::SCEdit21));
    QLineEdit* field = edit(key::SCEdit21);
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(Qt::yellow));
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::black));
    // What is painted: the digits are dark on the yellow.
    window.show();
    const QImage picture = field->grab().toImage();
    int dark = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) < 60)
                ++dark;
    EXPECT_GT(dark, 10);

    // A value set later, by a command or a dialog, recolours the field.
    settings.setText(key::SCEdit21, QString::number(numberFromColor(QColor(0, 0, 0x80))));
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(0, 0, 0x80));
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::white));
    // A field emptied to be retyped shows black, and nothing fails.
    field->setText(QString());
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(Qt::black));
}

TEST_F(Look, NumbersCarryTheirUnitsAndNarrowFieldsStayNarrow)
{
    EXPECT_EQ(qobject_cast<QSpinBox*>(window.control(key::SpinEdit1))->suffix(), " мс");
    EXPECT_EQ(qobject_cast<QSpinBox*>(window.control(key::SpinEdit4))->suffix(), " с");
    EXPECT_EQ(qobject_cast<QSpinBox*>(window.control(key::SpinEdit43))->suffix(), " мин");
    EXPECT_EQ(qobject_cast<QSpinBox*>(window.control(key::SpinEdit40))->suffix(), "");
    window.resize(1120, 660);
    window.show();
    // A text field's unit stands right beside it, on its row.
    const std::tuple<const char*, const char*, const char*> units[] = {
        {key::SCEdit43, "пикс.", pageid::Strip},
        {key::SCEdit18, "пт", pageid::Strip},
        {key::SCEdit69, "Гц", pageid::Ports},
        {key::SCEdit73, "мс", pageid::Ports}};
    for (const auto& [name, unit, page] : units) {
        window.showPage(page);
        QApplication::processEvents();
        QLineEdit* field = edit(name);
        QLabel* beside = nullptr;
        for (QLabel* label : field->parentWidget()->findChildren<QLabel*>())
            if (label->text() == QString::fromUtf8(unit) &&
                std::abs(rectOf(label).center().y() - rectOf(field).center().y()) < 4 &&
                rectOf(label).left() > rectOf(field).right() &&
                rectOf(label).left() < rectOf(field).right() + 20)
                beside = label;
        EXPECT_NE(beside, nullptr) << name;
    }
    // Widths follow the content: the flag character, a number, a path.
    EXPECT_LT(edit(key::SCEdit79)->maximumWidth(), 60);
    EXPECT_LT(edit(key::SCEdit3)->maximumWidth(), 120);
    EXPECT_EQ(edit(key::SCEdit5)->maximumWidth(), QWIDGETSIZE_MAX);
    // The unit labels are no lines of the translation file.
    EXPECT_EQ(window.componentNames().size(), window.components().size());
    for (const UiComponent& c : window.components())
        EXPECT_FALSE(c.caption == "пикс." || c.caption == "Гц") << c.name.toStdString();
}

TEST_F(Look, CheckBoxesWithAPeriodHoldItOnTheirRow)
{
    window.resize(1120, 660);
    window.show();
    struct Row {
        const char* check;
        const char* field;
        bool captionAfter;
        const char* page;
    };
    const Row rows[] = {
        {key::SCCheckBox10, key::SpinEdit37, true, pageid::Www},
        {key::SCCheckbox13, key::SpinEdit3, true, pageid::Www},
        {key::SCCheckbox30, key::SpinEdit4, false, pageid::Start},
    };
    for (const Row& row : rows) {
        window.showPage(row.page);
        QApplication::processEvents();
        QWidget* check = window.control(QString::fromLatin1(row.check));
        QWidget* field = window.control(QString::fromLatin1(row.field));
        auto* caption =
            window.findChild<QLabel*>(QStringLiteral("Label_") + QLatin1String(row.field));
        ASSERT_NE(caption, nullptr) << row.field;
        const QRect c = rectOf(check), f = rectOf(field), t = rectOf(caption);
        EXPECT_LT(std::abs(c.center().y() - f.center().y()), 6) << row.field;
        EXPECT_LT(std::abs(t.center().y() - f.center().y()), 6) << row.field;
        EXPECT_LT(c.right(), f.left()) << row.field;
        if (row.captionAfter)
            EXPECT_LT(f.right(), t.left()) << row.field;
        else
            EXPECT_LT(t.right(), f.left()) << row.field;
    }
}

TEST_F(Look, ButtonsOfAGroupShareARowWithTheStylesSpacing)
{
    // A group whose rows are groups of their own: the buttons start a row after them.
    const char* group = groupid::Accessories;
    QPushButton* a = window.addButton(group, "A", "Первая", "");
    QPushButton* b = window.addButton(group, "B", "Вторая", "");
    QPushButton* c = window.addButton(group, "C", "Третья", "");
    // Something else in the group ends the row; the next button starts a new one.
    auto* box = window.group(group);
    static_cast<QFormLayout*>(box->layout())->addRow(new QLabel(QStringLiteral("—"), box));
    QPushButton* d = window.addButton(group, "D", "Четвёртая", "");
    window.resize(1120, 660);
    window.show();
    window.showPage(pageid::Strip);
    QApplication::processEvents();
    EXPECT_EQ(rectOf(a).top(), rectOf(b).top());
    EXPECT_EQ(rectOf(b).top(), rectOf(c).top());
    EXPECT_GT(rectOf(d).top(), rectOf(c).bottom());
    const int spacing = window.style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
    EXPECT_GT(spacing, 0);
    EXPECT_EQ(rectOf(b).left() - rectOf(a).right() - 1, spacing);
    EXPECT_EQ(rectOf(c).left() - rectOf(b).right() - 1, spacing);
    // Buttons keep their own width at the left of the group.
    EXPECT_EQ(a->width(), a->sizeHint().width());
}

TEST_F(Look, FieldsOfNestedGroupsStartInOneColumn)
{
    window.resize(1120, 660);
    window.show();
    window.showPage(pageid::Strip);
    QApplication::processEvents();
    // "Полоса бегущей строки" and "Обводка букв" sit inside the font group.
    const int outer = rectOf(window.control(key::SpinEdit1)).left();
    EXPECT_EQ(rectOf(window.control(key::SCEdit43)).left(), outer);
    EXPECT_EQ(rectOf(window.control(key::SpinEdit13)).left(), outer);
    EXPECT_EQ(rectOf(window.control(key::SCEdit6)).left(), outer);

    // A translation with longer captions moves the column, still in line.
    QList<UiComponent> components = window.components();
    for (UiComponent& c : components)
        if (c.name == QLatin1String("Label_SCEdit43"))
            c.caption = QStringLiteral("Отступ полосы строки от верхнего края экрана");
    window.applyComponents(components);
    QApplication::processEvents();
    const int moved = rectOf(window.control(key::SpinEdit1)).left();
    EXPECT_GT(moved, outer);
    EXPECT_EQ(rectOf(window.control(key::SCEdit43)).left(), moved);
}

}  // namespace
}  // namespace velumo
