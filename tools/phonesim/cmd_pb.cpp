// Phone books and call lists: +CPBS, +CPBR, +CPBW, +CPBF. The call lists
// (MC missed, RC received, DC dialled) are read-only except for deletion.

#include "session.h"

namespace phonesim {
namespace {

constexpr int kNumberLength = 40;
constexpr int kNameLength = 24;
const char* const kBooks[] = {"SM", "ME", "MC", "RC", "DC"};

bool isCallList(const std::string& id) {
    return id == "MC" || id == "RC" || id == "DC";
}

PhoneBook& current(Session& s) {
    return s.state.books[s.pbMemory];
}

// A Latin name as some phones give it in UCS2: unquoted hex of its 8-bit
// characters, ending 00. Nothing for an empty name or one with other
// characters.
std::optional<std::string> hexName(const std::string& utf8) {
    if (utf8.empty()) return std::nullopt;  // no name: the quotes alone
    std::string bytes;
    for (char32_t c : gsmcodec::utf8Decode(utf8)) {
        if (c == 0 || c > 0xFF) return std::nullopt;
        bytes += static_cast<char>(c);
    }
    return gsmcodec::toHex(bytes) + "00";
}

std::string entryLine(Session& s, int index, const PbEntry& e) {
    const Quirks& q = s.quirks;
    std::string number = e.number;
    // Split long numbers with a line feed after the opening quote.
    if (q.lfInNumber && number.size() > 11) number = "\n" + number;
    std::string name = dq(s.out(e.name));
    if (q.hexNames && s.charset == Charset::Ucs2)
        if (auto hex = hexName(e.name)) name = *hex;
    // No number, no type of number.
    std::string type = e.number.empty() ? "" : std::to_string(e.type);
    std::string line = "+CPBR: " + std::to_string(index) + "," + (q.datedEntries ? "," : "") +
                       dq(number) + "," + type + "," + name;
    // A call list entry gives its own time; other entries one fixed date.
    if (q.datedEntries) line += "," + dq(e.time.empty() ? "2025/06/02,18:05" : e.time);
    return line;
}

Reply cpbs(Session& s, const Command& c) {
    switch (c.kind) {
        case Command::Test: {
            std::string list;
            for (const char* id : kBooks) list += std::string(list.empty() ? "" : ",") + dq(id);
            return ok({"+CPBS: (" + list + ")"});
        }
        case Command::Read: {
            PhoneBook& b = current(s);
            return ok({"+CPBS: " + dq(s.pbMemory) + "," + std::to_string(b.entries.size()) + "," +
                       std::to_string(b.capacity)});
        }
        case Command::Exec:
            return error();
        case Command::Set:
            break;
    }
    auto p = params(c);
    if (!p || p->empty()) return cme(kCmeBadParams);
    std::string id;
    for (char ch : (*p)[0].text)
        id += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    for (const char* known : kBooks)
        if (id == known) {
            s.pbMemory = id;
            return ok();
        }
    return cme(kCmeNotSupported);
}

Reply cpbr(Session& s, const Command& c) {
    PhoneBook& b = current(s);
    if (c.kind == Command::Test)
        return ok({"+CPBR: (1-" + std::to_string(b.capacity) + ")," +
                   std::to_string(kNumberLength) + "," + std::to_string(kNameLength)});
    if (c.kind != Command::Set) return error();
    auto p = params(c);
    if (!p || p->empty() || p->size() > 2) return cme(kCmeBadParams);
    auto first = paramInt((*p)[0]);
    auto last = p->size() == 2 ? paramInt((*p)[1]) : first;
    if (!first || !last) return cme(kCmeBadParams);
    if (*first < 1 || *last > b.capacity || *first > *last) return cme(kCmeInvalidIndex);
    if (auto busy = stillBusy(s)) return *busy;
    std::vector<std::string> lines;
    for (auto it = b.entries.lower_bound(*first); it != b.entries.end() && it->first <= *last; ++it)
        lines.push_back(entryLine(s, it->first, it->second));
    return listReply(s, std::move(lines), 1);
}

// AT+CPBW=[<index>][,<number>[,<type>[,<text>]]]; an index alone deletes.
Reply cpbw(Session& s, const Command& c) {
    PhoneBook& b = current(s);
    if (c.kind == Command::Test)
        return ok({"+CPBW: (1-" + std::to_string(b.capacity) + ")," +
                   std::to_string(kNumberLength) + ",(129,145)," + std::to_string(kNameLength)});
    if (c.kind != Command::Set) return error();
    auto p = params(c);
    if (!p || p->empty() || p->size() > 4) return cme(kCmeBadParams);
    std::optional<int> index;
    if (!(*p)[0].empty()) {
        index = paramInt((*p)[0]);
        if (!index) return cme(kCmeBadParams);
        if (*index < 1 || *index > b.capacity) return cme(kCmeInvalidIndex);
    }
    bool erase =
        p->size() == 1 || ((*p)[1].text.empty() && (p->size() < 4 || (*p)[3].text.empty()));
    if (erase) {
        if (!index) return cme(kCmeBadParams);
        if (b.entries.erase(*index)) s.changed();
        return ok();
    }
    if (isCallList(s.pbMemory)) return cme(kCmeNotAllowed);
    auto number = s.numberIn((*p)[1].text);
    if (!number || !validDialString(*number)) return cme(kCmeBadDial);
    if (number->size() > kNumberLength) return cme(kCmeDialTooLong);
    int type = numberType(*number);
    if (p->size() >= 3 && !(*p)[2].empty()) {
        auto t = paramInt((*p)[2]);
        if (!t || *t > 255) return cme(kCmeBadParams);
        type = *t;
        if (type == 145 && (*number)[0] != '+') *number = "+" + *number;
        if ((*number)[0] == '+') type = 145;  // a "+" number is international whatever was said
    }
    std::string name;
    if (p->size() == 4) {
        auto decoded = s.in((*p)[3].text);
        if (!decoded) return cme(kCmeBadText);
        name = *decoded;
    }
    if (gsmcodec::utf8Decode(name).size() > kNameLength) return cme(kCmeTextTooLong);
    if (!index) {
        for (int i = 1; i <= b.capacity && !index; ++i)
            if (!b.entries.count(i)) index = i;
        if (!index) return cme(kCmeMemoryFull);
    }
    b.entries[*index] = {*number, type, name};
    s.changed();
    return ok();
}

// AT+CPBF="<text>": entries whose name begins with the text (any case).
Reply cpbf(Session& s, const Command& c) {
    if (c.kind == Command::Test)
        return ok({"+CPBF: " + std::to_string(kNumberLength) + "," + std::to_string(kNameLength)});
    if (c.kind != Command::Set) return error();
    auto p = params(c);
    if (!p || p->size() != 1) return cme(kCmeBadParams);
    auto text = s.in((*p)[0].text);
    if (!text) return cme(kCmeBadText);
    auto lower = [](std::u32string t) {
        for (auto& ch : t) {
            if (ch >= U'A' && ch <= U'Z') ch += 32;
            if (ch >= 0x410 && ch <= 0x42F) ch += 32;
            if (ch == 0x401) ch = 0x451;
        }
        return t;
    };
    std::u32string want = lower(gsmcodec::utf8Decode(*text));
    std::vector<std::string> lines;
    for (const auto& [index, e] : current(s).entries) {
        std::u32string name = lower(gsmcodec::utf8Decode(e.name));
        if (name.starts_with(want)) lines.push_back("+CPBF: " + entryLine(s, index, e).substr(7));
    }
    if (lines.empty()) return cme(kCmeNotFound);
    return ok(lines);
}

}  // namespace

void addPhonebookCommands(Registry& r) {
    r["+CPBS"] = cpbs;
    r["+CPBR"] = cpbr;
    r["+CPBW"] = cpbw;
    r["+CPBF"] = cpbf;
}

}  // namespace phonesim
