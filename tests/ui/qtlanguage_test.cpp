#include <gtest/gtest.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>

#include "ui/dialogspec.h"
#include "ui/qttranslations.h"

namespace velumo {
namespace {

TEST(QtLanguage, StandardButtonsSpeakRussian)
{
    ASSERT_TRUE(installQtTranslations(*qApp));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                             QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text().remove(u'&'), QStringLiteral("Да"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::No)->text().remove(u'&'), QStringLiteral("Нет"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Перейти к:"));
}

QString qtFilter(const char* filter)
{
    return DialogSpec(QStringLiteral("OpenDialog"), QString::fromUtf8(filter), QString(), nullptr)
        .qtFilter();
}

TEST(QtLanguage, DialogFiltersShowEachPatternOnce)
{
    // Descriptions that carry their patterns already stay as they are...
    EXPECT_EQ(qtFilter("Строковые файлы (*.str)|*.str|Tекст (*.txt)|*.txt|Все|*.*"),
              QStringLiteral("Строковые файлы (*.str);;Tекст (*.txt);;Все (*.*)"));
    EXPECT_EQ(qtFilter("Файлы диспетчера(*.pln)|*.pln"), QStringLiteral("Файлы диспетчера(*.pln)"));
    EXPECT_EQ(qtFilter("Картинки (*.bmp; *.wmf)|*.bmp;*.wmf"),
              QStringLiteral("Картинки (*.bmp; *.wmf)"));
    // ...the others get them in brackets, a trailing separator dropped.
    EXPECT_EQ(qtFilter("Строковые файлы(str)|*.str|Все|*.*"),
              QStringLiteral("Строковые файлы(str) (*.str);;Все (*.*)"));
    EXPECT_EQ(qtFilter("Flash (swf)|*.swf;|Другие файлы|*.*"),
              QStringLiteral("Flash (swf) (*.swf);;Другие файлы (*.*)"));
    EXPECT_EQ(qtFilter("Графические файлы|*.bmp;*.wmf;*.tif|Анимация|*.avi"),
              QStringLiteral("Графические файлы (*.bmp *.wmf *.tif);;Анимация (*.avi)"));
    EXPECT_EQ(qtFilter("DVD(MPG) файлы  *.vob|*.vob"),
              QStringLiteral("DVD(MPG) файлы  *.vob (*.vob)"));
    // A description without its pattern half is left out.
    EXPECT_EQ(qtFilter("Все|*.*|Хвост"), QStringLiteral("Все (*.*)"));
}

}  // namespace
}  // namespace velumo
