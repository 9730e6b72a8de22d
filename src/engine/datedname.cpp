#include "engine/datedname.h"

namespace td {

std::string datedStamp(const Clock& clock, std::time_t t) {
    std::string s = clock.dateTime(t);
    for (char& c : s)
        if (c == ':' || c == '/' || c == '\\') c = '-';
    return s;
}

std::string datedStampNow() {
    return datedStamp(clock(), clock().now());
}

}  // namespace td
