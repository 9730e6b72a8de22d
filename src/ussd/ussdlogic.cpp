#include "ussd/ussdlogic.h"

#include <algorithm>

#include "engine/settings.h"
#include "formats/fieldcursor.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/gsm7.h"

namespace td::ussd {

const std::string DefaultCode = "*100#";

bool validRequest(std::string_view code) {
    if (code.empty() || code.size() > 160) return false;
    for (char c : code)
        if (!((c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+')) return false;
    return true;
}

namespace {

enum class Alphabet { Gsm7, Eight, Ucs2 };

// The alphabet of a data coding scheme (cell broadcast coding, 3GPP 23.038).
Alphabet alphabetOf(int dcs) {
    if (dcs == 0x11) return Alphabet::Ucs2;  // UCS2 after a language indication
    const int group = dcs >> 4;
    if (group <= 3) return Alphabet::Gsm7;
    if (group >= 4 && group <= 7) {
        int a = (dcs >> 2) & 3;
        return a == 2 ? Alphabet::Ucs2 : a == 1 ? Alphabet::Eight : Alphabet::Gsm7;
    }
    if (group == 9 || group == 15) {
        int a = (dcs >> 2) & 3;
        return a == 2 ? Alphabet::Ucs2 : a == 1 ? Alphabet::Eight : Alphabet::Gsm7;
    }
    return Alphabet::Gsm7;
}

// Where a text ends: at its first NUL, which some phones follow with padding
// inside the quotes. In the GSM set a NUL byte is "@", so there only a NUL
// after which no GSM character comes (NULs and bytes above 0x7F) ends it.
std::string_view beforeNul(std::string_view text, bool gsmCharset) {
    for (size_t at = text.find('\0'); at != std::string_view::npos; at = text.find('\0', at + 1)) {
        if (!gsmCharset) return text.substr(0, at);
        std::string_view rest = text.substr(at);
        bool padding = true;
        for (unsigned char c : rest) padding = padding && (c == 0 || c > 0x7F);
        if (padding) return text.substr(0, at);
    }
    return text;
}

std::string cutAtNul(std::string decoded) {
    if (size_t at = decoded.find('\0'); at != std::string::npos) decoded.resize(at);
    return decoded;
}

}  // namespace

std::string decodeText(std::string_view text, int dcs, bool gsmCharset) {
    const std::optional<std::vector<uint8_t>> octets = fromHex(text);
    if (!octets || octets->empty()) {
        text = beforeNul(text, gsmCharset);
        if (!gsmCharset || alphabetOf(dcs) != Alphabet::Gsm7) return std::string(text);
        // Text mode in the GSM set: each byte is a character of its alphabet.
        return utf8ToCp1251(
            utf32ToUtf8(fromGsm7Septets(std::vector<uint8_t>(text.begin(), text.end()))));
    }
    switch (alphabetOf(dcs)) {
        case Alphabet::Ucs2: {
            if (octets->size() % 2) break;
            std::u16string units;
            for (size_t i = 0; i < octets->size(); i += 2) {
                const auto unit = static_cast<char16_t>((*octets)[i] << 8 | (*octets)[i + 1]);
                if (unit == 0) break;  // a NUL ends the text, padding may follow
                units += unit;
            }
            return utf16ToCp1251(units);
        }
        case Alphabet::Gsm7: {
            std::vector<uint8_t> septets = unpackSeptets(*octets, octets->size() * 8 / 7);
            // Seven spare bits at the end make one more septet: a 0, or the CR
            // a network puts there, which is no character.
            if (septets.size() % 8 == 0 && (septets.back() == 0 || septets.back() == 0x0D))
                septets.pop_back();
            return utf8ToCp1251(utf32ToUtf8(fromGsm7Septets(septets)));
        }
        case Alphabet::Eight:
            return cutAtNul(std::string(octets->begin(), octets->end()));
    }
    return std::string(text);
}

std::optional<Answer> parseCusd(std::string_view line, bool gsmCharset) {
    size_t at = line.find("+CUSD:");
    if (at == std::string_view::npos) return std::nullopt;
    FieldCursor c(line.substr(at));
    c.skipPrefix("+CUSD");
    const std::optional<long long> mode = c.number();
    if (!mode || *mode < 0 || *mode > 255) return std::nullopt;
    std::optional<std::string> text = c.text();
    // A quote left open: the text went on past a line break the log cut it at.
    if (!text && c.rest().starts_with('"')) text = std::string(c.rest().substr(1));
    const std::optional<long long> dcs = c.number();
    Answer a;
    a.mode = static_cast<int>(*mode);
    a.text =
        decodeText(text.value_or(""), dcs && *dcs >= 0 && *dcs <= 255 ? int(*dcs) : 15, gsmCharset);
    return a;
}

namespace {

// A text runs over at most this many lines of the log (a USSD text holds
// 182 characters at most).
constexpr size_t kMaxTextLines = 32;

std::string_view unmarked(std::string_view line) {
    line = trimView(line, " \t\r");
    if (line.starts_with('~')) line.remove_prefix(1);
    return line;
}

// A command as the engine logs it; lines it marks with "~" came unasked.
bool isCommand(std::string_view line) {
    line = trimView(line);
    return !line.starts_with('~') && startsWithNoCase(line, "AT");
}

// The character set a logged command line selects ("at+cscs=\"GSM\""), if any.
std::optional<std::string> selectedCharset(std::string_view line) {
    const std::string upper = upperAscii(line);
    const size_t at = upper.rfind("+CSCS=");
    if (at == std::string::npos) return std::nullopt;
    FieldCursor c(line.substr(at + 6));
    std::optional<std::string> set = c.text();
    if (set) *set = upperAscii(trimView(*set));
    return set;
}

bool quoteLeftOpen(std::string_view cusdLine) {
    const size_t at = cusdLine.find("+CUSD:");
    return std::count(cusdLine.begin() + at, cusdLine.end(), '"') % 2 == 1;
}

struct LogAnswer {
    std::string line;  // the +CUSD line with its text's further lines joined
    bool gsmCharset = false;
};

// Walks the log: the answers in order, and the lines they were read from.
std::vector<LogAnswer> scanLog(const std::vector<std::string>& lines,
                               std::vector<size_t>* used = nullptr) {
    std::vector<LogAnswer> answers;
    bool gsm = false;
    std::optional<std::string> asked;  // the set of the command waiting for its word
    size_t askedAt = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = trimView(lines[i], " \t\r");
        if (isCommand(line)) {
            asked = selectedCharset(line);
            askedAt = i;
            continue;
        }
        if (asked && !line.starts_with('~') &&
            (line == "OK" || line.find("ERROR") != std::string_view::npos)) {
            if (line == "OK") {
                gsm = *asked == "GSM";
                if (used) used->insert(used->end(), {askedAt, i});
            }
            asked.reset();
            continue;
        }
        const std::string_view first = unmarked(line);
        if (!parseCusd(first)) continue;
        LogAnswer a{std::string(first), gsm};
        if (used) used->push_back(i);
        for (size_t j = i + 1; quoteLeftOpen(first) && j < lines.size() && j <= i + kMaxTextLines;
             ++j) {
            const std::string_view more = unmarked(lines[j]);
            if (isCommand(lines[j]) || more.find("+CUSD:") != std::string_view::npos) break;
            a.line += '\n';
            a.line += more;
            if (used) used->push_back(j);
            i = j;
            if (more.find('"') != std::string_view::npos) break;
        }
        answers.push_back(std::move(a));
    }
    return answers;
}

}  // namespace

std::optional<Answer> lastAnswer(const std::vector<std::string>& lines) {
    const std::vector<LogAnswer> answers = scanLog(lines);
    if (answers.empty()) return std::nullopt;
    return parseCusd(answers.back().line, answers.back().gsmCharset);
}

std::vector<std::string> answerLines(const std::vector<std::string>& lines) {
    std::vector<size_t> used;
    if (scanLog(lines, &used).empty()) return {};
    std::vector<std::string> out;
    for (size_t i : used) out.push_back(lines[i]);
    return out;
}

std::string modeNote(int mode) {
    switch (mode) {
        case 1:
            return W("Сеть ждёт ответа: введите его и нажмите \"Ответить\"");
        case 2:
            return W("Сеть закончила сеанс");
        default:
            return W("Ответ сети получен");
    }
}

std::string noAnswerText() {
    return W("- Ответа сети в журнале программы CellTalk нет");
}

std::string badRequestText(const std::string& request) {
    return W("- Запрос \"") + request +
           W("\" отправить нельзя: в нём могут быть только цифры и знаки * # +");
}

std::string currentAnswerText() {
    return W("Текущий ответ сети");
}

const std::string UssdCopyName = "LastUssd.txt";

ReadCycleConfig ussdCycleConfig(const std::string& operation, const std::string& request,
                                bool* abortFlag, bool* updateFlag) {
    const Prog& p = prog();
    ReadCycleConfig c;
    c.operation = operation;
    c.args = {request};
    c.abortFlag = abortFlag;
    c.updateFlag = updateFlag;
    c.question = W("Отправить в сеть запрос ") + request + " ?\r" + TakesHalfAMinute();
    c.idleCaption = W("Отправить");
    c.idleHint = W("Отправить запрос через телефон");
    c.pauseBeforeReadMs = 50;
    c.watchedFile = autoRunPath(p.LogFile);
    const std::string name = files::baseName(c.watchedFile);
    c.workFile = c.watchedFile.substr(0, c.watchedFile.size() - name.size()) + "$" + name;
    c.deleteBeforeStart = {c.watchedFile, EngineErrorName};
    c.parseFile = c.watchedFile;
    c.minLines = 1;
    c.lastCopyPath = autoRunPath(UssdCopyName);
    c.lastCopySource = LastCopySource::ParsedRecords;
    c.readingStatus = W("Идёт запрос к сети через мобильный телефон");
    c.notCreatedText = W("- Файл журнала \"") + name + W("\" не создан программой CellTalk");
    c.noLastCopyText = W("- Прежних ответов сети нет - нажмите \"Отправить\"");
    c.lastCopyStatusPrefix = W("Последний ответ сети от ");
    return c;
}

}  // namespace td::ussd
