#pragma once

namespace velumo {

class ControlServer;
class DispatcherEngine;

// The commands "dispatcher start", "dispatcher stop", "slides stop" and the status member
// "dispatcher".
void addDispatcherCommands(ControlServer& control, DispatcherEngine& engine);

}  // namespace velumo
