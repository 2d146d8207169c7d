#include <gtest/gtest.h>

#include "base/failuretext.h"

using namespace velumo;

namespace {

TEST(FailureText, SaysInRussianWhatToDoAndKeepsTheDetailForTheLog)
{
    struct Case {
        const char* technical;
        const char* startsWith;
    };
    const Case cases[] = {
        {"no video capture device", "Нет устройства видеозахвата: проверьте подключение"},
        {"'31.02.26 19:59:50' is not a valid date and time", "В плане записаны дата или время"},
        {"'12x' is not a valid integer value", "Вместо числа записан текст"},
        {"the file does not exist (/data/clip.mpg)", "Файл не найден"},
        {"Cannot open file \"/data/a.str\". Permission denied", "Файл не открывается"},
        {"Cannot write file \"/x/str_disp.txt\". No space left on device", "Файл не записывается"},
        {"no picture within 5000 ms (/data/a.mpg)", "Клип не воспроизводится"},
        {"net::ERR_CONNECTION_REFUSED", "Нет связи"},
        {"Ruffle is missing (no /x/ruffle.js)", "Для Flash нужен Ruffle"},
        {"mpv cannot play the file: error", "Внешний плеер не работает"},
        {"Login denied (67)", "Обмен по FTP не удался"},
        {"something nobody foresaw", "Сбой в работе программы: подробности в velumo.log"},
    };
    for (const Case& c : cases) {
        const QString technical = QString::fromUtf8(c.technical);
        EXPECT_TRUE(failuretext::plain(technical).startsWith(QString::fromUtf8(c.startsWith)))
            << c.technical << " -> " << failuretext::plain(technical).toStdString();
        EXPECT_EQ(failuretext::logLine(technical),
                  failuretext::plain(technical) + QStringLiteral(" — ") + technical);
    }
    // Our own Russian texts stand as they are, in the log too.
    const QString russian = QStringLiteral("LibreOffice не смог прочитать презентацию a.pptx: 1");
    EXPECT_EQ(failuretext::plain(russian), russian);
    EXPECT_EQ(failuretext::logLine(russian), russian);
}

}  // namespace
