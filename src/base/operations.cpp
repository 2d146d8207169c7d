#include "operations.h"

#include <algorithm>

#include "failure.h"

namespace velumo {

void Operations::add(const QString& name, Operation operation)
{
    if (name.trimmed().isEmpty() || m_operations.contains(name))
        throw Failure(QStringLiteral("operation \"%1\" is registered twice").arg(name));
    m_operations.insert(name, std::move(operation));
}

QStringList Operations::names() const
{
    QStringList list = m_operations.keys();
    std::sort(list.begin(), list.end());
    return list;
}

QString Operations::run(const QString& name, const QString& argument) const
{
    const auto it = m_operations.constFind(name);
    if (it == m_operations.cend())
        throw Failure(QStringLiteral("unknown command: %1").arg(name));
    return it.value()(argument);
}

std::optional<std::pair<QString, QString>> Operations::match(const QString& line) const
{
    const QString command = line.trimmed();
    QString best;
    for (auto it = m_operations.cbegin(); it != m_operations.cend(); ++it) {
        const QString& name = it.key();
        const bool matches =
            command == name || (command.startsWith(name) && command.size() > name.size() &&
                                command[name.size()] == u' ');
        if (matches && name.size() > best.size())
            best = name;
    }
    if (best.isEmpty())
        return std::nullopt;
    return std::make_pair(best, command.mid(best.size()).trimmed());
}

}  // namespace velumo
