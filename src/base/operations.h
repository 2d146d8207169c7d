#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace velumo {

// The program's named operations. A button of the main window, a control command and a button
// of the control panel that do the same thing run the same entry ("ticker stop"), so they can
// never drift apart. Names may have several words; the argument is the rest of a command line.
class Operations {
public:
    // Returns a short reply saying what it did; a thrown Failure means the operation failed.
    using Operation = std::function<QString(const QString& argument)>;

    // A name is registered once; a second registration is a wiring fault (Failure).
    void add(const QString& name, Operation operation);
    bool contains(const QString& name) const { return m_operations.contains(name); }
    QStringList names() const;

    // Runs an operation; not guarded (the entry point that calls it holds the guard).
    // Failure when no operation has the name.
    QString run(const QString& name, const QString& argument = {}) const;

    // Splits a command line into the longest registered name it starts with (whole words) and
    // its argument; nothing when no name matches.
    std::optional<std::pair<QString, QString>> match(const QString& line) const;

private:
    QHash<QString, Operation> m_operations;
};

}  // namespace velumo
