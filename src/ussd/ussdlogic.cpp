#include "ussd/ussdlogic.h"

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

}  // namespace

std::string decodeText(std::string_view text, int dcs) {
    const std::optional<std::vector<uint8_t>> octets = fromHex(text);
    if (!octets || octets->empty()) return std::string(text);
    switch (alphabetOf(dcs)) {
        case Alphabet::Ucs2: {
            if (octets->size() % 2) break;
            std::u16string units;
            for (size_t i = 0; i < octets->size(); i += 2)
                units += static_cast<char16_t>((*octets)[i] << 8 | (*octets)[i + 1]);
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
            return std::string(octets->begin(), octets->end());
    }
    return std::string(text);
}

std::optional<Answer> parseCusd(std::string_view line) {
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
    a.text = decodeText(text.value_or(""), dcs && *dcs >= 0 && *dcs <= 255 ? int(*dcs) : 15);
    return a;
}

std::optional<Answer> lastAnswer(const std::vector<std::string>& lines) {
    std::optional<Answer> last;
    for (const std::string& line : lines)
        if (auto a = parseCusd(line)) last = a;
    return last;
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
