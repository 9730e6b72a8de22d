#include "datebook/mdblogic.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

#include "engine/readcycle.h"
#include "formats/fieldcursor.h"
#include "platform/cp1251.h"

namespace td {

const MdbRow& mdbColumnTitles() {
    static const MdbRow titles = {W("Заголовок события"), W("Вкл"),        W("Пуск"),
                                  W("Когда-время"),       W("Когда-дата"), W("Длит(мин)"),
                                  W("Пуск-время"),        W("Пуск-дата"),  W("Повторять")};
    return titles;
}

const std::array<int, MdbColumns> MdbColumnWidths = {141, 36, 35, 81, 74, 68, 73, 70, 124};

namespace {

// "Да" for 1, "Нет" for 0; any other text keeps the word of the event before.
void flagWord(const std::string& field, std::string& word) {
    std::string f = trim(field, " ");
    if (f == "1")
        word = W("Да");
    else if (f == "0")
        word = W("Нет");
}

}  // namespace

std::string repeatText(const std::string& field) {
    int kind = autoDeleteWeeks(trim(field, " "));  // a whole number, 0 when it is none
    switch (kind) {
        case 0:
            return W("Не повторять ");
        case 1:
            return W("Ежедневно");
        case 2:
            return W("Еженедельно");
        case 3:
            return W("Ежемесячно-число");
        case 4:
            return W("Ежемесячно-день");
        case 5:
            return W("Ежегодно");
        default:
            return "???";
    }
}

MdbReader::MdbReader(std::string recordPrefix, std::string autoDeletePrefix)
    : recordPrefix_(std::move(recordPrefix)), autoDeletePrefix_(std::move(autoDeletePrefix)) {}

bool MdbReader::isRecordLine(const std::string& line) const {
    return line.find(recordPrefix_ + ":") != std::string::npos;
}

bool MdbReader::isAutoDeleteLine(const std::string& line) const {
    return line.find(autoDeletePrefix_ + ":") != std::string::npos;
}

std::optional<MdbRow> MdbReader::row(const std::string& line) {
    std::optional<MdbRecord> r = readMdbRecord(line, recordPrefix_);
    if (!r) return std::nullopt;
    flagWord(r->timed, timed_);
    flagWord(r->alarm, alarm_);
    if (r->title.empty() || r->title == " ") return std::nullopt;
    return MdbRow{mdbTitleText(r->title),
                  timed_,
                  alarm_,
                  r->time,
                  r->date,
                  r->duration,
                  r->alarmTime,
                  r->alarmDate,
                  repeatText(r->repeat)};
}

std::optional<AutoDeletePanel> MdbReader::autoDelete(const std::string& line, MdbSource source) {
    std::optional<std::string> text = readAutoDeleteText(line, autoDeletePrefix_);
    if (!text) return std::nullopt;
    AutoDeletePanel p;
    p.text = *text;
    p.weeks = autoDeleteWeeks(*text);
    if (p.weeks == 1)
        unit_ = W(" неделю");
    else if (p.weeks == 2 || p.weeks == 4)
        unit_ = W(" недели");
    else if (p.weeks == 8)
        unit_ = W(" недель");
    p.caption = W("Авт. удалять через ") + p.text + unit_;
    p.never = p.weeks == 0;
    if (p.never) p.caption = W("Не удалять никогда");
    p.setsNeverHint = source != MdbSource::Log;
    return p;
}

MdbShown showDateBook(MdbReader& reader, const std::vector<std::string>& lines, MdbSource source) {
    MdbShown s;
    for (const std::string& line : lines) {
        if (source == MdbSource::LastCopy) s.panelVisible = false;
        if (auto panel = reader.autoDelete(line, source)) {
            s.panel = std::move(panel);
            s.panelVisible = true;
        }
        if (source != MdbSource::LastCopy && line.size() <= 16) continue;
        if (auto row = reader.row(line)) s.rows.push_back(std::move(*row));
    }
    int fromLines = static_cast<int>(lines.size()) - 1;
    s.gridRows = std::max({fromLines, static_cast<int>(s.rows.size()) + 1, 2});
    return s;
}

MdbSave dateBookToSave(const std::optional<std::vector<std::string>>& resultFile, int weeks,
                       const std::string& autoDeleteText, const std::vector<std::string>& shown,
                       const std::string& autoDeletePrefix) {
    MdbSave save;
    if (resultFile) save.lines = mdbLastCopy(*resultFile, weeks, autoDeleteText, autoDeletePrefix);
    save.fresh = !save.lines.empty();
    if (!save.fresh) save.lines = shown;
    return save;
}

// ---- the unload ------------------------------------------------------------

bool unloadAllowed(const std::string& altVersion, const std::string& progVersion) {
    return altVersion > "v 5.1" && progVersion > "v 0.51";
}

std::string upperOutsideQuotes(const std::string& line) {
    std::string out = line;
    bool quoted = false;
    for (char& c : out) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

namespace {

std::string colonsToEquals(std::string s) {
    std::replace(s.begin(), s.end(), ':', '=');
    return s;
}

}  // namespace

namespace {

bool plainNumber(const std::string& field) {
    std::string f = trim(field, " ");
    return f.find_first_not_of("0123456789") == std::string::npos;
}

// A quoted field: one text between two double quotes, no control character
// in it but a tab (a line end would end the command at the phone).
bool plainQuoted(const std::string& field) {
    std::string f = trim(field, " ");
    if (f.size() < 2 || f.front() != '"' || f.back() != '"') return false;
    for (size_t i = 1; i + 1 < f.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(f[i]);
        if (c == '"' || (c < 0x20 && c != '\t') || c == 0x7F) return false;
    }
    return true;
}

// The write command of an event's fields, or nothing when a field is not
// what the phone gave: every quoted text one closed string, every other
// field a plain number. Such a command holds no separator of the operation
// language outside its quoted texts, so it stays one command.
std::optional<std::string> writeCommand(std::string fields, const std::string& write) {
    fields.erase(0, fields.find_first_not_of(' '));
    std::vector<std::string> f = splitMdbFields(fields);
    if (f.size() > 10) return std::nullopt;
    for (size_t k = 0; k < f.size(); ++k) {
        bool quoted = k == 1 || k == 4 || k == 5 || k == 7 || k == 8;
        if (quoted ? !plainQuoted(f[k]) : !plainNumber(f[k])) return std::nullopt;
    }
    return "AT" + write + "=" + fields;
}

// "+CSCS: \"UCS2\"" or "AT+CSCS=\"UCS2\"" (upper-cased) with a plain set name.
std::optional<std::string> charsetCommand(const std::string& line, const std::string& charset) {
    std::string rest;
    if (line.starts_with(charset + ":"))
        rest = line.substr(charset.size() + 1);
    else if (line.starts_with("AT" + charset + "="))
        rest = line.substr(charset.size() + 3);
    else
        return std::nullopt;
    const td::CharsetName set = td::charsetName(rest);
    if (!set.quoted || !set.alone || set.name.empty() ||
        set.name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_") != std::string::npos)
        return std::nullopt;
    return "AT" + charset + "=" + rest;
}

}  // namespace

std::vector<std::string> unloadFile(const std::vector<std::string>& input, const UnloadPrefixes& p,
                                    std::vector<std::string>* refused) {
    std::vector<std::string> out = {"at+mdbl=1"};
    const std::string recordMark = p.record + ":";
    const std::string autoDeleteMark = p.autoDelete + ":";
    for (const std::string& raw : input) {
        std::string line = upperOutsideQuotes(raw);
        if (line.size() <= 8) continue;
        // A character-set answer is no command a phone would take: it
        // becomes the command that sets that character set.
        if (auto cmd = charsetCommand(line, p.charset)) out.push_back(*cmd);
        if (line.starts_with(autoDeleteMark) && plainNumber(line.substr(autoDeleteMark.size())))
            out.push_back("AT" + colonsToEquals(line));
        size_t at = line.find(recordMark);
        if (at != std::string::npos && line.size() > 30) {
            if (auto cmd = writeCommand(line.substr(at + recordMark.size()), p.write))
                out.push_back(*cmd);
            else if (refused)
                refused->push_back(raw);
        }
    }
    out.push_back("at+mdbl=0");
    return out;
}

std::vector<std::string> stillPending(const std::vector<std::string>& pending,
                                      const std::vector<std::string>& phone,
                                      const std::string& prefix) {
    std::unordered_set<std::string> there;
    for (const std::string& line : phone)
        if (auto r = readMdbRecord(line, prefix)) there.insert(mdbSameEventKey(*r));
    std::vector<std::string> out;
    for (const std::string& line : pending)
        if (auto r = readMdbRecord(line, prefix); r && !there.count(mdbSameEventKey(*r)))
            out.push_back(line);
    return out;
}

std::vector<std::string> withPending(std::vector<std::string> copy,
                                     const std::vector<std::string>& pending,
                                     const UnloadPrefixes& p) {
    long highest = 0;
    for (const std::string& line : copy)
        if (auto r = readMdbRecord(line, p.record))
            highest = std::max(highest, std::strtol(r->index.c_str(), nullptr, 10));
    std::vector<std::string> added;
    for (const std::string& line : stillPending(pending, copy, p.record)) {
        MdbRecord r = *readMdbRecord(line, p.record);
        r.index = std::to_string(++highest);
        added.push_back(writeMdbRecord(r, p.record));
    }
    const auto at = static_cast<std::ptrdiff_t>(mdbEventsEnd(copy, p.record, p.autoDelete));
    copy.insert(copy.begin() + at, added.begin(), added.end());
    return copy;
}

std::vector<std::string> pendingWriteBatch(const std::vector<std::string>& pending,
                                           const std::string& readCommand, const UnloadPrefixes& p,
                                           std::vector<std::string>* refused) {
    std::vector<std::string> out = {"AT" + p.charset + "=\"UCS2\"", "at+mdbl=1"};
    for (const std::string& line : pending) {
        std::optional<MdbRecord> r = readMdbRecord(line, p.record);
        if (!r) continue;
        r->index.clear();
        std::string fields = writeMdbRecord(*r, p.record).substr(p.record.size() + 1);
        if (auto cmd = writeCommand(fields, p.write))
            out.push_back(*cmd);
        else if (refused)
            refused->push_back(line);
    }
    out.push_back("at+mdbl=0");
    out.push_back(readCommand);
    return out;
}

std::string savedDateBookName(const std::string& stamp, const std::string& mdbFile) {
    return stamp + "-" + mdbFile;
}

std::string unloadFileName(const std::string& stamp, const std::string& mdbFile) {
    std::string base = mdbFile;
    size_t dot = base.rfind('.');
    size_t slash = base.find_last_of("/\\");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.erase(dot);
    return "Unload-" + stamp + "-MemDay-" + base + ".txt";
}

std::string readQuestion() {
    return W("Вы действительно хотите прочитать книгу напоминаний из Вашего аппарата ?\r") +
           TakesHalfAMinute();
}

std::string unloadRefusedText(const std::vector<std::string>& refused) {
    std::string text = W("- Эти записи не выгружены: их поля не такие, какие даёт телефон:");
    for (const std::string& line : refused) text += "\r" + line;
    return text;
}

std::string unloadQuestion() {
    const char* const lines[] = {
        "Записи ежедневника будут выгружены в каталог \\Autorun в файл вида "
        "\"Unload-<дата-время>-MemDay-LastRun.txt\"",
        "",
        "Загрузить выгруженные записи ежедневника можно, \"выполнив пакет\" в программе Celltalk,",
        "указав имя выгруженного файла (см. выше)",
        "Записи встанут на те же номера и заменят записи телефона с этими номерами",
        "",
        "Вы действительно хотите выгрузить книгу напоминаний из Вашего аппарата ?"};
    std::string text;
    for (const char* l : lines) text += W(l) + "\r";
    return text + TakesHalfAMinute() + "\r";
}

std::string toPhoneQuestion(std::size_t count) {
    return W("Записать в телефон новые события ежедневника (") + std::to_string(count) +
           W(") и прочитать его заново ?\r") + TakesHalfAMinute();
}

std::string toPhoneRefusedText(const std::vector<std::string>& refused) {
    std::string text =
        W("- Эти события не записываются в телефон: их поля не такие, какие он "
          "принимает:");
    for (const std::string& line : refused) text += "\r" + line;
    return text;
}

std::string toPhoneCaption() {
    return W("В телефон");
}

std::string toPhoneHint(std::size_t count) {
    return W("Записать в телефон события, добавленные из файла и ещё не записанные: ") +
           std::to_string(count);
}

std::string toPhoneFailedText(const std::string& reason) {
    return W("- События не записаны в телефон: ") +
           (reason.empty() ? W("CellTalk не выполнил операцию") : reason) +
           W("\rОни остаются в последней копии и ждут записи");
}

std::string notCreatedText(const std::string& mdbFile) {
    return W("- Файл с записями книга напоминаний \"") + mdbFile + "\"" +
           W(" не создан программой CellTalk");
}

std::string laterVersionText() {
    return W("Эта возможность будет реализована в одной из следующих версий");
}

std::string autoDeleteLaterText() {
    return W("Изменять параметр авт. удаления будет возможно в одной из следующих версий");
}

std::string autoDeleteDefaultHint() {
    return W(
        "В Вашем телефоне установлена возможность автоматического удаления \"просроченных\" "
        "событий");
}

std::string autoDeleteNeverHint() {
    return W("Автоматическое удаление \"просроченных\" событий не установлено");
}

}  // namespace td
