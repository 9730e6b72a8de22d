#pragma once
// What the main window tells after an engine run started by one of its
// actions (a send, a call, a hang-up, the volume) has ended.

#include <string>

#include "engine/readcycle.h"

namespace td::mainlogic {

enum class Action { Send, ReSend, Call, Other };

// The message box that tells how the run ended, "" when none is due: a run
// that went well shows nothing (a send's history entry tells it), and an
// engine that could not be started has been told already. subject: the
// dialled number for Call, the operation name for Other.
std::string actionOutcome(Action action, const EngineRunEnd& end, const std::string& subject);

// A send is kept in its band's history unless the engine said it failed or
// could not be started.
bool keepInHistory(const EngineRunEnd& end);

}  // namespace td::mainlogic
