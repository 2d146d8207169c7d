#pragma once

#include <QString>

namespace velumo {

// Where a failure came from: something the operator did (a button, a dialog, a control
// command) or something that runs on its own (a timer, the dispatcher, a player, a transfer, a
// feed), with a short name of the source ("Timer1start", "webplayer"). The guard carries it to
// the error report, so that a station nobody watches can treat its own failures apart.
class Origin {
public:
    enum class Kind { Operator, Unattended };

    static Origin byOperator(QString source) { return Origin(Kind::Operator, std::move(source)); }
    static Origin unattended(QString source) { return Origin(Kind::Unattended, std::move(source)); }

    Kind kind() const { return m_kind; }
    bool isUnattended() const { return m_kind == Kind::Unattended; }
    const QString& source() const { return m_source; }

    // The origin of the entry point now running on this thread: the outermost one, because a
    // handler that a button's signal runs directly still runs for the operator. Outside any
    // entry point (start-up), the operator's.
    static Origin current();

    // Makes `origin` the current one for its lifetime, unless an entry point is running already.
    class Scope {
    public:
        explicit Scope(const Origin& origin);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        bool m_outermost;
    };

private:
    Origin(Kind kind, QString source) : m_kind(kind), m_source(std::move(source)) {}

    Kind m_kind;
    QString m_source;
};

}  // namespace velumo
