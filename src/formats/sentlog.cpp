#include "formats/sentlog.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "engine/phonenumber.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace td {

namespace {

// A part of a long message holds at least 66 characters (UCS2, with a
// 16-bit concatenation reference), so its text start is that long.
constexpr size_t kShortestPart = 66;

bool knownKind(std::string_view k) {
    return k == "sent" || k == "delivered" || k == "not-delivered";
}

bool sameNumber(const std::string& a, const std::string& b) {
    return phoneMatchKey(a) == phoneMatchKey(b);
}

bool outcome(const SentEntry& e) {
    return e.kind != "sent";
}

}  // namespace

std::string sentStamp(std::time_t t) {
    char stamp[32];
    std::tm tm{};
    ::localtime_r(&t, &tm);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    return stamp;
}

std::string sentTextStart(std::string_view text) {
    std::string out(text.substr(0, kSentTextChars));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return out;
}

std::string sentLogLine(const SentEntry& e) {
    std::string refs;
    for (int r : e.refs) refs += (refs.empty() ? "" : ",") + std::to_string(r);
    std::string number = e.number;
    for (char& c : number)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return e.when + "\t" + e.kind + "\t" + number + "\t" + refs + "\t" + sentTextStart(e.text);
}

std::optional<SentEntry> readSentLogLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    std::vector<std::string_view> f;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        f.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos || f.size() == 5) break;
        start = tab + 1;
    }
    if (f.size() < 4 || !knownKind(f[1])) return std::nullopt;
    SentEntry e{std::string(f[0]),
                std::string(f[1]),
                std::string(f[2]),
                {},
                f.size() > 4 ? std::string(f[4]) : ""};
    for (size_t start = 0; start <= f[3].size();) {
        size_t comma = f[3].find(',', start);
        if (comma == std::string_view::npos) comma = f[3].size();
        const std::string_view ref = f[3].substr(start, comma - start);
        if (ref.empty() || ref.size() > 3 ||
            !std::all_of(ref.begin(), ref.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int v = std::atoi(std::string(ref).c_str());
        if (v > 255) return std::nullopt;
        e.refs.push_back(v);
        start = comma + 1;
    }
    return e;
}

bool appendSentLog(const std::string& path, const SentEntry& e) {
    const std::string text = sentLogLine(e) + "\r\n";
    const std::string os = files::toOsPath(path);
    const int fd = ::open(os.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool done = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && done;
}

std::vector<SentEntry> readSentLog(const std::string& path) {
    std::vector<std::string> lines;
    std::vector<SentEntry> log;
    if (!files::readLines(path, lines)) return log;
    for (const std::string& l : lines)
        if (auto e = readSentLogLine(l)) log.push_back(std::move(*e));
    return log;
}

std::optional<size_t> sendOfReport(const std::vector<SentEntry>& log, const std::string& number,
                                   int ref) {
    for (size_t i = log.size(); i-- > 0;) {
        const SentEntry& e = log[i];
        if (!outcome(e) && sameNumber(e.number, number) &&
            std::find(e.refs.begin(), e.refs.end(), ref) != e.refs.end())
            return i;
    }
    return std::nullopt;
}

const SentEntry* outcomeOf(const std::vector<SentEntry>& log, size_t send) {
    for (size_t i = send + 1; i < log.size(); ++i)
        if (outcome(log[i]) && log[i].refs == log[send].refs &&
            sameNumber(log[i].number, log[send].number))
            return &log[i];
    return nullptr;
}

const SentEntry* deliveryOf(const std::vector<SentEntry>& log, const std::string& number,
                            std::string_view text) {
    const std::string start = sentTextStart(text);
    for (size_t i = log.size(); i-- > 0;) {
        const SentEntry& e = log[i];
        if (outcome(e) || !sameNumber(e.number, number)) continue;
        const bool firstPart =
            e.refs.size() > 1 && start.size() >= kShortestPart && e.text.starts_with(start);
        if (e.text == start || firstPart) return outcomeOf(log, i);
    }
    return nullptr;
}

std::string deliveryText(const SentEntry& outcome) {
    // "YYYY-MM-DD hh:mm:ss" -> "DD.MM hh:mm"
    const std::string& w = outcome.when;
    const std::string when =
        w.size() >= 16 ? w.substr(8, 2) + "." + w.substr(5, 2) + " " + w.substr(11, 5) : w;
    return (outcome.kind == "delivered" ? W("доставлено ") : W("не доставлено ")) + when;
}

}  // namespace td
