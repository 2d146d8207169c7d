#pragma once

namespace velumo {

// Whether the kernel holds the system clock synchronised (a time service disciplines it).
// adjtimex(2) without modes only reads the kernel's clock state: no process, no privilege.
bool clockSynchronised();

}  // namespace velumo
