#include "datebook/mdblogic.h"

#include <algorithm>

#include "engine/readcycle.h"
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

std::string trimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// "Да" for 1, "Нет" for 0; any other text keeps the word of the event before.
void flagWord(const std::string& field, std::string& word) {
    std::string f = trimBlanks(field);
    if (f == "1")
        word = W("Да");
    else if (f == "0")
        word = W("Нет");
}

}  // namespace

std::string repeatText(const std::string& field) {
    int kind = autoDeleteWeeks(trimBlanks(field));  // a whole number, 0 when it is none
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
    return MdbRow{r->title,     timed_,       alarm_,
                  r->time,      r->date,      r->duration,
                  r->alarmTime, r->alarmDate, repeatText(r->repeat)};
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

bool startsWith(const std::string& s, const std::string& p) {
    return s.compare(0, p.size(), p) == 0;
}

}  // namespace

std::vector<std::string> unloadFile(const std::vector<std::string>& input,
                                    const UnloadPrefixes& p) {
    std::vector<std::string> out = {"at+mdbl=1"};
    const std::string recordMark = p.record + ":";
    for (const std::string& raw : input) {
        std::string line = upperOutsideQuotes(raw);
        if (line.size() <= 8) continue;
        if (line.find(p.charset) != std::string::npos) {
            // A character-set answer is no command a phone would take: it
            // becomes the command that sets that character set.
            out.push_back(startsWith(line, p.charset + ":")
                              ? "AT" + p.charset + "=" + line.substr(p.charset.size() + 1)
                              : line);
        }
        if (line.find(p.autoDelete + ":") != std::string::npos)
            out.push_back("AT" + colonsToEquals(line));
        size_t at = line.find(recordMark);
        if (at != std::string::npos && line.size() > 30) {
            std::string fields = line.substr(at + recordMark.size());
            fields.erase(0, fields.find_first_not_of(' '));
            out.push_back("AT" + p.write + "=" + fields);
        }
    }
    out.push_back("at+mdbl=0");
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

std::string unloadQuestion() {
    const char* const lines[] = {
        "Записи ежедневника будут выгружены в каталог \\Autorun в файл вида "
        "\"Unload-<дата-время>-MemDay-LastRun.txt\"",
        "",
        "Загрузить выгруженные записи ежедневника можно, \"выполнив пакет\" в программе Celltalk,",
        "указав имя выгруженного файла (см. выше)",
        "",
        "Вы действительно хотите выгрузить книгу напоминаний из Вашего аппарата ?"};
    std::string text;
    for (const char* l : lines) text += W(l) + "\r";
    return text + TakesHalfAMinute() + "\r";
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
