#pragma once

#include <QString>
#include <span>

namespace velumo {

// The commands of the control channel as the operator reads of them: what each takes, what it
// does, and what it answers when it has done it. The usage text lists them all, and a command
// whose work gives no reply of its own answers with its entry's done text.
struct ControlCommand {
    const char* verb;       // "ticker start"
    const char* arguments;  // "PATH", "N", "on|off"; "" when none
    const char* does;       // one line for the usage text
    // The reply of a command that did its work and has nothing else to say; nullptr for a
    // command whose reply is a value, which may be empty ("get" of an empty setting).
    const char* done;
};

namespace controlcommands {

// Every command the program registers, in the order the usage text lists them ("status" and
// the test hooks aside).
std::span<const ControlCommand> all();

// The entry of that verb, or nullptr.
const ControlCommand* find(const QString& verb);

// The reply a successful command gives: its own text, or when that is empty the entry's done
// text (a value command's empty reply stays empty).
QString successReply(const QString& verb, const QString& reply);

// The "Commands of the control channel" section of the usage text, one line per command.
QString usageSection();

}  // namespace controlcommands
}  // namespace velumo
