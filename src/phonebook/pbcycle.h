#pragma once
// The read cycle as the phone book and missed calls windows run it.

#include <string>

#include "engine/readcycle.h"
#include "formats/pbrecord.h"

namespace td {

struct PhoneBookTexts {
    std::string question;  // asked before a read from the phone
    std::string idleHint;  // the refresh button's hint when idle
};
PhoneBookTexts phoneBookTexts();  // the phone's phone book
PhoneBookTexts missCallTexts();   // missed calls

// The cycle's parameters: the engine writes its log (watched) and the
// phone book file (parsed, else the log), the records go to
// AutoRun\<prefix>LastPBook.txt. The cycle works with the reader's own flags.
ReadCycleConfig phoneBookCycleConfig(const std::string& operation, const std::string& prefix,
                                     const PhoneBookTexts& texts, ReadFlags& flags);

}  // namespace td
