#include "formats/mdbrecord.h"

#include <cstdlib>

#include "formats/fieldcursor.h"
#include "platform/cp1251.h"

namespace td {

const std::string MdbRecordPrefix = "+MDBR";
const std::string MdbAutoDeletePrefix = "+MDBAD";
const std::string MdbUcs2Mark = "UCS2:";

std::optional<std::string_view> mdbTitleHex(std::string_view title) {
    if (!title.starts_with(MdbUcs2Mark)) return std::nullopt;
    std::string_view hex = title.substr(MdbUcs2Mark.size());
    if (hex.empty() || hex.size() % 4 != 0 ||
        hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string_view::npos)
        return std::nullopt;
    return hex;
}

namespace {

// The characters of UTF-16 hex; a surrogate without its partner is U+FFFD.
std::u32string ucs2Chars(std::string_view hex) {
    std::u32string out;
    char32_t high = 0;
    for (size_t i = 0; i < hex.size(); i += 4) {
        const auto unit =
            static_cast<char32_t>(std::strtoul(std::string(hex.substr(i, 4)).c_str(), nullptr, 16));
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && low) {
            out += 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00);
            high = 0;
            continue;
        }
        if (high) out += U'\uFFFD';
        high = unit >= 0xD800 && unit <= 0xDBFF ? unit : 0;
        if (!high) out += low ? U'\uFFFD' : unit;
    }
    if (high) out += U'\uFFFD';
    return out;
}

}  // namespace

std::string mdbTitleText(const std::string& title) {
    std::optional<std::string_view> hex = mdbTitleHex(title);
    if (!hex) return title;
    std::string out;
    for (char32_t c : ucs2Chars(*hex)) {
        const int b = unicodeToCp1251(c);
        out += c < 0x20 ? ' ' : b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string mdbTitleUtf8(const std::string& title) {
    std::optional<std::string_view> hex = mdbTitleHex(title);
    return hex ? utf32ToUtf8(ucs2Chars(*hex)) : cp1251ToUtf8(title);
}

std::string mdbTitleFromUtf8(std::string_view utf8) {
    const std::u32string chars = utf8ToUtf32(utf8);
    std::string plain;
    bool exact = !utf8.starts_with(MdbUcs2Mark);
    for (char32_t c : chars) {
        const int b = unicodeToCp1251(c);
        if (b < 0 || c < 0x20 || c == U'"') exact = false;
        plain += static_cast<char>(b < 0 ? '?' : b);
    }
    if (exact) return plain;
    static const char* digits = "0123456789ABCDEF";
    std::string hex = MdbUcs2Mark;
    auto unit = [&](char32_t u) {
        for (int shift = 12; shift >= 0; shift -= 4) hex += digits[(u >> shift) & 0xF];
    };
    for (char32_t c : chars) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return hex;
}

size_t mdbTitleLength(const std::string& title) {
    std::optional<std::string_view> hex = mdbTitleHex(title);
    return hex ? ucs2Chars(*hex).size() : title.size();
}

namespace {

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

}  // namespace

std::vector<std::string> splitMdbFields(std::string_view text) {
    size_t quotes = 0;
    for (char c : text)
        if (c == '"') ++quotes;
    // An unclosed quote would swallow the rest of the line into one field.
    return rawFields(text, quotes % 2 == 0);
}

std::string writeMdbRecord(const MdbRecord& r, const std::string& prefix) {
    return prefix + ": " + r.index + "," + quoted(r.title) + "," + r.timed + "," + r.alarm + "," +
           quoted(r.time) + "," + quoted(r.date) + "," + r.duration + "," + quoted(r.alarmTime) +
           "," + quoted(r.alarmDate) + "," + r.repeat;
}

std::optional<MdbRecord> readMdbRecord(std::string_view line, const std::string& prefix) {
    size_t at = line.find(prefix + ":");
    if (at == std::string_view::npos) return std::nullopt;
    std::vector<std::string> f = splitMdbFields(line.substr(at + prefix.size() + 1));
    f.resize(10);
    MdbRecord r;
    size_t b = f[0].find_first_not_of(' ');
    r.index = b == std::string::npos ? std::string() : f[0].substr(b);
    r.title = betweenQuotes(f[1]);
    r.timed = f[2];
    r.alarm = f[3];
    r.time = betweenQuotes(f[4]);
    r.date = betweenQuotes(f[5]);
    r.duration = f[6];
    r.alarmTime = betweenQuotes(f[7]);
    r.alarmDate = betweenQuotes(f[8]);
    r.repeat = f[9];
    return r;
}

std::string writeAutoDeleteLine(const std::string& text, const std::string& prefix) {
    return prefix + ": " + text;
}

std::optional<std::string> readAutoDeleteText(std::string_view line, const std::string& prefix) {
    size_t at = line.find(prefix + ":");
    if (at == std::string_view::npos) return std::nullopt;
    return std::string(line.substr(at + prefix.size() + 1));
}

int autoDeleteWeeks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    size_t digits = i;
    if (digits < text.size() && (text[digits] == '-' || text[digits] == '+')) ++digits;
    size_t end = digits;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    // A whole number and nothing else; too many digits is no number either.
    if (end == digits || end != text.size() || end - digits > 9) return 0;
    return std::atoi(std::string(text.substr(i, end - i)).c_str());
}

std::vector<std::string> mdbLastCopy(std::vector<std::string> resultLines, int weeks,
                                     const std::string& autoDeleteText, const std::string& prefix) {
    if (weeks < AutoDeleteUnknown)
        resultLines.push_back(writeAutoDeleteLine(autoDeleteText, prefix));
    return resultLines;
}

std::string mdbSameEventKey(MdbRecord e) {
    e.index.clear();
    if (e.alarm == "0") e.alarmTime.clear(), e.alarmDate.clear();
    std::string key;
    for (const std::string* f : {&e.title, &e.timed, &e.alarm, &e.time, &e.date, &e.duration,
                                 &e.alarmTime, &e.alarmDate, &e.repeat})
        key += *f + '\0';
    return key;
}

std::size_t mdbEventsEnd(const std::vector<std::string>& lines, const std::string& prefix,
                         const std::string& autoDeletePrefix) {
    std::size_t at = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (readMdbRecord(lines[i], prefix))
            at = i + 1;
        else if (at == lines.size() && readAutoDeleteText(lines[i], autoDeletePrefix))
            at = i;
    }
    return at;
}

}  // namespace td
