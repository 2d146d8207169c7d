#include "testsupport.h"

#include <QFile>

#include "app/textfile.h"

namespace velumo::test {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray cp1251(const QString& text)
{
    return encodeCp1251(text);
}

}  // namespace velumo::test
