#pragma once

namespace velumo {
class ControlServer;
}

namespace velumo::asrun {

class RecordSink;

// The journal's part of the control channel: "asrun seal" seals the day now and answers when
// the seal is written; status member "asrun" is the sink's status.
void addControl(ControlServer& control, RecordSink& sink);

}  // namespace velumo::asrun
