#include "formats/smsrecord.h"

#include <algorithm>

#include "formats/fieldcursor.h"
#include "platform/cp1251.h"

namespace td::sms {

namespace {

// Control characters would break the line apart (CR, LF) or cut it short
// for other readers (NUL): they become blanks.
std::string clean(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

std::string replaced(std::string s, char from, char to) {
    for (char& c : s)
        if (c == from) c = to;
    return s;
}

constexpr std::string_view PartsMark = "parts:";

// The parts' indexes from the fields after the number ("parts:8;9" as
// the last of them); none when that field is not there or not plain.
std::vector<std::string> partsField(std::string_view fields) {
    const std::size_t comma = fields.rfind(',');
    if (comma == std::string_view::npos) return {};
    std::string_view f = fields.substr(comma + 1);
    if (!f.starts_with(PartsMark)) return {};
    f.remove_prefix(PartsMark.size());
    std::vector<std::string> out;
    for (std::size_t at = 0; at <= f.size();) {
        std::size_t end = std::min(f.find(';', at), f.size());
        std::string_view i = f.substr(at, end - at);
        if (i.empty() || i.find_first_not_of("0123456789") != std::string_view::npos) return {};
        out.emplace_back(i);
        at = end + 1;
    }
    return out;
}

// A field between quotes that no reader can end early.
std::string quotedField(std::string_view s) {
    return "\"" + replaced(replaced(clean(s), '"', '\''), '}', ')') + "\"";
}

}  // namespace

std::string writeSmsRecord(std::string_view prefix, const SmsRecord& r) {
    std::string line(prefix);
    line += '=';
    for (char c : clean(r.index))
        if (c != ',' && c != '}' && c != '"') line += c;
    line += ',';
    line += quotedField(replaced(r.status, ',', ';'));
    line += ',';
    line += quotedField(r.number);
    for (const std::string& f : r.extra) {
        line += ',';
        line += replaced(clean(f), '}', ')');
    }
    std::string parts;
    for (const std::string& i : r.parts)
        if (acceptedIndex(i) && !trimView(i, " ").empty())
            parts += (parts.empty() ? "" : ";") + trim(i, " ");
    if (!parts.empty()) line += "," + std::string(PartsMark) + parts;
    while (line.size() + 1 < MinRecordLength) line += ',';
    line += '}';
    std::string text = clean(r.text);
    if (!text.empty() && text.front() == '"' && text.back() == '"') text = "\"" + text + "\"";
    return line + text;
}

bool isRecordLine(std::string_view line, const std::vector<std::string>& prefixes) {
    if (line.size() < MinRecordLength) return false;
    for (const std::string& p : prefixes)
        if (!p.empty() && line.find(p + "=") != std::string_view::npos) return true;
    return false;
}

std::string unquoteText(std::string_view text) {
    return text == "\"" ? std::string() : outerQuotes(text);
}

SmsFields cutRecord(std::string_view line) {
    // Each cut takes the part before the first separator (the whole rest
    // when there is none) and goes on after it (with nothing when there is
    // none).
    auto upTo = [](std::string_view s, char c) {
        std::size_t at = s.find(c);
        return at == std::string_view::npos ? s : s.substr(0, at);
    };
    auto after = [](std::string_view s, char c) {
        std::size_t at = s.find(c);
        return at == std::string_view::npos ? std::string_view() : s.substr(at + 1);
    };
    SmsFields f;
    FieldCursor c(after(line, '='));
    f.index = betweenQuotes(c.raw().value_or(""));
    f.status = c.raw().value_or("");
    const std::string_view rest = c.rest();
    f.number = betweenQuotes(upTo(rest, '}'));
    if (std::size_t q = rest.find('"'); q != std::string_view::npos) {
        // After the number's closing quote, up to the text.
        const std::string_view fields = upTo(rest, '}');
        const std::size_t close = fields.find('"', q + 1);
        if (close != std::string_view::npos) f.parts = partsField(fields.substr(close + 1));
    }
    f.text = unquoteText(after(rest, '}'));
    return f;
}

bool acceptedIndex(std::string_view index) {
    // Blanks around the digits are allowed; a range "(1-30)" or anything
    // else that is not a plain number is no index. Any number of digits:
    // a phone with a large store lists indexes of 10000 and above.
    // No index given (blanks only) passes too.
    return trimView(index, " ").find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<SmsFields> readSmsRecord(std::string_view line,
                                       const std::vector<std::string>& prefixes) {
    if (!isRecordLine(line, prefixes)) return std::nullopt;
    SmsFields f = cutRecord(line);
    if (!acceptedIndex(f.index)) return std::nullopt;
    return f;
}

}  // namespace td::sms
