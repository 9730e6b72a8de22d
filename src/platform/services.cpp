#include "platform/services.h"

#include <cerrno>
#include <cstdlib>

#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/process.h"

namespace td {

Services& services() {
    static Services s;
    return s;
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

struct UnsavedState {
    int depth = 0;
    std::vector<std::pair<std::string, int>> pending;
};
UnsavedState& unsaved() {
    static UnsavedState s;
    return s;
}

std::string reasonText(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return W("файл только для чтения или нет прав на запись");
        case EROFS:
            return W("диск только для чтения");
        case ENOSPC:
        case EDQUOT:
            return W("нет места на диске");
        case EISDIR:
            return W("на месте файла папка");
        case ENOENT:
        case ENOTDIR:
            return W("нет такой папки");
        case EINVAL:
            return W("текст нельзя сохранить в этом файле так, чтобы он читался обратно");
        case EIO:
            return W("файл не читается");
        default:
            return W("ошибка записи ") + std::to_string(error);
    }
}

void show(const std::vector<std::pair<std::string, int>>& failures) {
    if (failures.empty() || !services().dialogs) return;
    services().dialogs->message(unsavedMessage(failures));
}

}  // namespace

std::string unsavedMessage(const std::vector<std::pair<std::string, int>>& failures) {
    std::string text = W("- Не сохранено:");
    for (const auto& [path, error] : failures) text += "\r\"" + path + "\" - " + reasonText(error);
    return text;
}

SaveReport::SaveReport() {
    ++unsaved().depth;
}

SaveReport::~SaveReport() {
    UnsavedState& s = unsaved();
    if (--s.depth > 0) return;
    std::vector<std::pair<std::string, int>> failures;
    failures.swap(s.pending);
    show(failures);
}

void reportUnsaved(const std::string& path, int error) {
    UnsavedState& s = unsaved();
    if (s.depth == 0) {
        show({{path, error}});
        return;
    }
    for (const auto& f : s.pending)
        if (f.first == path) return;  // told once per file
    s.pending.emplace_back(path, error);
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
