#include "state.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "charset.h"
#include "quirks.h"

namespace phonesim {
namespace {

std::string quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

// Splits a record line into words and quoted strings (quotes removed,
// escapes resolved). nullopt when a quoted string is not closed.
std::optional<std::vector<std::string>> tokens(std::string_view line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        std::string tok;
        if (c == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size()) {
                    char e = line[i++];
                    tok += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
                } else {
                    tok += d;
                }
            }
            if (!closed) return std::nullopt;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') tok += line[i++];
        }
        out.push_back(tok);
    }
    return out;
}

std::optional<int> toInt(const std::string& s) {
    if (s.empty()) return std::nullopt;
    size_t pos = 0;
    try {
        int v = std::stoi(s, &pos);
        if (pos != s.size()) return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

void addEntry(PhoneBook& book, int index, std::string number, std::string name,
              std::string time = {}) {
    PbEntry e;
    e.type = numberType(number);
    e.number = std::move(number);
    e.name = std::move(name);
    e.time = std::move(time);
    book.entries[index] = e;
}

std::string callStamp() {
    char buf[32];
    std::time_t now = std::time(nullptr);
    std::strftime(buf, sizeof buf, "%Y/%m/%d,%H:%M", std::localtime(&now));
    return buf;
}

void addSms(SmsStore& store, int index, SmsStatus status, std::string number, std::string time,
            std::string text) {
    Sms m;
    m.status = status;
    m.number = std::move(number);
    m.time = std::move(time);
    m.coding = gsmcodec::fitsGsm7(gsmcodec::utf8Decode(text)) ? SmsCoding::Gsm7 : SmsCoding::Ucs2;
    m.text = std::move(text);
    store.messages[index] = m;
}

}  // namespace

const char* statusText(SmsStatus s) {
    switch (s) {
        case SmsStatus::RecUnread:
            return "REC UNREAD";
        case SmsStatus::RecRead:
            return "REC READ";
        case SmsStatus::StoUnsent:
            return "STO UNSENT";
        case SmsStatus::StoSent:
            return "STO SENT";
    }
    return "";
}

std::optional<SmsStatus> statusFromText(std::string_view text) {
    for (int i = 0; i < 4; ++i)
        if (text == statusText(static_cast<SmsStatus>(i))) return static_cast<SmsStatus>(i);
    return std::nullopt;
}

int numberType(std::string_view number) {
    return !number.empty() && number[0] == '+' ? 145 : 129;
}

std::string nameForNumber(const State& state, std::string_view number) {
    for (const char* id : {"SM", "ME"}) {
        auto it = state.books.find(id);
        if (it == state.books.end()) continue;
        for (const auto& [index, e] : it->second.entries)
            if (e.number == number) return e.name;
    }
    return {};
}

void addCall(State& state, const std::string& list, const std::string& number) {
    PhoneBook& book = state.books[list];
    std::map<int, PbEntry> moved;
    for (auto& [index, e] : book.entries)
        if (index + 1 <= book.capacity) moved[index + 1] = e;
    addEntry(book, 1, number, nameForNumber(state, number), callStamp());
    moved[1] = book.entries[1];
    book.entries = std::move(moved);
}

State seedState() {
    State s;
    s.manufacturer = "Motorola";
    s.model = "C650";
    s.revision = "R365_G_0B.D3.08R";
    s.imei = "351234567890123";
    s.imsi = "250991234567890";
    s.smsc = "+79168999100";
    s.operatorName = "MegaFon";
    s.ussdBalance = "Баланс: 123,45 р.";
    s.volume = 4;
    s.batteryCharging = 0;
    s.batteryLevel = 85;
    s.rssi = 21;
    s.ber = 99;
    s.autoDelete = 1;
    s.nextMessageRef = 12;

    PhoneBook& sm = s.books["SM"];
    sm.capacity = 100;
    addEntry(sm, 1, "+79161234567", "Анна-Мария");
    addEntry(sm, 2, "+79031112233", "Иван Петров");
    addEntry(sm, 3, "+74951234567", "John Smith");
    addEntry(sm, 4, "89265554433", "Мама");
    addEntry(sm, 5, "+79857776655", "Office");
    addEntry(sm, 6, "+380441234567", "Олег");
    addEntry(sm, 8, "+12025550123", "Mike O'Neil");
    PhoneBook& me = s.books["ME"];
    me.capacity = 500;
    addEntry(me, 1, "+74957654321", "Дом");
    addEntry(me, 2, "+79991234567", "Taxi");
    for (const char* id : {"MC", "RC", "DC"}) s.books[id].capacity = 10;
    addEntry(s.books["MC"], 1, "+79031112233", "Иван Петров", "2025/06/03,09:12");
    addEntry(s.books["MC"], 2, "+79994445566", "", "2025/06/02,21:40");
    addEntry(s.books["MC"], 3, "+79161234567", "Анна-Мария", "2025/05/31,08:05");
    addEntry(s.books["RC"], 1, "+79857776655", "Office", "2025/06/01,14:30");
    addEntry(s.books["DC"], 1, "+79161234567", "Анна-Мария", "2025/06/02,19:00");
    addEntry(s.books["DC"], 2, "+74951234567", "John Smith", "2025/05/30,11:15");

    SmsStore& ssm = s.sms["SM"];
    ssm.capacity = 30;
    addSms(ssm, 1, SmsStatus::RecUnread, "+79161234567", "25/06/02,18:05:12+12",
           "Привет! Как дела?");
    addSms(ssm, 2, SmsStatus::RecUnread, "+12025550123", "25/06/03,09:41:00+12", "See you at 5pm");
    addSms(ssm, 3, SmsStatus::RecRead, "+79031112233", "25/05/30,12:00:45+12",
           "Встреча перенесена на завтра");
    addSms(ssm, 4, SmsStatus::RecRead, "+79857776655", "25/05/29,16:20:03+12",
           "Meeting moved to room 204");
    addSms(ssm, 5, SmsStatus::StoSent, "+79161234567", "", "Hi Anna, call me back");
    addSms(ssm, 6, SmsStatus::StoSent, "+79031112233", "", "Хорошо, до завтра");
    addSms(ssm, 7, SmsStatus::StoUnsent, "+12025550123", "", "Draft: bring the documents");
    SmsStore& sme = s.sms["ME"];
    sme.capacity = 100;
    addSms(sme, 1, SmsStatus::RecRead, "+79990001122", "25/05/20,08:00:00+12", "Баланс: 150 руб.");

    s.datebookCapacity = 500;
    s.datebook[1] = {"Встреча с Олегом", 1, 1, "10:00", "06-15-2025", 60, "09:45", "06-15-2025", 0};
    s.datebook[2] = {"Birthday Anna", 0, 1, "00:00", "07-02-2025", 1440, "09:00", "07-02-2025", 5};
    s.datebook[3] = {"Планёрка", 1, 0, "09:30", "06-16-2025", 30, "09:30", "06-16-2025", 2};
    s.datebook[4] = {"Pay the rent", 0, 1, "00:00", "06-25-2025", 0, "12:00", "06-25-2025", 3};
    return s;
}

std::string serializeState(const State& s) {
    std::ostringstream o;
    o << "# Simulated phone state (UTF-8). Strings are in double quotes with \\\" and \\\\\n"
         "# escaped. Phone book: index number type name [time]. SMS: index status number time\n"
         "# coding text. Date book: index title timed alarm time date duration\n"
         "# alarm-time alarm-date repeat.\n\n";
    o << "[phone]\n";
    o << "manufacturer " << quote(s.manufacturer) << "\n";
    o << "model " << quote(s.model) << "\n";
    o << "revision " << quote(s.revision) << "\n";
    o << "imei " << quote(s.imei) << "\n";
    o << "imsi " << quote(s.imsi) << "\n";
    o << "smsc " << quote(s.smsc) << "\n";
    o << "operator " << quote(s.operatorName) << "\n";
    o << "ussd-balance " << quote(s.ussdBalance) << "\n";
    o << "volume " << s.volume << "\n";
    o << "battery " << s.batteryCharging << " " << s.batteryLevel << "\n";
    o << "signal " << s.rssi << " " << s.ber << "\n";
    o << "autodelete " << s.autoDelete << "\n";
    o << "next-message-ref " << s.nextMessageRef << "\n";
    if (s.profile != "generic") o << "profile " << s.profile << "\n";
    for (const auto& [name, value] : s.quirks) o << "quirk " << name << " " << value << "\n";
    if (s.network != 1) o << "network " << s.network << "\n";
    if (s.delivery != "none") o << "delivery " << s.delivery << " " << s.deliveryDelayMs << "\n";
    for (const auto& [id, book] : s.books) {
        o << "\n[phonebook " << id << " " << book.capacity << "]\n";
        for (const auto& [index, e] : book.entries) {
            o << index << " " << quote(e.number) << " " << e.type << " " << quote(e.name);
            if (!e.time.empty()) o << " " << quote(e.time);
            o << "\n";
        }
    }
    for (const auto& [id, store] : s.sms) {
        o << "\n[sms " << id << " " << store.capacity << "]\n";
        for (const auto& [index, m] : store.messages) {
            o << index << " " << quote(statusText(m.status)) << " " << quote(m.number) << " "
              << quote(m.time) << " " << (m.coding == SmsCoding::Ucs2 ? "ucs2" : "gsm") << " "
              << quote(m.text);
            if (m.part.ref >= 0)
                o << " part " << m.part.ref << " " << m.part.count << " " << m.part.seq << " "
                  << (m.part.wide ? 16 : 8);
            o << "\n";
        }
    }
    o << "\n[datebook " << s.datebookCapacity << "]\n";
    for (const auto& [index, e] : s.datebook)
        o << index << " " << quote(e.title) << " " << e.timed << " " << e.alarm << " "
          << quote(e.time) << " " << quote(e.date) << " " << e.duration << " " << quote(e.alarmTime)
          << " " << quote(e.alarmDate) << " " << e.repeat << "\n";
    return o.str();
}

std::optional<State> parseState(std::string_view text, std::string* error) {
    State s;
    std::string section;
    std::string sectionId;
    int lineNo = 0;
    auto fail = [&](const std::string& why) -> std::optional<State> {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        if (line[first] == '[') {
            size_t close = line.find(']', first);
            if (close == std::string::npos) return fail("unclosed section header");
            auto head = tokens(line.substr(first + 1, close - first - 1));
            if (!head || head->empty()) return fail("empty section header");
            section = (*head)[0];
            if (section == "phone") continue;
            if (section == "datebook") {
                if (head->size() != 2 || !toInt((*head)[1])) return fail("bad datebook header");
                s.datebookCapacity = *toInt((*head)[1]);
                continue;
            }
            if ((section != "phonebook" && section != "sms") || head->size() != 3 ||
                !toInt((*head)[2]))
                return fail("unknown section " + section);
            sectionId = (*head)[1];
            if (section == "phonebook")
                s.books[sectionId].capacity = *toInt((*head)[2]);
            else
                s.sms[sectionId].capacity = *toInt((*head)[2]);
            continue;
        }
        auto t = tokens(line);
        if (!t) return fail("unclosed string");
        const auto& v = *t;
        if (section == "phone") {
            const std::string& key = v[0];
            auto str = [&](std::string& field) {
                if (v.size() != 2) return false;
                field = v[1];
                return true;
            };
            auto ints = [&](std::initializer_list<int*> fields) {
                if (v.size() != fields.size() + 1) return false;
                size_t i = 1;
                for (int* f : fields) {
                    auto n = toInt(v[i++]);
                    if (!n) return false;
                    *f = *n;
                }
                return true;
            };
            bool ok = key == "manufacturer"       ? str(s.manufacturer)
                      : key == "model"            ? str(s.model)
                      : key == "revision"         ? str(s.revision)
                      : key == "imei"             ? str(s.imei)
                      : key == "imsi"             ? str(s.imsi)
                      : key == "smsc"             ? str(s.smsc)
                      : key == "operator"         ? str(s.operatorName)
                      : key == "ussd-balance"     ? str(s.ussdBalance)
                      : key == "volume"           ? ints({&s.volume})
                      : key == "battery"          ? ints({&s.batteryCharging, &s.batteryLevel})
                      : key == "signal"           ? ints({&s.rssi, &s.ber})
                      : key == "autodelete"       ? ints({&s.autoDelete})
                      : key == "next-message-ref" ? ints({&s.nextMessageRef})
                      : key == "profile"          ? str(s.profile) && knownProfile(s.profile)
                      : key == "quirk"            ? v.size() == 3 && knownQuirk(v[1]) && toInt(v[2])
                      : key == "network"          ? ints({&s.network})
                      : key == "delivery"
                          ? (v.size() == 2 || v.size() == 3) &&
                                (v[1] == "ok" || v[1] == "fail" || v[1] == "none") &&
                                (v.size() == 2 || toInt(v[2]))
                          : false;
            if (ok && key == "quirk") s.quirks[v[1]] = *toInt(v[2]);
            if (ok && key == "delivery") {
                s.delivery = v[1];
                s.deliveryDelayMs = v.size() == 3 ? *toInt(v[2]) : 0;
            }
            if (!ok) return fail("bad phone setting " + key);
        } else if (section == "phonebook") {
            auto index = toInt(v[0]);
            auto type = v.size() == 4 || v.size() == 5 ? toInt(v[2]) : std::nullopt;
            if (!index || !type) return fail("bad phone book record");
            s.books[sectionId].entries[*index] = {v[1], *type, v[3], v.size() == 5 ? v[4] : ""};
        } else if (section == "sms") {
            auto index = toInt(v[0]);
            auto status = v.size() == 6 || v.size() == 11 ? statusFromText(v[1]) : std::nullopt;
            if (!index || !status || (v[4] != "gsm" && v[4] != "ucs2"))
                return fail("bad message record");
            Sms& m = s.sms[sectionId].messages[*index];
            m = {*status, v[2], v[3], v[4] == "ucs2" ? SmsCoding::Ucs2 : SmsCoding::Gsm7, v[5], {}};
            if (v.size() == 11) {
                // "part <ref> <count> <seq> <8|16>": a part of a longer message.
                auto ref = toInt(v[7]), count = toInt(v[8]), seq = toInt(v[9]), bits = toInt(v[10]);
                if (v[6] != "part" || !ref || !count || !seq || !bits ||
                    (*bits != 8 && *bits != 16) || *ref < 0 ||
                    *ref > (*bits == 8 ? 0xFF : 0xFFFF) || *count < 1 || *count > 255 || *seq < 1 ||
                    *seq > *count)
                    return fail("bad message part");
                m.part = {*ref, *count, *seq, *bits == 16};
            }
        } else if (section == "datebook") {
            if (v.size() != 10) return fail("bad date book record");
            auto index = toInt(v[0]), timed = toInt(v[2]), alarm = toInt(v[3]),
                 duration = toInt(v[6]), repeat = toInt(v[9]);
            if (!index || !timed || !alarm || !duration || !repeat)
                return fail("bad date book record");
            s.datebook[*index] = {v[1], *timed, *alarm, v[4], v[5], *duration, v[7], v[8], *repeat};
        } else {
            return fail("record outside a section");
        }
    }
    return s;
}

std::optional<State> loadStateFile(const std::string& path, std::string* error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        if (error) *error = "cannot open " + path;
        return std::nullopt;
    }
    std::ostringstream data;
    data << f.rdbuf();
    return parseState(data.str(), error);
}

bool saveStateFile(const std::string& path, const State& state) {
    std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) return false;
        f << serializeState(state);
        f.flush();
        if (!f) return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace phonesim
