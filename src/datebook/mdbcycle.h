#pragma once
// The read cycle as the date book window runs it, for a read and for an
// unload: the engine gets the operation and "@ScriBat.txt"; the wait watches
// the date book result file, measured only while the engine's log exists;
// two lines are enough to go on. No widgets here.

#include <string>

#include "engine/readcycle.h"

namespace td {

// Write: the events added from a file go into the phone through the engine's
// batch operation, and the date book is read again in the same run.
enum class MdbRun { Read, Unload, Write };

// The cycle works with the window's own flags: update set, the next run
// reads from the phone.
ReadCycleConfig dateBookCycleConfig(const std::string& operation, MdbRun kind, ReadFlags& flags);

// The refresh buttons' hints: idle (and after an abort click), and the
// unload button's hint once an unload has ended.
std::string readIdleHint();  // "Прочесть книгу напоминаний из ТЕЛЕФОНА"
std::string unloadAbortHint();  // "Выгрузить книгу напоминаний из ТЕЛЕФОНА"
std::string unloadIdleHint();  // "Выгрузить ежедневник для последующей загрузки"
std::string unloadCaption();  // "Выгрузить"

}  // namespace td
