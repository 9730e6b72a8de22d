#include "answers.h"

#include <array>
#include <map>
#include <optional>

#include "formats/fieldcursor.h"
#include "formats/mdbrecord.h"
#include "formats/smsrecord.h"
#include "gsmtext.h"
#include "platform/cp1251.h"
#include "smspdu.h"

namespace celltalk {

Final finalResult(std::string_view line, bool dialCommand) {
    std::string up = td::upperAscii(td::trimView(line));
    if (up == "OK") return Final::Ok;
    // Refusals: the V.250 word, the 27.007 / 27.005 codes, and the words some
    // modems end a command with that they do not know or cannot take.
    if (up == "ERROR" || up.starts_with("+CME ERROR") || up.starts_with("+CMS ERROR") ||
        up == "COMMAND NOT SUPPORT" || up == "TOO MANY PARAMETERS" || up == "NO DIALTONE")
        return Final::Error;
    // What became of a call: the command was carried out.
    if (dialCommand &&
        (up == "NO CARRIER" || up == "BUSY" || up == "NO ANSWER" || up.starts_with("CONNECT")))
        return Final::Other;
    // Outside a call these still end a command, which was not done.
    if (!dialCommand && (up == "BUSY" || up == "NO ANSWER")) return Final::Error;
    return Final::None;
}

std::string labelIdentityAnswer(std::string_view command, std::string_view line) {
    if (!isIdentityQuestion(command)) return std::string(line);
    std::string_view value = td::trimView(line);
    std::string label = commandPrefix(command) + ": ";
    if (value.starts_with("+")) {
        size_t colon = value.find(':');
        if (colon == std::string_view::npos) return std::string(line);
        label = std::string(value.substr(0, colon)) + ": ";
        value = td::trimView(value.substr(colon + 1));
    }
    // Some phones quote the value ("+CGMR: \"R374_G\""); the quotes are no part of it.
    return label + unquote(value);
}

std::string labelIdentityAnswer(std::string_view command, const std::vector<std::string>& lines) {
    // A version given on several lines stays whole, as one line.
    std::string joined;
    for (const auto& l : lines) {
        std::string v = labelIdentityAnswer(command, l);
        size_t colon = v.find(':');
        if (!joined.empty() && colon != std::string::npos) v = td::trimView(v.substr(colon + 1));
        if (!v.empty()) joined += (joined.empty() ? "" : " ") + v;
    }
    return joined;
}

std::string unquote(std::string_view field) {
    return td::outerQuotes(td::trimView(field));
}

namespace {
// The text between a field's quotes, decoded when it is UCS2 hex; a double
// quote inside becomes an apostrophe so that the field stays one field.
std::string ucs2FieldText(std::string_view inner) {
    auto decoded = gsmcodec::cp1251::fromUcs2HexStrict(inner);
    if (!decoded) return std::string(inner);
    for (char& c : *decoded)
        if (c == '"') c = '\'';
    return foldLineBreaks(*decoded);
}
}  // namespace

std::string decodeUcs2Fields(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    size_t i = 0;
    while (i < line.size()) {
        size_t open = line.find('"', i);
        if (open == std::string_view::npos) break;
        size_t close = line.find('"', open + 1);
        if (close == std::string_view::npos) break;
        out.append(line.substr(i, open - i));
        out += '"' + ucs2FieldText(line.substr(open + 1, close - open - 1)) + '"';
        i = close + 1;
    }
    out.append(line.substr(std::min(i, line.size())));
    return out;
}

std::string dateBookLine(std::string_view line, std::string_view prefix) {
    const std::string head = td::upperAscii(prefix) + ":";
    const std::string_view t = td::trimView(line);
    if (t.size() < head.size() || td::upperAscii(t.substr(0, head.size())) != head)
        return decodeUcs2Fields(line);
    std::vector<std::string> fields = td::rawFields(t.substr(head.size()), true);
    std::string out(t.substr(0, head.size()));
    for (size_t k = 0; k < fields.size(); ++k) {
        if (k) out += ',';
        const std::string inner = unquote(fields[k]);
        const bool quoted = td::trimView(fields[k]).size() == inner.size() + 2;
        if (k != 1 || !quoted) {
            out += decodeUcs2Fields(fields[k]);
            continue;
        }
        auto text = gsmcodec::cp1251::fromUcs2HexStrict(inner);
        const bool exact = text && text->find_first_of("\"\x7F") == std::string::npos &&
                           !text->starts_with(td::MdbUcs2Mark);
        if (exact)
            out += "\"" + *text + "\"";
        else if (gsmcodec::fromUcs2Hex(inner) && !inner.empty())
            out += "\"" + td::MdbUcs2Mark + inner + "\"";
        else
            out += fields[k];  // no UCS2: as the phone gave it
    }
    return out;
}

namespace {

bool oddQuotes(std::string_view s) {
    size_t n = 0;
    for (char c : s) n += c == '"';
    return n % 2 != 0;
}

// An unquoted field of 8-bit hex ending 00, as its text in quotes; nothing
// when the field is not one (a type of number, a plain number, control
// characters among the octets).
std::optional<std::string> hexNameField(std::string_view field) {
    field = td::trimView(field);
    if (field.size() < 8 || field.size() % 2 != 0 || field.substr(field.size() - 2) != "00")
        return std::nullopt;
    auto octets = gsmcodec::fromHex(field.substr(0, field.size() - 2));
    if (!octets) return std::nullopt;
    std::u32string text;
    bool letter = false;
    for (uint8_t o : *octets) {
        if (o < 0x20 || o == 0x7F || o == '"') return std::nullopt;
        letter = letter || (o >= 'A' && o <= 'Z') || (o >= 'a' && o <= 'z') || o >= 0xC0;
        text += static_cast<char32_t>(o);
    }
    if (!letter) return std::nullopt;
    return "\"" + gsmcodec::cp1251Encode(text) + "\"";
}

std::string decodeHexNames(std::string_view line, std::string_view prefix) {
    const std::string head = td::upperAscii(prefix) + ":";
    std::string_view t = td::trimView(line);
    if (!td::upperAscii(t.substr(0, head.size())).starts_with(head)) return std::string(line);
    std::vector<std::string> fields = td::rawFields(t.substr(head.size()), true);
    std::string out(t.substr(0, head.size()));
    for (size_t k = 0; k < fields.size(); ++k) {
        if (k) out += ',';
        // Index, number and type come first; an unquoted number may well
        // read as hex (4142434400), so only the fields after them are names.
        auto hex = k >= 3 ? hexNameField(fields[k]) : std::nullopt;
        out += hex ? *hex : fields[k];
    }
    return out;
}

}  // namespace

std::vector<std::string> phoneBookLines(const std::vector<std::string>& lines,
                                        std::string_view prefix, bool ucs2) {
    const std::string head = td::upperAscii(prefix) + ":";
    auto startsEntry = [&](const std::string& l) {
        return td::upperAscii(td::trimView(l)).starts_with(head);
    };
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        while (oddQuotes(line) && i + 1 < lines.size() && !startsEntry(lines[i + 1]))
            line += lines[++i];
        out.push_back(ucs2 ? decodeHexNames(decodeUcs2Fields(line), prefix) : line);
    }
    return out;
}

namespace {
struct TextFields {
    std::string_view prefix;
    std::array<int, 2> fields;  // 1-based positions; 0 = none
};
// Write commands and which of their parameters are texts in the phone's
// character set.
constexpr std::array<TextFields, 3> kWriteTexts = {{
    {"+MDBW", {2, 0}},
    {"+CPBW", {4, 0}},
    {"+CPBF", {1, 0}},
}};
}  // namespace

std::string encodeUcs2WriteText(std::string_view command) {
    const std::string prefix = commandPrefix(command);
    const TextFields* table = nullptr;
    for (const auto& t : kWriteTexts)
        if (prefix == t.prefix) table = &t;
    size_t eq = command.find('=');
    if (!table || eq == std::string_view::npos) return std::string(command);
    std::vector<std::string> fields = td::rawFields(command.substr(eq + 1), true);
    std::string out(command.substr(0, eq + 1));
    for (size_t k = 0; k < fields.size(); ++k) {
        std::string& f = fields[k];
        const int position = static_cast<int>(k) + 1;
        bool text = position == table->fields[0] || position == table->fields[1];
        size_t open = f.find('"');
        size_t close = f.rfind('"');
        const bool kept = prefix == "+MDBW" && open != std::string::npos && close > open &&
                          td::mdbTitleHex(std::string_view(f).substr(open + 1, close - open - 1));
        if (text && kept)
            f.erase(open + 1, td::MdbUcs2Mark.size());  // the phone's own hex
        else if (text && open != std::string::npos && close > open)
            f = f.substr(0, open + 1) +
                gsmcodec::cp1251::toUcs2Hex(
                    std::string_view(f).substr(open + 1, close - open - 1)) +
                f.substr(close);
        if (k) out += ',';
        out += f;
    }
    return out;
}

std::string pduStatusText(std::string_view stat) {
    std::string s(td::trimView(stat));
    if (s == "0") return "\"REC UNREAD\"";
    if (s == "1") return "\"REC READ\"";
    if (s == "2") return "\"STO UNSENT\"";
    if (s == "3") return "\"STO SENT\"";
    if (s == "4") return "\"ALL\"";
    return s;
}

std::string foldLineBreaks(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return out;
}

namespace {

// A listed message, and where it belongs when it is a part of a longer one.
struct Listed {
    td::sms::SmsRecord record;
    gsmcodec::PartInfo part;
};

// The header of a listed message after its prefix, in text mode
//   <index>,<stat>,<oa/da>[,<alpha>,<scts>...]   (stat quoted: "REC READ")
// and in PDU mode
//   <index>,<stat>,[<alpha>],<length>            (stat a number: 1)
struct Header {
    std::string index, status, number;
    std::vector<std::string> extra;  // text mode: the fields after the number, as answered
    bool pdu = false;
};

// Nothing for the answer to the range query ("+CMGL: (...)"). With ucs2 the
// number and the further fields of a text-mode header are UCS2 hex.
std::optional<Header> readHeader(std::string_view fields, bool ucs2) {
    td::FieldCursor c(fields);
    if (c.openList()) return std::nullopt;
    // A field the typed read cannot take (a quote left open) as written.
    auto next = [&c] {
        if (auto t = c.text()) return *t;
        return unquote(c.raw(true).value_or(""));
    };
    Header h;
    h.index = next();
    td::FieldCursor probe = c;
    if (std::optional<std::string> stat = probe.token(); stat && !stat->empty()) {
        h.pdu = true;
        h.status = unquote(pduStatusText(*stat));
        return h;
    }
    h.status = next();
    if (std::optional<std::string> number = c.string())
        h.number = ucs2 ? ucs2FieldText(*number) : *number;
    else
        h.number = unquote(c.raw(true).value_or(""));
    while (c.moreFields()) {
        std::string f = td::trim(c.raw(true).value_or(""));
        h.extra.push_back(ucs2 ? decodeUcs2Fields(f) : f);
    }
    return h;
}

Listed recordFromPdu(const Header& h, const std::string& pdu) {
    Listed l;
    td::sms::SmsRecord& r = l.record;
    r.index = h.index;
    r.status = h.status;
    auto decoded = gsmcodec::decodePdu(pdu);
    if (!decoded) {
        r.text = pdu;
        return l;
    }
    const gsmcodec::Sms& sms = decoded->sms;
    r.number = td::utf8ToCp1251(sms.number);
    if (sms.deliver) r.extra = {"", "\"" + sms.timestamp + "\""};
    r.text = gsmcodec::textCp1251(sms);
    l.part = sms.part;
    return l;
}

// The text of a text-mode part whose phone shows the user data header
// (+CSDH=1): the whole user data as hex, a concatenation element first
// (05 00 03 <ref> <count> <seq>, or 06 08 04 <ref16> <count> <seq>), then the
// text as UCS2 hex or one hex pair per 7-bit character. Nothing for any
// other text.
std::optional<std::pair<gsmcodec::PartInfo, std::string>> textPart(std::string_view body) {
    body = td::trimView(body);
    auto octets = gsmcodec::fromHex(body);
    if (!octets || octets->size() < 6) return std::nullopt;
    const auto& o = *octets;
    gsmcodec::PartInfo part;
    size_t header = 0;
    if (o[0] == 0x05 && o[1] == 0x00 && o[2] == 0x03) {
        part = {o[3], o[4], o[5]};
        header = 6;
    } else if (o.size() >= 7 && o[0] == 0x06 && o[1] == 0x08 && o[2] == 0x04) {
        part = {o[3] * 256 + o[4], o[5], o[6], true};
        header = 7;
    } else {
        return std::nullopt;
    }
    if (part.count < 1 || part.seq < 1 || part.seq > part.count) return std::nullopt;
    std::string_view rest = body.substr(header * 2);
    if (rest.size() % 4 == 0)
        if (auto ucs2 = gsmcodec::cp1251::fromUcs2HexStrict(rest)) return {{part, *ucs2}};
    std::vector<uint8_t> septets(o.begin() + static_cast<long>(header), o.end());
    for (uint8_t c : septets)
        if (c > 0x7F) return std::nullopt;
    return {{part, gsmcodec::cp1251Encode(gsmcodec::fromGsm7Septets(septets))}};
}

// Bytes of the GSM alphabet as Windows-1251 text; nothing when a byte is
// outside the alphabet's 7 bits.
std::optional<std::string> fromGsmBytes(std::string_view bytes) {
    std::vector<uint8_t> septets;
    for (unsigned char c : bytes) {
        if (c > 0x7F) return std::nullopt;
        septets.push_back(c);
    }
    return gsmcodec::cp1251Encode(gsmcodec::fromGsm7Septets(septets));
}

Listed recordFromText(const Header& h, const std::string& text, bool ucs2, bool gsm) {
    Listed l;
    td::sms::SmsRecord& r = l.record;
    r.index = h.index;
    r.status = h.status;
    r.number = h.number;
    r.extra = h.extra;
    r.text = text;
    if (auto part = textPart(text)) {
        l.part = part->first;
        r.text = part->second;
    } else if (ucs2) {
        if (auto d = gsmcodec::cp1251::fromUcs2Hex(r.text)) r.text = *d;
    } else if (auto d = gsmcodec::cp1251::fromUcs2HexStrict(r.text)) {
        // A message coded in UCS2 is listed as hex in any character set. Take
        // it as such only when it holds a non-Latin letter: a Latin text
        // would have been sent in the 7-bit alphabet.
        bool hex = false;
        for (unsigned char c : *d) hex = hex || c >= 0x80;
        if (hex) r.text = *d;
        if (!hex && gsm)
            if (auto g = fromGsmBytes(r.text)) r.text = *g;
    } else if (gsm) {
        if (auto g = fromGsmBytes(r.text)) r.text = *g;
    }
    return l;
}

std::string missingPart(int seq, int count) {
    return td::W("[часть ") + std::to_string(seq) + td::W(" из ") + std::to_string(count) +
           td::W(" отсутствует]");
}

// Parts of one longer message (same correspondent, reference and part count,
// both received or both stored) become one record where the first of them is
// listed: its index and status, the texts in part order, a missing part
// marked as such, and the indexes of the parts shown, in part order.
std::vector<std::string> joinParts(std::string_view prefix, const std::vector<Listed>& listed) {
    auto key = [](const Listed& l) {
        return l.record.number + '\x01' + std::to_string(l.part.ref) + '\x01' +
               std::to_string(l.part.count) + (l.part.wide ? "w" : "n") +
               (l.record.status.starts_with("REC") ? "r" : "s");
    };
    auto isPart = [](const Listed& l) { return l.part.ref >= 0 && l.part.count > 1; };
    std::map<std::string, std::vector<const Listed*>> groups;
    for (const Listed& l : listed)
        if (isPart(l)) groups[key(l)].push_back(&l);
    std::vector<std::string> out;
    for (const Listed& l : listed) {
        if (!isPart(l)) {
            out.push_back(td::sms::writeSmsRecord(prefix, l.record));
            continue;
        }
        const auto& group = groups[key(l)];
        if (group.front() != &l) continue;  // joined where the first part stands
        td::sms::SmsRecord joined = l.record;
        joined.text.clear();
        for (int seq = 1; seq <= l.part.count; ++seq) {
            const Listed* found = nullptr;
            for (const Listed* p : group)
                if (p->part.seq == seq && !found) found = p;
            joined.text += found ? found->record.text : missingPart(seq, l.part.count);
            if (found) joined.parts.push_back(found->record.index);
        }
        if (joined.parts.size() < 2) joined.parts.clear();  // nothing else to delete
        out.push_back(td::sms::writeSmsRecord(prefix, joined));
    }
    return out;
}

}  // namespace

std::vector<std::string> buildSmsRecords(const std::vector<std::string>& lines,
                                         std::string_view prefix, bool ucs2, bool gsm) {
    std::vector<Listed> listed;
    const std::string head = td::upperAscii(prefix) + ":";
    Header header;
    std::vector<std::string> body;
    bool open = false;

    auto flush = [&] {
        if (!open) return;
        open = false;
        // Trailing empty lines belong to the answer's layout, not to the text.
        while (!body.empty() && td::trimView(body.back()).empty()) body.pop_back();
        if (header.pdu) {
            std::string pdu;
            for (const auto& b : body) pdu += td::trimView(b);
            listed.push_back(recordFromPdu(header, pdu));
        } else {
            std::string text;
            for (size_t k = 0; k < body.size(); ++k) {
                if (k) text += ' ';
                text += body[k];
            }
            listed.push_back(recordFromText(header, text, ucs2, gsm));
        }
        body.clear();
    };

    for (const auto& line : lines) {
        if (td::upperAscii(td::trimView(line)).starts_with(head)) {
            flush();
            std::string_view rest = td::trimView(line);
            rest.remove_prefix(head.size());
            std::optional<Header> h = readHeader(rest, ucs2);
            if (!h) continue;  // the range query's answer is no message
            header = std::move(*h);
            open = true;
        } else if (open) {
            body.push_back(line);
        }
    }
    flush();
    return joinParts(prefix, listed);
}

}  // namespace celltalk

namespace celltalk {

namespace {

struct CodeText {
    int code;
    const char* text;  // UTF-8
};

// 3GPP 27.007 (+CME ERROR), with the busy code several makers use beside it.
constexpr CodeText kCmeErrors[] = {
    {0, "сбой телефона"},
    {1, "нет связи с телефоном"},
    {3, "операция не разрешена"},
    {4, "операция не поддерживается"},
    {5, "нужен PIN телефона"},
    {10, "SIM-карта не вставлена"},
    {11, "нужен PIN SIM-карты"},
    {12, "нужен PUK SIM-карты"},
    {13, "сбой SIM-карты"},
    {14, "SIM-карта занята, повторите позже"},
    {15, "неверная SIM-карта"},
    {16, "неверный пароль"},
    {17, "нужен PIN2"},
    {18, "нужен PUK2"},
    {20, "память заполнена"},
    {21, "неверный номер ячейки памяти"},
    {22, "не найдено"},
    {23, "сбой памяти"},
    {24, "слишком длинный текст"},
    {25, "недопустимые символы в тексте"},
    {26, "слишком длинный номер"},
    {27, "недопустимые символы в номере"},
    {30, "нет сети"},
    {31, "сеть не ответила вовремя"},
    {32, "сеть не разрешена, только экстренные вызовы"},
    {100, "неизвестная ошибка"},
    {515, "телефон занят (SIM-карта), повторите позже"},
};

// 3GPP 27.005 (+CMS ERROR); 0 ... 255 are causes given by the network.
constexpr CodeText kCmsErrors[] = {
    {300, "сбой телефона"},
    {301, "служба SMS телефона занята"},
    {302, "операция не разрешена"},
    {303, "операция не поддерживается"},
    {304, "неверный параметр режима PDU"},
    {305, "неверный параметр текстового режима"},
    {310, "SIM-карта не вставлена"},
    {311, "нужен PIN SIM-карты"},
    {312, "нужен PIN телефона"},
    {313, "сбой SIM-карты"},
    {314, "SIM-карта занята, повторите позже"},
    {315, "неверная SIM-карта"},
    {316, "нужен PUK SIM-карты"},
    {317, "нужен PIN2"},
    {318, "нужен PUK2"},
    {320, "сбой памяти"},
    {321, "неверный номер ячейки памяти"},
    {322, "память заполнена"},
    {330, "неизвестен адрес SMS-центра"},
    {331, "нет сети"},
    {332, "сеть не ответила вовремя"},
    {340, "подтверждение +CNMA не ожидалось"},
    {500, "неизвестная ошибка"},
};

// The number after "+CME ERROR:" / "+CMS ERROR:"; -1 when there is none
// (a phone in verbose mode gives the text instead).
int errorCode(std::string_view up, std::string_view head) {
    td::FieldCursor c(up);
    if (!c.skipPrefix(head)) return -1;
    std::optional<long long> code = c.number();
    return code && *code >= 0 && *code <= 999999 && c.atEnd() ? static_cast<int>(*code) : -1;
}

}  // namespace

std::string errorMeaning(std::string_view finalLine) {
    const std::string up = td::upperAscii(td::trimView(finalLine));
    auto find = [](const auto& table, int code) -> std::string {
        for (const auto& e : table)
            if (e.code == code) return td::W(e.text);
        return {};
    };
    if (int c = errorCode(up, "+CME ERROR:"); c >= 0) return find(kCmeErrors, c);
    if (int c = errorCode(up, "+CMS ERROR:"); c >= 0) {
        if (c < 256) return td::W("отказ сети (причина ") + std::to_string(c) + ")";
        return find(kCmsErrors, c);
    }
    if (up == "ERROR") return td::W("команда отвергнута");
    if (up == "COMMAND NOT SUPPORT") return td::W("команда не поддерживается");
    if (up == "TOO MANY PARAMETERS") return td::W("слишком много параметров");
    if (up == "NO DIALTONE") return td::W("нет готовности к набору");
    if (up == "BUSY" || up == "NO ANSWER") return td::W("команда не выполнена");
    return {};
}

bool phoneBusy(std::string_view finalLine) {
    const std::string up = td::upperAscii(td::trimView(finalLine));
    int cme = errorCode(up, "+CME ERROR:");
    return cme == 14 || cme == 515 || errorCode(up, "+CMS ERROR:") == 314;
}

}  // namespace celltalk
