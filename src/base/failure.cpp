#include "failure.h"

namespace velumo {

Failure::Failure(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}

namespace {

bool parseInteger(const QString& text, int& result)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return false;
    qint64 value = 0;
    for (; i < n; ++i) {
        const int digit = QChar(text[i]).isDigit() && text[i].unicode() < 128
                              ? text[i].unicode() - '0'
                          : base == 16 && text[i].toLower() >= u'a' && text[i].toLower() <= u'f'
                              ? text[i].toLower().unicode() - 'a' + 10
                              : -1;
        if (digit < 0 || digit >= base)
            return false;
        value = value * base + digit;
        if (value > qint64(INT_MAX) + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return false;
    result = int(value);
    return true;
}

}  // namespace

int strToInt(const QString& text)
{
    int value = 0;
    if (!parseInteger(text, value))
        throw Failure(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

int strToIntDef(const QString& text, int fallback)
{
    int value = 0;
    return parseInteger(text, value) ? value : fallback;
}

QString trimControl(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace velumo
