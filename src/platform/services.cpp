#include "platform/services.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/cp1251.h"
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

int SystemProcessStarter::capture(const std::string& file, const std::string& params,
                                  const std::string& dir, std::string& output) {
    return runForOutput(file, params, dir, output, [](int ms) { pump().sleep(ms); });
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
            case 'A':
            case 'a': {
                // "AP"/"ap" (or a lone "A"/"a"): the half of the day.
                bool upper = c == 'A';
                out += tm.tm_hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
                if (run == 1 && i + 1 < format.size() &&
                    (format[i + 1] == 'P' || format[i + 1] == 'p'))
                    ++i;
                break;
            }
            default:
                out.append(run, c);
        }
        i += run;
    }
    return out;
}

namespace {

// The letter runs of a clock format ("dd.MM.yyyy" -> d2 M2 y4).
std::vector<std::pair<char, size_t>> tokens(const std::string& f) {
    std::vector<std::pair<char, size_t>> out;
    for (size_t i = 0; i < f.size();) {
        size_t run = 1;
        while (i + run < f.size() && f[i + run] == f[i]) ++run;
        char c = f[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) out.emplace_back(c, run);
        i += run;
    }
    return out;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A system format in the clock's tokens; "" when it holds a part the clock
// cannot show (names, fractions of a second, unknown letters).
std::string convert(const std::string& f) {
    std::string out;
    for (size_t i = 0; i < f.size();) {
        char c = f[i];
        if (c == '\'') {  // quoted text; "''" is one quote
            size_t j = i + 1;
            while (j < f.size() && f[j] != '\'') {
                if (!isAsciiLetter(f[j])) out += f[j];
                ++j;
            }
            i = j + 1;
            continue;
        }
        if (!isAsciiLetter(c)) {
            out += c;
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < f.size() && f[i + run] == c) ++run;
        switch (c) {
            case 'd':
            case 'M':
                if (run > 2) return {};  // names of days and months
                out.append(run, c);
                break;
            case 'y':
                if (run != 2 && run != 4) return {};
                out.append(run, c);
                break;
            case 'h':
            case 'H':
            case 'm':
            case 's':
                if (run > 2) return {};
                out.append(run, c);
                break;
            case 'A':
            case 'a':
                out += c == 'A' ? "AP" : "ap";
                if (run == 1 && i + 1 < f.size() && (f[i + 1] == 'P' || f[i + 1] == 'p')) ++i;
                break;
            case 't':  // the time zone: left out
                break;
            default:
                return {};
        }
        i += run;
    }
    return trim(out, " ");
}

bool has(const std::vector<std::pair<char, size_t>>& t, char c) {
    for (const auto& [letter, run] : t)
        if (letter == c) return true;
    return false;
}

bool isTwelveHour(const std::vector<std::pair<char, size_t>>& t) {
    return has(t, 'h');
}

bool hasHalfOfDay(const std::vector<std::pair<char, size_t>>& t) {
    return has(t, 'A') || has(t, 'a');
}

}  // namespace

std::string clockDateFormat(const std::string& systemFormat) {
    std::string f = convert(systemFormat);
    auto t = tokens(f);
    if (!has(t, 'd') || !has(t, 'M') || !has(t, 'y')) return {};
    for (const auto& [letter, run] : t)
        if (letter != 'd' && letter != 'M' && letter != 'y') return {};
    return f;
}

std::string clockTimeFormat(const std::string& systemFormat) {
    std::string f = convert(systemFormat);
    auto t = tokens(f);
    bool hours = has(t, 'H') || has(t, 'h');
    if (!hours || !has(t, 'm') || !has(t, 's')) return {};
    if (isTwelveHour(t) && !hasHalfOfDay(t)) return {};  // 2 AM and 2 PM alike
    for (const auto& [letter, run] : t)
        if (std::string_view("HhmsAPap").find(letter) == std::string_view::npos) return {};
    return f;
}

std::string Clock::markerDate(std::time_t t) const {
    auto tok = tokens(shortDateFormat);
    std::vector<std::pair<char, size_t>> wanted = {{'d', 2}, {'M', 2}, {'y', 4}};
    bool sound = tok.size() == 3;
    for (const auto& w : wanted) {
        bool found = false;
        for (const auto& x : tok) found = found || x == w;
        sound = sound && found;
    }
    return formatLocalTime(t, sound ? shortDateFormat : "dd.MM.yyyy");
}

std::string Clock::fileStamp(std::time_t t) const {
    auto tok = tokens(longTimeFormat);
    bool sound = !(isTwelveHour(tok) && !hasHalfOfDay(tok)) && has(tok, 's') &&
                 (has(tok, 'H') || has(tok, 'h'));
    std::string text =
        markerDate(t) + " " + formatLocalTime(t, sound ? longTimeFormat : "HH:mm:ss");
    for (char& c : text)
        if (c == '/' || c == ':' || c == '\\') c = '-';
    return text;
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

}  // namespace

std::string unsavedReason(int error) {
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
        case ENODEV:
            return W("на месте файла канал или устройство, а не обычный файл");
        case EFBIG:
            return W("файл больше предела размера файлов (ulimit -f)");
        default:
            return W("ошибка записи ") + std::to_string(error);
    }
}

namespace {

void show(const std::vector<std::pair<std::string, int>>& failures) {
    if (failures.empty() || !services().dialogs) return;
    services().dialogs->message(unsavedMessage(failures));
}

}  // namespace

std::string unsavedMessage(const std::vector<std::pair<std::string, int>>& failures) {
    std::string text = W("- Не сохранено:");
    for (const auto& [path, error] : failures) text += "\r\"" + path + "\" - " + unsavedReason(error);
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
    if (files::writesEnded()) return;  // the program has closed: nothing is told either
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

namespace {
// A folder only this user can write in: it exists (or is made) as a real
// folder, not a link, owned by this user, and nobody else may write in it.
bool ownPrivateDir(const std::string& osPath, bool create) {
    if (osPath.empty()) return false;
    if (create) ::mkdir(osPath.c_str(), 0700);
    struct stat st {};
    return ::lstat(osPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 022) == 0;
}
}  // namespace

std::string markerDir() {
    if (!markerDirOverride().empty()) return markerDirOverride();
    if (const char* e = std::getenv("TAPDECK_MARKER_DIR"); e && *e) return files::fromOsPath(e);
    // The markers are one user's: in a shared folder another user's marker
    // could neither be removed nor told apart from one's own.
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r && ownPrivateDir(r, false))
        return files::fromOsPath(r);
    const char* t = std::getenv("TMPDIR");
    std::string own = std::string(t && *t ? t : "/tmp") + "/tapdeck-" + std::to_string(::geteuid());
    if (ownPrivateDir(own, true)) return files::fromOsPath(own);
    if (const char* h = std::getenv("HOME"); h && *h) {
        std::string home = std::string(h) + "/.cache";
        ::mkdir(home.c_str(), 0700);
        home += "/tapdeck";
        if (ownPrivateDir(home, true)) return files::fromOsPath(home);
    }
    return files::fromOsPath(own);
}

std::string mapMarkerPath(const std::string& windowsPath) {
    std::string name = windowsPath;
    size_t p = name.find_last_of("\\/:");
    if (p != std::string::npos) name = name.substr(p + 1);
    return files::join(markerDir(), name);
}

}  // namespace td
