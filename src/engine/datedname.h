#pragma once
// The date and time part of a file name the program writes (saved lists,
// unload files): the system's short date and long time formats with every
// character a file name cannot hold on this system (":" and the folder
// separators "/" and "\") replaced by "-". So "06.12.2026 14:09:06" gives
// "06.12.2026 14-09-06", and "12/6/2026 2:09:06" gives "12-6-2026 2-09-06".

#include <ctime>
#include <string>

#include "platform/services.h"

namespace td {

std::string datedStamp(const Clock& clock, std::time_t t);
// The installed clock's current moment.
std::string datedStampNow();

}  // namespace td
