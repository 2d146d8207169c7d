#include "failuretext.h"

#include <QHash>
#include <QRegularExpression>

namespace velumo::failuretext {

namespace {

struct Rule {
    const char* pattern;  // a case-insensitive regular expression over the technical text
    const char* plain;
};

// First match wins: the more particular rules come first.
constexpr Rule kRules[] = {
    {"no video capture device",
     "Нет устройства видеозахвата: проверьте подключение камеры или платы"},
    {"capture|camera", "Видеозахват не работает: проверьте камеру или плату видеозахвата"},
    {"is not a valid date and time",
     "В плане записаны дата или время, которых нет: исправьте строку план-файла"},
    {"is not a valid (integer|number|floating)",
     "Вместо числа записан текст: исправьте значение в настройках или в плане"},
    {"ruffle", "Для Flash нужен Ruffle: установите его (tools/fetch-ruffle.sh)"},
    {"external player|mpv",
     "Внешний плеер не работает: проверьте, что mpv установлен и файл можно воспроизвести"},
    {"no clip file|no movie file|no address",
     "Слот пуст: укажите в настройках файл или адрес для этой строки плана"},
    {"does not exist|file not found|not found|no such file",
     "Файл не найден: проверьте, что он есть на диске, и путь в слоте"},
    {"cannot be read|cannot read|cannot open|permission denied|not a regular file|is empty|"
     "a folder, not",
     "Файл не открывается: проверьте, что это нужный файл и что он доступен для чтения"},
    {"cannot (write|create|rename|replace)|no space|disk full|read-only",
     "Файл не записывается: проверьте место на диске и права на папку программы"},
    {"no picture within|stalled|cannot play|demux|decod|codec|gstreamer|media",
     "Клип не воспроизводится: проверьте файл (формат, целостность) или выберите другой"},
    {"err_|net::|connection|resolve|timed? ?out|no answer|host|refused|unreachable|network",
     "Нет связи: проверьте сеть и адрес сервера или страницы"},
    {"renderer|page", "Страница не показывается: проверьте адрес; браузер будет запущен заново"},
    {"login|password|denied|ftp|curl",
     "Обмен по FTP не удался: проверьте сервер, имя пользователя и пароль"},
    {"feed|rss|xml|xpath", "Лента RSS не прочитана: проверьте адрес ленты и её формат"},
    {"out of memory", "Не хватает памяти: закройте лишние программы или перезапустите станцию"},
};

bool isRussian(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF)
            return true;
    return false;
}

}  // namespace

QString plain(const QString& technical)
{
    if (isRussian(technical))
        return technical;
    for (const Rule& rule : kRules) {
        static thread_local QHash<const char*, QRegularExpression> compiled;
        auto it = compiled.find(rule.pattern);
        if (it == compiled.end())
            it = compiled.insert(rule.pattern,
                                 QRegularExpression(QString::fromLatin1(rule.pattern),
                                                    QRegularExpression::CaseInsensitiveOption));
        if (it->match(technical).hasMatch())
            return QString::fromUtf8(rule.plain);
    }
    return QStringLiteral("Сбой в работе программы: подробности в velumo.log");
}

QString logLine(const QString& technical)
{
    const QString text = plain(technical);
    return text == technical ? technical : text + QStringLiteral(" — ") + technical;
}

}  // namespace velumo::failuretext
