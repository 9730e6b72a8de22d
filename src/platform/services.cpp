#include "platform/services.h"

#include <cstdlib>

#include "platform/files.h"
#include "platform/process.h"

namespace td {

Services& services() {
    static Services s;
    return s;
}

void installServices(Dialogs& d, Feedback& f, EventPump& p, ProcessStarter& s, Clock& c) {
    services() = Services{&d, &f, &p, &s, &c};
}

int SystemProcessStarter::open(const std::string& file, const std::string& params,
                               const std::string& dir, int show) {
    return shellOpen(file, params, dir, show);
}

std::string formatLocalTime(std::time_t t, const std::string& format) {
    std::tm tm{};
    localtime_r(&t, &tm);
    auto two = [](int v) {
        std::string s = std::to_string(v);
        return s.size() < 2 ? "0" + s : s;
    };
    std::string out;
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        size_t run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        switch (c) {
            case 'd':
                out += run >= 2 ? two(tm.tm_mday) : std::to_string(tm.tm_mday);
                break;
            case 'M':
                out += run >= 2 ? two(tm.tm_mon + 1) : std::to_string(tm.tm_mon + 1);
                break;
            case 'y':
                out +=
                    run >= 4 ? std::to_string(tm.tm_year + 1900) : two((tm.tm_year + 1900) % 100);
                break;
            case 'H':
                out += run >= 2 ? two(tm.tm_hour) : std::to_string(tm.tm_hour);
                break;
            case 'h': {
                int h = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
                out += run >= 2 ? two(h) : std::to_string(h);
                break;
            }
            case 'm':
                out += run >= 2 ? two(tm.tm_min) : std::to_string(tm.tm_min);
                break;
            case 's':
                out += run >= 2 ? two(tm.tm_sec) : std::to_string(tm.tm_sec);
                break;
            default:
                out.append(run, c);
        }
        i += run;
    }
    return out;
}

std::string Clock::shortDate(std::time_t t) const {
    return formatLocalTime(t, shortDateFormat);
}
std::string Clock::longTime(std::time_t t) const {
    return formatLocalTime(t, longTimeFormat);
}

namespace {
std::string& markerDirOverride() {
    static std::string d;
    return d;
}
}  // namespace

void setMarkerDir(const std::string& dir) {
    markerDirOverride() = dir;
}

std::string markerDir() {
    if (!markerDirOverride().empty()) return markerDirOverride();
    if (const char* e = std::getenv("TAPDECK_MARKER_DIR"); e && *e) return files::fromOsPath(e);
    if (const char* t = std::getenv("TMPDIR"); t && *t) return files::fromOsPath(t);
    return "/tmp";
}

std::string mapMarkerPath(const std::string& windowsPath) {
    std::string name = windowsPath;
    size_t p = name.find_last_of("\\/:");
    if (p != std::string::npos) name = name.substr(p + 1);
    return files::join(markerDir(), name);
}

}  // namespace td
