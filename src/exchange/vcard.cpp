#include "exchange/vcard.h"

#include "exchange/textin.h"
#include "platform/cp1251.h"

namespace td::exchange {

namespace {

std::string escapeText(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == ',' || c == ';') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c != '\r') out += c;
    }
    return out;
}

// Folds a content line at 75 octets, never inside a UTF-8 character.
std::string folded(const std::string& line) {
    std::string out;
    size_t start = 0, width = 75;
    while (line.size() - start > width) {
        size_t cut = start + width;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out += line.substr(start, cut - start) + "\r\n ";
        start = cut;
        width = 74;  // the leading blank counts
    }
    return out + line.substr(start) + "\r\n";
}

std::string upper(std::string_view s) {
    return upperAscii(s);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string decodeQuotedPrintable(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '=' && i + 2 < s.size() + 0 && hexDigit(s[i + 1]) >= 0 &&
            hexDigit(s[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
            i += 2;
        } else if (s[i] == '=' && i + 1 == s.size()) {
            // a soft break left at the very end
        } else {
            out += s[i];
        }
    }
    return out;
}

// Splits at unescaped `sep` (none: -1), removing the escapes of texts.
std::vector<std::string> splitText(std::string_view s, int sep) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            parts.back() += (n == 'n' || n == 'N') ? '\n' : n;
        } else if (sep >= 0 && c == static_cast<char>(sep)) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

struct Property {
    std::string name;                 // upper-cased, group removed
    std::vector<std::string> params;  // upper-cased
    std::string value;
    bool quotedPrintable() const {
        for (const auto& p : params)
            if (p == "QUOTED-PRINTABLE" || p == "ENCODING=QUOTED-PRINTABLE") return true;
        return false;
    }
    std::string charset() const {
        for (const auto& p : params)
            if (p.rfind("CHARSET=", 0) == 0) return p.substr(8);
        return "UTF-8";
    }
};

// The part before the first ":" outside double quotes names the property.
Property parseProperty(std::string_view line) {
    Property p;
    bool quoted = false;
    size_t colon = std::string_view::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    std::string_view head = line.substr(0, colon);
    if (colon != std::string_view::npos) p.value = std::string(line.substr(colon + 1));
    size_t semi = head.find(';');
    std::string name = upper(head.substr(0, semi));
    if (size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
    p.name = trim(name);
    while (semi != std::string_view::npos) {
        size_t next = head.find(';', semi + 1);
        p.params.push_back(upper(head.substr(semi + 1, next - semi - 1)));
        semi = next;
    }
    return p;
}

// The value as UTF-8, or false for a character set this reader does not know.
bool decodedValue(const Property& p, std::string& out) {
    std::string raw = p.quotedPrintable() ? decodeQuotedPrintable(p.value) : p.value;
    std::string cs = p.charset();
    if (cs == "UTF-8" || cs == "US-ASCII") {
        // A value that is no UTF-8 is Windows-1251, as older phones write it.
        out = isUtf8(raw) ? raw : cp1251ToUtf8(raw);
    } else if (cs == "WINDOWS-1251" || cs == "CP1251") {
        out = cp1251ToUtf8(raw);
    } else if (cs == "ISO-8859-1" || cs == "LATIN1") {
        out.clear();
        for (unsigned char c : raw) out += utf32ToUtf8(std::u32string(1, c));
    } else {
        return false;
    }
    return true;
}

// Physical lines to content lines: folded continuations joined, and a
// quoted-printable value continued after its soft break "=".
std::vector<std::pair<int, std::string>> contentLines(std::string_view text) {
    std::vector<std::pair<int, std::string>> out;
    int number = 0;
    bool softBreak = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        std::string_view line = text.substr(pos, end == std::string_view::npos ? end : end - pos);
        pos = end == std::string_view::npos ? text.size() + 1 : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (softBreak && !out.empty()) {
            out.back().second.pop_back();  // the "="
            out.back().second += line;
        } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !out.empty()) {
            out.back().second += line.substr(1);
        } else if (!line.empty()) {
            out.emplace_back(number, std::string(line));
        } else {
            softBreak = false;
            continue;
        }
        const std::string& last = out.back().second;
        softBreak =
            !last.empty() && last.back() == '=' &&
            upper(last.substr(0, last.find(':'))).find("QUOTED-PRINTABLE") != std::string::npos;
    }
    return out;
}

}  // namespace

std::string writeVCards(const std::vector<PBRecord>& rows) {
    std::string out;
    for (const PBRecord& r : rows) {
        std::string name = trim(r.name), number = trim(r.number);
        if (name.empty() || number.empty()) continue;
        std::string n = escapeText(cp1251ToUtf8(name));
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        out += folded("FN:" + n);
        out += folded("N:" + n + ";;;;");
        out += folded("TEL;TYPE=cell:" + escapeText(cp1251ToUtf8(number)));
        out += "END:VCARD\r\n";
    }
    return out;
}

ContactsRead readVCards(std::string_view text) {
    ContactsRead result;
    bool inCard = false, badCharset = false;
    Contact card;
    std::string formatted, structured;
    for (const auto& [line, content] : contentLines(text)) {
        Property p = parseProperty(content);
        std::string value;
        if (p.name == "BEGIN" && upper(trim(p.value)) == "VCARD") {
            if (inCard) result.refused.push_back({card.line, W("карточка не закончена")});
            inCard = true;
            badCharset = false;
            card = Contact{line, {}, {}};
            formatted.clear();
            structured.clear();
            continue;
        }
        if (!inCard) continue;
        if (p.name == "END") {
            inCard = false;
            card.name = trim(!trim(formatted).empty() ? formatted : structured);
            if (badCharset)
                result.refused.push_back({card.line, W("неизвестная кодировка")});
            else if (card.name.empty())
                result.refused.push_back({card.line, W("в карточке нет имени")});
            else if (card.numbers.empty())
                result.refused.push_back({card.line, W("в карточке нет номера телефона")});
            else
                result.contacts.push_back(std::move(card));
            continue;
        }
        if (p.name != "FN" && p.name != "N" && p.name != "TEL") continue;
        if (!decodedValue(p, value)) {
            badCharset = true;
            continue;
        }
        if (p.name == "FN") {
            formatted = splitText(value, -1).front();
        } else if (p.name == "N") {
            // family;given;additional;prefixes;suffixes -> "given additional family"
            auto parts = splitText(value, ';');
            parts.resize(5);
            for (int i : {3, 1, 2, 0, 4}) {
                std::string part = trim(parts[i]);
                if (part.empty()) continue;
                if (!structured.empty()) structured += ' ';
                structured += part;
            }
        } else {
            std::string number = trim(splitText(value, -1).front());
            if (upper(number.substr(0, 4)) == "TEL:") number = number.substr(4);
            // A tel URI's parameters go, but for an extension, which the
            // merge names (the book cannot dial it).
            const size_t semi = number.find(';');
            const size_t ext = upper(number).find(";EXT=");
            number =
                number.substr(0, semi) +
                (ext == std::string::npos ? ""
                                          : number.substr(ext, number.find(';', ext + 1) - ext));
            if (!number.empty()) card.numbers.push_back(number);
        }
    }
    if (inCard) result.refused.push_back({card.line, W("карточка не закончена")});
    return result;
}

}  // namespace td::exchange
