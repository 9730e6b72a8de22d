#include "app/backup.h"

#include <signal.h>

#include <algorithm>
#include <ctime>

#include "datebook/mdblogic.h"
#include "engine/launcher.h"
#include "engine/phonenumber.h"
#include "engine/readcycle.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "engine/texthelpers.h"
#include "exchange/csv.h"
#include "exchange/icalbook.h"
#include "exchange/smscsv.h"
#include "exchange/vcard.h"
#include "formats/mdbrecord.h"
#include "formats/smslistfile.h"
#include "formats/smsrecord.h"
#include "phonebook/pbparser.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/gsm7.h"
#include "platform/process.h"
#include "platform/runmarker.h"
#include "platform/services.h"
#include "platform/sha256.h"

namespace td::backup {

const std::string ManifestName = "manifest.txt";

namespace {

const std::string BatchName = "@Backup.txt";

bool isCommand(const std::string& line) {
    return startsWithNoCase(trimView(line), "at");
}

// The fields after "prefix:", split at commas outside quotes and brackets,
// each trimmed and without its quotes.
std::vector<std::string> answerFields(const std::string& line) {
    std::vector<std::string> out;
    size_t colon = line.find(':');
    if (colon == std::string::npos) return out;
    std::string cur;
    bool quoted = false;
    int depth = 0;
    for (char c : line.substr(colon + 1) + ",") {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '(') ++depth;
        if (!quoted && c == ')') --depth;
        if (c == ',' && !quoted && depth == 0) {
            std::string f = trim(cur);
            if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
            out.push_back(f);
            cur.clear();
        } else {
            cur += c;
        }
    }
    return out;
}

int number(const std::string& text, int fallback = 0) {
    auto n = parseWhole(trim(text));
    return n && *n >= 0 && *n < 1000000 ? static_cast<int>(*n) : fallback;
}

// "(1-250)" -> 250.
int rangeEnd(const std::string& range) {
    size_t dash = range.rfind('-');
    if (dash == std::string::npos) return 0;
    return number(StripEndChars(range.substr(dash + 1), ')'));
}

// The memory a set command chose ("at+cpbs=\"ME\"" -> ME).
std::string chosenMemory(const std::string& cmd) {
    size_t open = cmd.find('"');
    size_t close = open == std::string::npos ? open : cmd.find('"', open + 1);
    return close == std::string::npos ? "" : upperAscii(cmd.substr(open + 1, close - open - 1));
}

std::string commandIs(const std::string& cmd) {
    return upperAscii(trim(cmd));
}

const std::vector<std::string> BookMemories = {"SM", "ME"};
const std::vector<std::string> StoreMemories = {"SM", "ME"};

std::string q(const std::string& s) {
    return "\"" + s + "\"";
}

std::vector<std::string> smsPrefixes() {
    return {prog().PrefixSmsList, prog().PrefixMotoSmsList};
}

// One of the phone's messages as a restore compares it: a received message
// stays the same message when it has been read since.
std::string messageKey(const sms::SmsFields& m) {
    std::string status = trim(m.status, " \"");
    if (startsWithNoCase(status, "REC")) status = "REC";
    return status + '\x01' + phoneMatchKey(m.number) + '\x01' + m.text;
}

std::string entryKey(const PBRecord& r) {
    return r.name + '\x01' + phoneMatchKey(r.number);
}

// A multiset of keys: take() consumes one when there.
struct Keys {
    std::map<std::string, int> n;
    void add(const std::string& k) { ++n[k]; }
    bool take(const std::string& k) {
        auto it = n.find(k);
        if (it == n.end() || it->second == 0) return false;
        --it->second;
        return true;
    }
};

std::u32string unicodeOf(const std::string& cp1251) {
    std::u32string out;
    for (unsigned char c : cp1251) out += cp1251ToUnicode(c);
    return out;
}

// How many stored parts a text takes, split as the engine splits it.
int partsOf(const std::string& text) {
    const std::u32string chars = unicodeOf(text);
    const bool gsm = fitsGsm7(chars);
    size_t total = gsm ? toGsm7Septets(chars).size() : 2 * cp1251ToUtf16(text).size();
    const size_t single = gsm ? 160 : 140, perPart = gsm ? 153 : 134;
    if (total <= single) return 1;
    int parts = 1;
    size_t used = 0;
    for (char32_t c : chars) {
        size_t cost = gsm ? toGsm7Septets(std::u32string(1, c)).size() : c > 0xFFFF ? 4 : 2;
        if (used + cost > perPart) {
            ++parts;
            used = 0;
        }
        used += cost;
    }
    return parts;
}

std::string ucs2Hex(const std::string& cp1251) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char16_t u : cp1251ToUtf16(cp1251))
        for (int s = 12; s >= 0; s -= 4) out += digits[(u >> s) & 0xF];
    return out;
}

// The phone's time of a message with its zone ("25/06/02,18:05:12+12"), as
// the record's further fields give it; empty when none.
std::string rawTime(const std::string& line) {
    const std::string shown = sms::recordTime(line);  // "25/06/02 18:05:12"
    if (shown.size() < 17) return {};
    std::string stamp = shown;
    stamp[8] = ',';
    size_t at = line.find(stamp);
    if (at == std::string::npos) return {};
    size_t end = line.find('"', at);
    return end == std::string::npos ? stamp : line.substr(at, end - at);
}

int statusCode(const std::string& quoted) {
    const std::string s = upperAscii(trim(quoted, " \""));
    const char* names[] = {"REC UNREAD", "REC READ", "STO UNSENT", "STO SENT"};
    for (int i = 0; i < 4; ++i)
        if (s == names[i]) return i;
    return -1;
}

std::string messageName(const sms::SmsFields& m) {
    std::string text = m.text.size() > 30 ? m.text.substr(0, 30) + "..." : m.text;
    return W("SMS ") + m.number + ": " + text;
}

std::string entryName(const PBRecord& r) {
    return r.name + " (" + r.number + ")";
}

std::vector<std::string> eventLines(const PhoneContent& c) {
    std::vector<std::string> out;
    for (const auto& l : c.dateBook)
        if (readMdbRecord(l, prog().PrefixDateBook)) out.push_back(l);
    return out;
}

std::string manifestValue(const Manifest& m, const std::string& key) {
    auto it = m.values.find(key);
    return it == m.values.end() ? "" : it->second;
}

std::vector<std::string> readLinesOf(const std::string& path) {
    std::vector<std::string> lines;
    files::readLines(path, lines);
    return lines;
}

std::string engineFailure(int code) {
    if (code == Stopped) return W("- Остановлено: чтение телефона не закончено");
    std::vector<std::string> err = readLinesOf(startPath(EngineErrorName));
    std::string reason = err.empty() ? "" : EngineReason(err);
    return W("- Программа ") + EngineExeName + W(" не выполнила чтение телефона (код ") +
           std::to_string(code) + ")" + (reason.empty() ? "" : ": " + reason);
}

// Reads the phone: the probe, then everything it found.
std::optional<std::pair<PhoneInfo, PhoneContent>> readPhone(const RunBatch& run, const Say& say,
                                                            std::string& failure) {
    say(W("Опрос телефона..."));
    int rc = run(probeBatch());
    if (rc != 0) {
        failure = engineFailure(rc);
        return std::nullopt;
    }
    PhoneInfo info = readProbe(readLinesOf(autoRunPath(prog().LogFile)));
    if (info.books.empty() && info.stores.empty() && !info.dateBook) {
        failure = W("- Телефон не дал ни телефонной книги, ни SMS, ни ежедневника");
        return std::nullopt;
    }
    say(W("Телефон: ") + info.maker + " " + info.model + W(", серийный номер ") + info.serial);
    say(W("Чтение телефона..."));
    rc = run(readBatch(info));
    if (rc != 0) {
        failure = engineFailure(rc);
        return std::nullopt;
    }
    PhoneContent content = readContent(info, readLinesOf(autoRunPath(prog().PBFile)),
                                       readLinesOf(autoRunPath(prog().SMSFile)),
                                       readLinesOf(autoRunPath(prog().MDBFile)));
    return std::make_pair(std::move(info), std::move(content));
}

}  // namespace

std::vector<Exchange> logExchanges(const std::vector<std::string>& log) {
    std::vector<Exchange> out;
    for (const std::string& raw : log) {
        std::string line = trim(raw, " \t\r\n");
        if (line.empty() || line[0] == '~') continue;
        if (isCommand(line)) {
            out.push_back({line, {}, false});
        } else if (!out.empty()) {
            if (line == "OK") out.back().ok = true;
            out.back().lines.push_back(line);
        }
    }
    return out;
}

std::vector<std::string> probeBatch() {
    std::vector<std::string> b = {"at+cgmi", "at+cgmm", "at+cgsn"};
    for (const std::string& m : {std::string("SM"), std::string("ME"), std::string("MC")}) {
        b.push_back("at+cpbs=" + q(m));
        b.push_back("at+cpbs?");
        b.push_back("at+cpbr=?");
    }
    for (const std::string& m : StoreMemories) b.push_back("at+cpms=" + q(m) + "," + q(m));
    for (const char* c : {"at+mdbl=1", "at+mdbr=?", "at+mdbl=0"}) b.push_back(c);
    return b;
}

PhoneInfo readProbe(const std::vector<std::string>& log) {
    PhoneInfo info;
    std::optional<Memory> book;  // the phone book memory chosen last
    auto close = [&] {
        if (!book) return;
        if (book->name == "MC")
            info.missed = book;
        else
            info.books.push_back(*book);
        book.reset();
    };
    for (const Exchange& e : logExchanges(log)) {
        const std::string cmd = commandIs(e.command);
        const std::string first = e.lines.empty() ? "" : e.lines.front();
        auto value = [&] {
            return trim(first.substr(std::min(first.find(':') + 1, first.size())));
        };
        if (cmd == "AT+CGMI" && e.ok) info.maker = value();
        if (cmd == "AT+CGMM" && e.ok) info.model = value();
        if (cmd == "AT+CGSN" && e.ok) info.serial = value();
        if (cmd.starts_with("AT+CPBS=")) {
            close();
            if (e.ok) book = Memory{chosenMemory(cmd), -1, 0, 0};
        }
        if (book && cmd == "AT+CPBS?" && e.ok) {
            auto f = answerFields(first);
            if (f.size() >= 3) book->used = number(f[1], -1), book->places = number(f[2]);
        }
        if (book && cmd == "AT+CPBR=?" && e.ok) {
            auto f = answerFields(first);
            if (!f.empty() && rangeEnd(f[0]) > 0) book->places = rangeEnd(f[0]);
            if (f.size() >= 3) book->nameLength = number(f[2]);
        }
        if (cmd.starts_with("AT+CPMS=") && e.ok) {
            auto f = answerFields(first);
            if (f.size() >= 2)
                info.stores.push_back({chosenMemory(cmd), number(f[0], -1), number(f[1]), 0});
        }
        if (cmd == "AT+MDBR=?" && e.ok) {
            auto f = answerFields(first);
            if (f.size() >= 3)
                info.dateBook = Memory{"MDB", number(f[1], -1), number(f[0]), number(f[2])};
        }
    }
    close();
    std::erase_if(info.books, [](const Memory& m) {
        return m.places <= 0 ||
               std::find(BookMemories.begin(), BookMemories.end(), m.name) == BookMemories.end();
    });
    if (info.missed && info.missed->places <= 0) info.missed.reset();
    std::erase_if(info.stores, [](const Memory& m) { return m.places <= 0; });
    if (info.dateBook && info.dateBook->places <= 0) info.dateBook.reset();
    return info;
}

namespace {
// The memories a read reads, in the order of its commands.
std::vector<Memory> booksRead(const PhoneInfo& info) {
    std::vector<Memory> out;
    for (const Memory& m : info.books)
        if (m.used != 0) out.push_back(m);
    if (info.missed && info.missed->used != 0) out.push_back(*info.missed);
    return out;
}
std::vector<Memory> storesRead(const PhoneInfo& info) {
    std::vector<Memory> out;
    for (const Memory& m : info.stores)
        if (m.used != 0) out.push_back(m);
    return out;
}
}  // namespace

std::vector<std::string> readBatch(const PhoneInfo& info) {
    std::vector<std::string> b = {"at+cscs=\"UCS2\""};
    for (const Memory& m : booksRead(info)) {
        b.push_back("at+cpbs=" + q(m.name));
        b.push_back("at+cpbr=1," + std::to_string(m.places));
    }
    if (!storesRead(info).empty()) b.push_back("at+cmgf=0");
    for (const Memory& m : storesRead(info)) {
        b.push_back("at+cpms=" + q(m.name) + "," + q(m.name));
        b.push_back("at+cmgl=4");
    }
    if (info.dateBook && info.dateBook->used != 0)
        for (std::string c :
             {std::string("at+mdbl=1"), "at+mdbr=1," + std::to_string(info.dateBook->places),
              std::string("at+mdbad?"), std::string("at+mdbl=0")})
            b.push_back(c);
    return b;
}

PhoneContent readContent(const PhoneInfo& info, const std::vector<std::string>& pbFile,
                         const std::vector<std::string>& smsFile,
                         const std::vector<std::string>& mdbFile) {
    PhoneContent c;
    const std::vector<Memory> books = booksRead(info), stores = storesRead(info);
    for (const Memory& m : info.books) c.books[m.name];
    int at = -1;
    for (const std::string& line : pbFile) {
        if (isCommand(line)) {
            ++at;
            continue;
        }
        if (at < 0 || at >= static_cast<int>(books.size())) continue;
        auto r = parsePhoneBookLine(line, prog().PrefixPhoneBook);
        if (!r) continue;
        if (books[at].name == "MC")
            c.missed.push_back(*r);
        else
            c.books[books[at].name].push_back(*r);
    }
    at = -1;
    for (const std::string& line : smsFile) {
        if (isCommand(line)) {
            ++at;
            continue;
        }
        if (at >= 0 && at < static_cast<int>(stores.size()) &&
            sms::readSmsRecord(line, smsPrefixes()))
            c.sms[stores[at].name].push_back(line);
    }
    for (const std::string& line : mdbFile)
        if (readMdbRecord(line, prog().PrefixDateBook) ||
            readAutoDeleteText(line, prog().PrefixAutoDelete))
            c.dateBook.push_back(line);
    return c;
}

int messageCount(const PhoneContent& c) {
    int n = 0;
    for (const auto& [m, lines] : c.sms) n += static_cast<int>(lines.size());
    return n;
}

int eventCount(const PhoneContent& c) {
    return static_cast<int>(eventLines(c).size());
}

std::string writeManifest(const Manifest& m) {
    std::string out = "# Tapdeck backup\r\n";
    for (const auto& [k, v] : m.values) out += k + "=" + v + "\r\n";
    for (const auto& [k, v] : m.files) out += "sha256:" + k + "=" + v + "\r\n";
    return out;
}

std::optional<Manifest> readManifest(const std::string& text) {
    std::vector<std::string> lines;
    files::splitLines(text, lines);
    if (lines.empty() || trim(lines[0]) != "# Tapdeck backup") return std::nullopt;
    Manifest m;
    for (size_t i = 1; i < lines.size(); ++i) {
        size_t eq = lines[i].find('=');
        if (eq == std::string::npos) continue;
        std::string k = lines[i].substr(0, eq), v = trim(lines[i].substr(eq + 1));
        if (k.starts_with("sha256:"))
            m.files[k.substr(7)] = v;
        else
            m.values[k] = v;
    }
    return m;
}

std::string countsText(const PhoneContent& c) {
    std::string t;
    for (const auto& [m, rows] : c.books)
        t += W("телефонная книга ") + m + ": " + std::to_string(rows.size()) + ", ";
    t += W("SMS: ") + std::to_string(messageCount(c)) + ", ";
    t += W("события ежедневника: ") + std::to_string(eventCount(c));
    return t;
}

Outcome writeBackup(const std::string& dir, const PhoneInfo& info, const PhoneContent& content,
                    const std::string& made, const Say& say) {
    Outcome o;
    const std::string manifestPath = files::join(dir, ManifestName);
    if (!files::pathExists(dir) && !files::makeDir(dir)) {
        o.failure = W("- Не удаётся создать папку ") + dir;
        return o;
    }
    // An older backup's manifest would vouch for files this one replaces.
    if (files::pathExists(manifestPath) && !files::remove(manifestPath)) {
        o.failure = W("- Не удаётся удалить старый ") + manifestPath;
        return o;
    }
    Manifest m;
    auto put = [&](const std::string& name, const std::string& bytes) {
        int err = 0;
        if (!o.failure.empty()) return;
        if (!files::writeAll(files::join(dir, name), bytes, &err)) {
            o.failure = W("- Не удаётся записать файл ") + files::join(dir, name) + ": " +
                        unsavedReason(err);
            return;
        }
        m.files[name] = sha256Hex(bytes);
    };
    auto lines = [](const std::vector<std::string>& ls) {
        std::string out;
        for (const auto& l : ls) out += l + "\r\n";
        return out;
    };
    std::vector<std::string> names;  // the books' lines name the messages' numbers in the CSV
    for (const auto& [mem, rows] : content.books) {
        std::vector<std::string> own;
        for (const PBRecord& r : rows) own.push_back(recordLine(r));
        names.insert(names.end(), own.begin(), own.end());
        put("phonebook-" + mem + ".vcf", exchange::writeVCards(rows));
        put("phonebook-" + mem + ".txt", lines(own));
        m.values["PhoneBook." + mem] = std::to_string(rows.size());
        say(W("Телефонная книга ") + mem + ": " + std::to_string(rows.size()));
    }
    std::string missed = exchange::csvLine({"Number", "Name", "Time"});
    for (const PBRecord& r : content.missed)
        missed += exchange::csvLine({exchange::spreadsheetText(cp1251ToUtf8(r.number)),
                                     exchange::spreadsheetText(cp1251ToUtf8(r.name)),
                                     cp1251ToUtf8(r.time)});
    put("missed-calls.csv", "\xEF\xBB\xBF" + missed);
    m.values["MissedCalls"] = std::to_string(content.missed.size());
    say(W("Пропущенные вызовы: ") + std::to_string(content.missed.size()));
    std::vector<std::string> all;
    for (const auto& [mem, recs] : content.sms) {
        put("sms-" + mem + ".txt", lines(recs));
        all.insert(all.end(), recs.begin(), recs.end());
        m.values["Messages." + mem] = std::to_string(recs.size());
    }
    put("sms.csv", exchange::smsListCsv(all, smsPrefixes(), names));
    say(W("SMS: ") + std::to_string(all.size()));
    if (info.dateBook) {
        std::vector<MdbRecord> events;
        for (const auto& l : eventLines(content))
            events.push_back(*readMdbRecord(l, prog().PrefixDateBook));
        put("datebook.ics", exchange::writeICalendar(events, std::time(nullptr)).text);
        put("datebook.txt", lines(content.dateBook));
        m.values["Events"] = std::to_string(events.size());
        say(W("События ежедневника: ") + std::to_string(events.size()));
    }
    if (!o.failure.empty()) return o;
    m.values["Made"] = made;
    m.values["Maker"] = cp1251ToUtf8(info.maker);
    m.values["Model"] = cp1251ToUtf8(info.model);
    m.values["Serial"] = cp1251ToUtf8(info.serial);
    int err = 0;
    if (!files::writeAll(manifestPath, writeManifest(m), &err)) {
        o.failure = W("- Не удаётся записать файл ") + manifestPath + ": " + unsavedReason(err);
        return o;
    }
    o.ok = true;
    return o;
}

Loaded loadBackup(const std::string& dir) {
    Loaded l;
    std::string text;
    const std::string manifestPath = files::join(dir, ManifestName);
    if (!files::exists(manifestPath) || !files::readAll(manifestPath, text)) {
        l.failure = W("- В папке ") + dir + W(" нет файла ") + ManifestName +
                    W(": это не законченная резервная копия");
        return l;
    }
    auto m = readManifest(text);
    if (!m) {
        l.failure = W("- Файл ") + manifestPath + W(" - не опись резервной копии");
        return l;
    }
    l.manifest = *m;
    for (const auto& [name, sum] : m->files) {
        std::string bytes;
        if (name.find('/') != std::string::npos || !files::readAll(files::join(dir, name), bytes)) {
            l.failure = W("- Нет файла ") + files::join(dir, name) + W(" из описи копии");
            return l;
        }
        if (sha256Hex(bytes) != sum) {
            l.failure = W("- Контрольная сумма файла ") + files::join(dir, name) +
                        W(" не совпадает с описью: копия изменена или повреждена, "
                          "восстановление не начато");
            return l;
        }
    }
    for (const auto& [key, value] : m->values) {
        if (key.starts_with("PhoneBook.")) {
            const std::string mem = key.substr(10);
            auto& rows = l.content.books[mem];
            for (const auto& line : readLinesOf(files::join(dir, "phonebook-" + mem + ".txt")))
                rows.push_back(splitRecordLine(line));
        }
        if (key.starts_with("Messages.")) {
            const std::string mem = key.substr(9);
            l.content.sms[mem] = readLinesOf(files::join(dir, "sms-" + mem + ".txt"));
        }
    }
    if (m->files.count("datebook.txt"))
        l.content.dateBook = readLinesOf(files::join(dir, "datebook.txt"));
    return l;
}

Plan planRestore(const PhoneContent& backup, const PhoneInfo& target, const PhoneContent& now) {
    Plan plan;
    const Prog& p = prog();
    // Phone book: each memory into the same one, else into the first the phone has.
    std::map<std::string, std::vector<std::string>> bookWrites;
    std::map<std::string, int> room;
    std::map<std::string, Keys> there;
    for (const Memory& m : target.books) {
        const auto& rows = now.books.count(m.name) ? now.books.at(m.name) : std::vector<PBRecord>{};
        room[m.name] = m.places - static_cast<int>(rows.size());
        for (const auto& r : rows) there[m.name].add(entryKey(r));
        plan.wanted.books[m.name] = rows;
    }
    for (const auto& [mem, rows] : backup.books) {
        for (const PBRecord& r : rows) {
            std::string into = mem;
            if (!room.count(into)) into = target.books.empty() ? "" : target.books.front().name;
            if (into.empty()) {
                plan.refused.push_back(entryName(r) + W(": в телефоне нет телефонной книги"));
                continue;
            }
            const Memory& m = *std::find_if(target.books.begin(), target.books.end(),
                                            [&](const Memory& x) { return x.name == into; });
            if (there[into].take(entryKey(r))) {
                ++plan.skipped;
            } else if (r.name.find('"') != std::string::npos ||
                       r.number.find('"') != std::string::npos) {
                plan.refused.push_back(entryName(r) + W(": кавычка в имени или номере"));
            } else if (m.nameLength > 0 && r.name.size() > static_cast<size_t>(m.nameLength)) {
                plan.refused.push_back(entryName(r) + W(": имя длиннее ") +
                                       std::to_string(m.nameLength) +
                                       W(" знаков, которые даёт телефон"));
            } else if (room[into] <= 0) {
                plan.refused.push_back(entryName(r) + W(": нет места в памяти ") + into);
            } else {
                --room[into];
                ++plan.books;
                bookWrites[into].push_back("AT+CPBW=," + q(r.number) + "," +
                                           (r.number.starts_with("+") ? "145" : "129") + "," +
                                           q(r.name));
                plan.wanted.books[into].push_back(r);
            }
        }
    }
    if (!bookWrites.empty()) plan.batch.push_back("at+cscs=\"UCS2\"");
    for (const auto& [mem, writes] : bookWrites) {
        plan.batch.push_back("at+cpbs=" + q(mem));
        plan.batch.insert(plan.batch.end(), writes.begin(), writes.end());
    }
    // Messages: nothing the phone holds in any storage is stored again.
    Keys held;
    std::map<std::string, int> free;
    for (const Memory& m : target.stores) {
        int used = 0;
        for (const auto& line :
             now.sms.count(m.name) ? now.sms.at(m.name) : std::vector<std::string>{}) {
            auto f = sms::readSmsRecord(line, smsPrefixes());
            if (!f) continue;
            held.add(messageKey(*f));
            used += f->parts.empty() ? 1 : static_cast<int>(f->parts.size());
            plan.wanted.sms[m.name].push_back(line);
        }
        free[m.name] = m.places - std::max(used, m.used);
    }
    std::map<std::string, std::vector<std::string>> smsWrites;
    for (const auto& [mem, recs] : backup.sms) {
        for (const auto& line : recs) {
            auto f = sms::readSmsRecord(line, smsPrefixes());
            if (!f) continue;
            std::string into = free.count(mem)         ? mem
                               : target.stores.empty() ? ""
                                                       : target.stores.front().name;
            const int st = statusCode(f->status);
            const int parts = partsOf(f->text);
            if (held.take(messageKey(*f))) {
                ++plan.skipped;
            } else if (into.empty()) {
                plan.refused.push_back(messageName(*f) + W(": в телефоне нет памяти SMS"));
            } else if (st < 0 || f->number.find('"') != std::string::npos) {
                plan.refused.push_back(messageName(*f) + W(": состояние или номер не для записи"));
            } else if (free[into] < parts) {
                plan.refused.push_back(messageName(*f) + W(": нет места в памяти ") + into);
            } else {
                free[into] -= parts;
                ++plan.messages;
                smsWrites[into].push_back("!smw " + std::to_string(st) + " " + q(f->number) + " " +
                                          q(rawTime(line)) + " " + ucs2Hex(f->text));
                plan.wanted.sms[into].push_back(line);
            }
        }
    }
    if (!smsWrites.empty()) plan.batch.push_back("at+cmgf=0");
    for (const auto& [mem, writes] : smsWrites) {
        plan.batch.push_back("at+cpms=" + q(mem) + "," + q(mem));
        plan.batch.insert(plan.batch.end(), writes.begin(), writes.end());
    }
    // Date book: events the phone lacks, into free positions.
    Keys events;
    for (const auto& l : eventLines(now)) {
        events.add(mdbSameEventKey(*readMdbRecord(l, p.PrefixDateBook)));
        plan.wanted.dateBook.push_back(l);
    }
    std::vector<std::string> pending;
    int eventRoom =
        target.dateBook
            ? target.dateBook->places - std::max<int>(target.dateBook->used, eventLines(now).size())
            : 0;
    for (const auto& l : eventLines(backup)) {
        MdbRecord e = *readMdbRecord(l, p.PrefixDateBook);
        const std::string name = W("событие ") + mdbTitleText(e.title) + " " + e.date;
        if (events.take(mdbSameEventKey(e))) {
            ++plan.skipped;
        } else if (!target.dateBook) {
            plan.refused.push_back(name + W(": в телефоне нет ежедневника"));
        } else if (target.dateBook->nameLength > 0 &&
                   mdbTitleLength(e.title) > static_cast<size_t>(target.dateBook->nameLength)) {
            plan.refused.push_back(name + W(": название длиннее, чем даёт телефон"));
        } else if (eventRoom <= 0) {
            plan.refused.push_back(name + W(": нет места в ежедневнике"));
        } else {
            --eventRoom;
            pending.push_back(l);
            plan.wanted.dateBook.push_back(l);
        }
    }
    if (!pending.empty()) {
        std::vector<std::string> refused;
        std::vector<std::string> b = pendingWriteBatch(
            pending, "",
            {p.PrefixDateBook, p.PrefixAutoDelete, p.PrefixDateBookWrite, p.PrefixCharset},
            &refused);
        b.pop_back();  // the read that the date book window adds
        for (const auto& l : refused) {
            plan.refused.push_back(l + W(": поля события не для записи"));
            std::erase(plan.wanted.dateBook, l);
        }
        plan.events = static_cast<int>(pending.size() - refused.size());
        plan.batch.insert(plan.batch.end(), b.begin(), b.end());
    }
    return plan;
}

std::vector<std::string> missingAfter(const Plan& plan, const PhoneContent& after) {
    std::vector<std::string> out;
    for (const auto& [mem, rows] : plan.wanted.books) {
        Keys have;
        if (after.books.count(mem))
            for (const auto& r : after.books.at(mem)) have.add(entryKey(r));
        for (const auto& r : rows)
            if (!have.take(entryKey(r))) out.push_back(entryName(r) + W(": телефон не записал"));
    }
    Keys msgs;
    for (const auto& [mem, lines] : after.sms)
        for (const auto& l : lines)
            if (auto f = sms::readSmsRecord(l, smsPrefixes())) msgs.add(messageKey(*f));
    for (const auto& [mem, lines] : plan.wanted.sms)
        for (const auto& l : lines)
            if (auto f = sms::readSmsRecord(l, smsPrefixes()); f && !msgs.take(messageKey(*f)))
                out.push_back(messageName(*f) + W(": телефон не записал"));
    Keys events;
    for (const auto& l : eventLines(after))
        events.add(mdbSameEventKey(*readMdbRecord(l, prog().PrefixDateBook)));
    for (const auto& l : plan.wanted.dateBook) {
        MdbRecord e = *readMdbRecord(l, prog().PrefixDateBook);
        if (!events.take(mdbSameEventKey(e)))
            out.push_back(W("событие ") + mdbTitleText(e.title) + W(": телефон не записал"));
    }
    return out;
}

Outcome backupPhone(const std::string& dir, const RunBatch& run, const Say& say,
                    const std::string& made) {
    Outcome o;
    auto read = readPhone(run, say, o.failure);
    if (!read) return o;
    return writeBackup(dir, read->first, read->second, made, say);
}

Outcome restorePhone(const std::string& dir, const RunBatch& run, const Say& say,
                     const std::function<bool(const std::string& counts)>& confirm) {
    Outcome o;
    Loaded l = loadBackup(dir);
    if (!l.failure.empty()) {
        o.failure = l.failure;
        return o;
    }
    const std::string counts = W("В копии: ") + countsText(l.content);
    say(counts);
    say(W("Копия телефона ") + utf8ToCp1251(manifestValue(l.manifest, "Maker")) + " " +
        utf8ToCp1251(manifestValue(l.manifest, "Model")) + W(" от ") +
        manifestValue(l.manifest, "Made"));
    if (!confirm(counts)) {
        o.failure = W("- Восстановление отменено");
        return o;
    }
    auto now = readPhone(run, say, o.failure);
    if (!now) return o;
    Plan plan = planRestore(l.content, now->first, now->second);
    say(W("Будет записано: записей книги ") + std::to_string(plan.books) + W(", SMS ") +
        std::to_string(plan.messages) + W(", событий ") + std::to_string(plan.events) +
        W("; уже есть в телефоне: ") + std::to_string(plan.skipped));
    o.notWritten = plan.refused;
    if (!plan.batch.empty()) {
        say(W("Запись в телефон..."));
        int rc = run(plan.batch);
        if (rc == Stopped) {
            o.failure =
                W("- Остановлено: восстановление не закончено, часть записей могла быть записана");
            return o;
        }
        if (rc != 0) {
            // What the phone took is read back: the rest is named.
            say(W("Телефон отказал в части записей; проверка того, что записано..."));
            auto after = readPhone(run, say, o.failure);
            if (!after) return o;
            for (const auto& n : missingAfter(plan, after->second)) o.notWritten.push_back(n);
        }
    }
    o.ok = o.notWritten.empty();
    return o;
}

RunBatch engineRunner(const std::function<void(int ms)>& wait,
                      const std::function<bool()>& stopRequested) {
    return [wait, stopRequested](const std::vector<std::string>& lines) -> int {
        const std::string marker = startPath(RunMarkerName);
        if (engineRunning(marker)) return 255;
        int err = 0;
        if (!files::writeLines(startPath(BatchName), lines, &err)) return 254;
        for (const std::string& f :
             {autoRunPath(prog().PBFile), autoRunPath(prog().SMSFile), autoRunPath(prog().MDBFile),
              autoRunPath(prog().LogFile), startPath(EngineErrorName)})
            files::remove(f);
        bool stopped = false;
        std::string out;
        int rc = runForOutput(
            EngineExeName, operParams(BatchOperName, {BatchName}), "", out,
            [&](int ms) {
                wait(ms);
                if (stopped || !stopRequested || !stopRequested()) return;
                stopped = true;
                // The engine ends its run at SIGINT, leaving the phone in step.
                std::vector<std::string> pid;
                if (files::readLines(marker, pid) && !pid.empty())
                    if (auto n = parseWhole(trim(pid[0])); n && *n > 1)
                        ::kill(static_cast<pid_t>(*n), SIGINT);
            },
            24 * 3600 * 1000);
        return stopped || (stopRequested && stopRequested()) ? Stopped : rc;
    };
}

}  // namespace td::backup
