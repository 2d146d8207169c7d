#include <gtest/gtest.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <stdexcept>

#include "base/configfile.h"
#include "base/controlspec.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/translationfile.h"
#include "fakes/testsupport.h"
#include "ticker/blocktablemodel.h"
#include "ticker/tickerblock.h"
#include "ticker/tickertextpage.h"
#include "ui/mainpagebar.h"
#include "ui/settingswindow.h"

namespace velumo {
namespace {

// The settings window as the program builds it: schema pages, the ticker text page with its
// dialogs, and a fixed label at the foot.
class Window : public ::testing::Test {
protected:
    Window()
    {
        page = new TickerTextPage(window, block, "/tmp");
        auto* foot = new QLabel(QStringLiteral("Velumo 7.9.10"), window.centralWidget());
        foot->setObjectName("Label79");
        window.addComponent(foot, ComponentClass::FixedLabel);
        window.addButton(groupid::Accessories, "SCButton10", QStringLiteral("Сохранить настройки"),
                         QStringLiteral("Сохранить настройки"));
    }
    template <typename T>
    T* widget(const char* name)
    {
        return window.findChild<T*>(QString::fromLatin1(name));
    }

    Settings settings;
    TickerBlock block{settings};
    SettingsWindow window{settings};
    TickerTextPage* page = nullptr;
};

TEST_F(Window, TranslationRoundTripLeavesEveryTextUnchanged)
{
    const QList<UiComponent> before = window.components();
    const QStringList lines = translationfile::write(before);
    EXPECT_EQ(lines.size(), before.size());
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains(u'\n') || line.contains(u'\r')) << line.toStdString();

    QList<UiComponent> read = window.components();
    translationfile::read(lines, read);
    window.applyComponents(read);
    const QList<UiComponent> after = window.components();
    ASSERT_EQ(after.size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].caption, before[i].caption) << before[i].name.toStdString();
        EXPECT_EQ(after[i].hint, before[i].hint) << before[i].name.toStdString();
    }
    // Dialog filters hold no "/", which would move part of them into the title.
    for (const UiComponent& c : before) {
        if (c.cls == ComponentClass::Dialog) {
            EXPECT_FALSE(c.caption.contains(u'/')) << c.name.toStdString();
        }
    }
}

TEST_F(Window, TranslatedTextsReachTheWidgets)
{
    QList<UiComponent> components = window.components();
    QStringList lines = translationfile::write(components);
    // Lines run from the last component to the first.
    auto lineOf = [&](const QString& name) -> QString& {
        for (qsizetype i = 0; i < components.size(); ++i)
            if (components[i].name == name)
                return lines[components.size() - 1 - i];
        static QString none;
        ADD_FAILURE() << name.toStdString();
        return none;
    };
    lineOf("SCButton1") = "Open";  // no "|": empty caption, all hint
    lineOf("SCButton2") = "Save|Save the block";
    lineOf("Label79") = "changed";  // fixed: keeps its caption
    lineOf("SCCheckbox28") = "Load the translation";
    lineOf("SCEdit43") = "Top of the strip";
    lineOf("OpenDialog1") = "Blocks (*.str)|*.str/Open a block";
    QString pageName;
    for (const UiComponent& c : components) {
        if (c.cls == ComponentClass::Page && c.caption == QStringLiteral("Строка")) {
            pageName = c.name;
        }
    }
    ASSERT_FALSE(pageName.isEmpty());
    lineOf(pageName) = "Strip";
    translationfile::read(lines, components);
    window.applyComponents(components);

    EXPECT_EQ(widget<QPushButton>("SCButton1")->text(), "");
    EXPECT_EQ(widget<QPushButton>("SCButton1")->toolTip(), "Open");
    EXPECT_EQ(widget<QPushButton>("SCButton2")->text(), "Save");
    EXPECT_EQ(widget<QPushButton>("SCButton2")->toolTip(), "Save the block");
    EXPECT_EQ(widget<QLabel>("Label79")->text(), "Velumo 7.9.10");
    EXPECT_EQ(widget<QCheckBox>("SCCheckbox28")->text(), "Load the translation");
    EXPECT_EQ(widget<QLineEdit>("SCEdit43")->toolTip(), "Top of the strip");
    // The page's tab shows the translated caption.
    QWidget* sheet = window.findChild<QWidget*>(pageName);
    ASSERT_NE(sheet, nullptr);
    auto* tabs = qobject_cast<QTabWidget*>(sheet->parentWidget()->parentWidget());
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(tabs->indexOf(sheet)), "Strip");
    const QList<UiComponent> now = window.components();
    for (const UiComponent& c : now) {
        if (c.name == "OpenDialog1") {
            EXPECT_EQ(c.caption, "Blocks (*.str)|*.str");
            EXPECT_EQ(c.hint, "Open a block");
        }
    }
}

TEST_F(Window, ShortTranslationFileEmptiesTheRest)
{
    QList<UiComponent> components = window.components();
    translationfile::read({}, components);
    window.applyComponents(components);
    EXPECT_EQ(widget<QCheckBox>("SCCheckbox28")->text(), "");
    EXPECT_EQ(widget<QLabel>("Label79")->text(), "Velumo 7.9.10");
}

TEST_F(Window, SettingsFileHasOneLinePerComponentAndEveryValueControl)
{
    const QStringList names = window.componentNames();
    const QByteArray content = configfile::save(settings, names);
    const QList<QByteArray> lines = configfile::splitRawLines(content);
    EXPECT_EQ(lines.size(), names.size());
    int valueLines = 0;
    for (const QByteArray& line : lines)
        if (!line.isEmpty())
            ++valueLines;
    EXPECT_EQ(valueLines, int(controlSchema().size()));
    EXPECT_EQ(controlSchema().size(), 211u);
    for (const ControlSpec& entry : controlSchema())
        EXPECT_NE(window.control(QString::fromLatin1(entry.name)), nullptr) << entry.name;
}

struct TypingCase {
    const char* field;
    const char* start;
    const char* typed;
    const char* result;
};

TEST_F(Window, TypingFilters)
{
    const TypingCase cases[] = {
        {key::SCEdit43, "", "3a0", "30"},
        {key::SCEdit43, "", "-1.5 x", "15"},
        {key::SCEdit43, "-5", "7", "-57"},        // a value typed elsewhere stays editable
        {key::SCEdit78, "", "12a:3b0", "12:30"},  // time field
        {key::SCEditn3, "", "1a2:3", "1 2:3"},    // other characters become blanks
        {key::SCEdit6, "", "Dejavu 3a", "Dejavu 3a"},
    };
    for (const TypingCase& c : cases) {
        auto* edit = qobject_cast<QLineEdit*>(window.control(QString::fromLatin1(c.field)));
        ASSERT_NE(edit, nullptr) << c.field;
        edit->setText(QString::fromUtf8(c.start));
        edit->setCursorPosition(int(edit->text().size()));
        QTest::keyClicks(edit, QString::fromUtf8(c.typed));
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.result)) << c.field << " " << c.typed;
        EXPECT_EQ(settings.text(QString::fromLatin1(c.field)), QString::fromUtf8(c.result));
    }
    // Deleting is never filtered.
    auto* edit = qobject_cast<QLineEdit*>(window.control(key::SCEdit43));
    edit->setText("-57");
    edit->setCursorPosition(3);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "-");
}

TEST_F(Window, WidgetsAndSettingsFollowEachOther)
{
    settings.setText(key::SCEdit43, "960");
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.control(key::SCEdit43))->text(), "960");
    qobject_cast<QCheckBox*>(window.control(key::SCCheckBox9))->setChecked(false);
    EXPECT_EQ(settings.text(key::SCCheckBox9), "False");
    auto* spin = qobject_cast<QSpinBox*>(window.control(key::SpinEdit4));
    spin->setValue(50);
    EXPECT_EQ(settings.spin(key::SpinEdit4), 50);
    // A path field shows its whole text as hint.
    settings.setText(key::SCEdit5, "/srv/blocks/main.str");
    EXPECT_EQ(window.control(key::SCEdit5)->toolTip(), "/srv/blocks/main.str");
}

// A subscriber that fails on a typed change is reported, and the window goes on following the
// settings afterwards (it is never left believing that it is still updating).
TEST(WindowFailures, AFailingSubscriberIsReportedAndTheBindingKeepsWorking)
{
    Settings settings;
    test::RecordingNotifier notifier;
    SettingsWindow window{settings, &notifier};
    QObject::connect(&settings, &Settings::changed, &window, [](const QString& name) {
        if (name == QLatin1String(key::SCEdit43))
            throw std::runtime_error("subscriber broke");
    });
    auto* edit = qobject_cast<QLineEdit*>(window.control(key::SCEdit43));
    ASSERT_NE(edit, nullptr);
    edit->setText("123");
    EXPECT_EQ(notifier.errors, QStringList{"subscriber broke"});
    EXPECT_EQ(settings.text(key::SCEdit43), "123");
    settings.setText(key::SCEdit45, "77");
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.control(key::SCEdit45))->text(), "77");
    edit->setText("456");
    EXPECT_EQ(settings.text(key::SCEdit43), "456");
}

TEST_F(Window, SpinnerWidgetsAndStoreAgreeAtTheLimits)
{
    for (const ControlSpec& entry : controlSchema()) {
        if (entry.kind != ControlKind::Spin)
            continue;
        const QString name = QString::fromLatin1(entry.name);
        auto* spin = qobject_cast<QSpinBox*>(window.control(name));
        ASSERT_NE(spin, nullptr) << entry.name;
        for (const int value : {entry.maximum, entry.minimum, 2000000000, -2000000000}) {
            settings.setSpin(name, value);
            EXPECT_EQ(spin->value(), settings.spin(name)) << entry.name << " " << value;
        }
    }
}

TEST_F(Window, TextPageShowsTheBlockAsATableAndKeepsTheListNames)
{
    // The table reads the block itself: what changes while the window is hidden (the ticker
    // runs) is there when it is shown, and nothing is written back into the block.
    window.hide();
    block.setLists({"1a", "2b", ""}, {"0", "1", "2"}, {"7", "8", "9"});
    page->flushEdits();
    EXPECT_EQ(block.text(), (QStringList{"1a", "2b", ""}));
    window.show();
    const BlockTableModel* model = page->model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->index(1, BlockTableModel::IndexColumn).data().toString(), "8");
    EXPECT_EQ(model->index(1, BlockTableModel::TariffColumn).data().toString(), "1");
    EXPECT_EQ(model->index(1, BlockTableModel::IconColumn).data().toString(), "2");
    EXPECT_EQ(model->index(1, BlockTableModel::TextColumn).data().toString(), "b");
    // The three lists stay components of the translation file, in their places.
    const QStringList names = window.componentNames();
    const qsizetype at = names.indexOf("Label91");
    ASSERT_GE(at, 0);
    EXPECT_EQ(names.mid(at + 1, 3), (QStringList{"Memoindex", "Memotarif", "Memo1"}));
}

// The counters of the block's lists stand where the schema declared them, in one row after its
// caption; the operator reads them but cannot type into them, and they follow the settings.
TEST_F(Window, TheBlockCountersStandInTheirOwnGroupAndFollowTheSettings)
{
    window.show();
    window.showPage(pageid::TickerText);
    QGroupBox* group = window.group(groupid::BlockCounters);
    EXPECT_TRUE(group->isVisible());
    auto* caption = widget<QLabel>("Label91");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->parentWidget(), group);
    EXPECT_TRUE(caption->isVisible());
    QHBoxLayout* row = mainpagebar::counterRow(group);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->indexOf(caption), 0);
    EXPECT_EQ(mainpagebar::counterRow(window.group(groupid::Block)), nullptr);
    int previousX = caption->x();
    for (const auto& [name, label] :
         {std::pair{key::SCEdit12, "текст"}, std::pair{key::SCEdit14, "индекс"},
          std::pair{key::SCEdit15, "тариф"}}) {
        auto* field = qobject_cast<QLineEdit*>(window.control(QString::fromLatin1(name)));
        ASSERT_NE(field, nullptr) << name;
        EXPECT_EQ(field->parentWidget(), group) << name;
        EXPECT_TRUE(field->isVisible()) << name;
        EXPECT_TRUE(field->isReadOnly()) << name;
        auto* fieldCaption = widget<QLabel>(("Label_" + std::string(name)).c_str());
        ASSERT_NE(fieldCaption, nullptr) << name;
        EXPECT_EQ(fieldCaption->text(), QString::fromUtf8(label));
        EXPECT_TRUE(fieldCaption->isVisible()) << name;
        // One row, left to right: caption, then each counter after its own caption.
        EXPECT_GT(fieldCaption->x(), previousX) << name;
        EXPECT_GT(field->x(), fieldCaption->x()) << name;
        EXPECT_EQ(field->y() + field->height() / 2, caption->y() + caption->height() / 2) << name;
        previousX = field->x();
        // Typing goes nowhere; the store's count shows.
        field->setFocus();
        QTest::keyClicks(field, "77");
        EXPECT_EQ(settings.text(name), "0") << name;
        settings.setText(name, QStringLiteral("12"));
        EXPECT_EQ(field->text(), "12") << name;
    }
}

TEST_F(Window, PagesAndGroupsAreFoundByTheirDeclaredIdsOnly)
{
    // Every declared page and group is built under its id, with its caption from the schema.
    for (const PageSpec& declared : kPages) {
        QWidget* content = window.page(declared.id);
        ASSERT_NE(content, nullptr) << declared.id;
        EXPECT_EQ(content->parentWidget()->parentWidget()->objectName(), declared.id);
    }
    for (const GroupSpec& declared : kGroups) {
        QGroupBox* box = window.group(declared.id);
        EXPECT_EQ(box->objectName(), declared.id);
        const QString path = QString::fromUtf8(declared.path);
        EXPECT_EQ(box->title(), path.split(QStringLiteral(" > ")).last()) << declared.id;
    }
    EXPECT_EQ(window.group(groupid::MainPosition)->parentWidget(),
              window.group(groupid::Positions));
    // A caption or a misspelt id is no page or group: the construction stops there.
    EXPECT_THROW(window.page("Настройки > Строка"), std::invalid_argument);
    EXPECT_THROW(window.page("TabSheet99"), std::invalid_argument);
    EXPECT_THROW(window.group("Кнопки"), std::invalid_argument);
    EXPECT_THROW(window.addButton("GroupBox0", "X", "X", ""), std::invalid_argument);
}

}  // namespace
}  // namespace velumo
