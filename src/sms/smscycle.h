#pragma once
// The read cycle as the three SMS list windows run it: the engine writes
// the list into the SMS result file, which is watched while the engine's log
// exists; the loaded lines themselves become the list's last copy
// AutoRun\<kind><SMSFile>.

#include <string>

#include "engine/readcycle.h"

namespace td::sms {

// The texts of one window's refresh button.
struct SmsTexts {
    std::string question;  // asked before a read from the phone
    std::string idleHint;  // the refresh button's hint after a read or an abort
};
SmsTexts sentTexts();
SmsTexts unreadTexts();
SmsTexts allTexts();

// The hint of a refresh or delete button while it is the abort button.
std::string smsBusyHint();
// "Прочесть SMS из телефона": the hint the other buttons take when idle.
std::string smsIdleHint();
// "Удалить SMS из телефона": the delete button's hint after a delete or an abort.
std::string deleteIdleHint();

// The result file, the log and the last copy of a kind.
std::string smsResultPath();
std::string smsLastCopyPath(const std::string& kind);

// The cycle's parameters for reading `kind` with `operation` (and its
// argument when not empty). Besides the log and the engine's error file,
// the result file is deleted before the start, so that a file left by an
// earlier run is never taken for the phone's current list. The cycle works
// with the SMS reader's own flags.
ReadCycleConfig smsCycleConfig(const std::string& operation, const std::string& argument,
                               const std::string& kind, const SmsTexts& texts, ReadFlags& flags);

}  // namespace td::sms
