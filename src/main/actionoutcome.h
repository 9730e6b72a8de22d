#pragma once
// What the main window tells after an engine run started by one of its
// actions (a send, a call, a hang-up, the volume): the status line's text,
// and for a run the engine reported as failed, the message box's.

#include <string>

#include "engine/readcycle.h"

namespace td::mainlogic {

enum class Action { Send, ReSend, Call, Other };

struct ActionOutcome {
    std::string line;  // the status line (Windows-1251)
    bool failed = false;
    std::string box;  // "" when no message box is due
};

// subject: the dialled number for Call, the operation name for Other.
ActionOutcome actionOutcome(Action action, const EngineRunEnd& end, const std::string& subject);

// A send is kept in its band's history unless the engine said it failed or
// could not be started.
bool keepInHistory(const EngineRunEnd& end);

}  // namespace td::mainlogic
