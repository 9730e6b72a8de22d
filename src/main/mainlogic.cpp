#include "main/mainlogic.h"

#include <algorithm>

#include "engine/settings.h"
#include "engine/texthelpers.h"
#include "platform/cp1251.h"
#include "platform/ini.h"

namespace td::mainlogic {

long long halfToEven(long long seconds) {
    long long rem = ((seconds % 2) + 2) % 2;
    if (rem == 0) return seconds / 2;
    long long below = (seconds - 1) / 2;  // exact: seconds - 1 is even
    long long above = below + 1;
    return below % 2 == 0 ? below : above;
}

std::string effectiveWaitSec(const std::string& waitSec) {
    return parseWhole(waitSec) ? waitSec : std::string("5");
}

std::optional<bool> engineWindowTick(const std::string& upperWindow) {
    if (upperWindow == "MIN") return false;
    if (upperWindow == "NORM" || upperWindow == "MAX") return true;
    return std::nullopt;
}

std::vector<std::string> readHistory(const IniFile& ini, const std::string& section) {
    std::vector<std::string> lines;
    for (int k = 0; k <= HistoryMax + 1; ++k) {
        std::string value = ini.readString(section, std::to_string(k), "");
        if (!value.empty()) lines.push_back(value);
    }
    return lines;
}

void writeHistory(IniFile& ini, const std::string& section, const std::vector<std::string>& lines) {
    ini.eraseSection(section);
    size_t count = std::min(lines.size(), static_cast<size_t>(HistoryMax) + 1);
    for (size_t k = 0; k < count; ++k) ini.writeString(section, std::to_string(k), lines[k]);
}

std::string addRecipient(const std::string& list, const std::string& number, bool several) {
    if (!several) return number;
    if (number.empty()) return list;
    return list + " " + number;
}

bool hasRecipient(const std::string& list) {
    return list.find_first_not_of(' ') != std::string::npos;
}

bool sendableText(const std::string& text) {
    return !text.empty() && text != " ";
}

std::string commandLineText(const std::string& text) {
    return ChangeChar(text, '"', '\'');
}

std::string latinOnly(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) >= 128) c = '.';
    return out;
}

DialKind classifyDial(const std::string& number) {
    if (number.empty()) return DialKind::Empty;
    // Only keys of the keypad: nothing else may reach the call operation's
    // command text or the batch line, where a quote or a "|" would end the
    // number and start a command of its own.
    for (size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        const bool key = (c >= '0' && c <= '9') || c == '*' || c == '#' || (c == '+' && i == 0);
        if (!key) return DialKind::Ignored;
    }
    return number[0] == '+' ? DialKind::International : DialKind::National;
}

std::string internationalBatchLine(const std::string& plusPrefix, const std::string& callCommand,
                                   const std::string& number) {
    std::string digits = number.empty() || number[0] != '+' ? number : number.substr(1);
    return plusPrefix + InsertNumber(upperAscii(callCommand), digits);
}

const std::string& reSendPrompt() {
    static const std::string prompt = W("Если список пустой нажмите кнопку, расположеннную справа");
    return prompt;
}

std::optional<std::string> reSendChoice(const std::string& line, int k, int lineCount,
                                        const std::vector<std::string>& indexes) {
    static const std::string marker = W("справа");
    if (line.find(marker) != std::string::npos) return std::nullopt;
    if (k < 0 || k >= lineCount) return std::nullopt;
    if (static_cast<size_t>(k) >= indexes.size()) return std::nullopt;
    return indexes[static_cast<size_t>(k)];
}

}  // namespace td::mainlogic

namespace td::mainlogic {

namespace {
bool escaped(char c) {
    return std::string_view("^{}[]~|\\").find(c) != std::string_view::npos;
}
int single(bool wide) {
    return wide ? 70 : 160;
}
int perPart(bool wide) {
    return wide ? 67 : 153;
}
}  // namespace

int smsUnits(const std::string& text, bool wide) {
    if (wide) return static_cast<int>(text.size());
    int n = 0;
    for (char c : text) n += escaped(c) ? 2 : 1;
    return n;
}

int smsSingleUnits(bool wide) {
    return single(wide);
}

int smsMaxUnits(bool wide) {
    return SmsMaxParts * perPart(wide);
}

SmsSize smsSize(int units, bool wide) {
    if (units <= 0) return {0, single(wide)};
    if (units <= single(wide)) return {1, single(wide) - units};
    int parts = (units + perPart(wide) - 1) / perPart(wide);
    return {parts, parts * perPart(wide) - units};
}

std::string smsPartsText(int units, bool wide) {
    SmsSize s = smsSize(units, wide);
    if (s.parts <= 1) return {};
    return std::to_string(s.parts) + " SMS, " + td::W("осталось ") + std::to_string(s.left);
}

std::string smsCutText(int units) {
    return td::W("обрезано до ") + std::to_string(units);
}

std::string smsFit(const std::string& text, bool wide) {
    int limit = smsMaxUnits(wide), n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        n += wide ? 1 : (escaped(text[i]) ? 2 : 1);
        if (n > limit) return text.substr(0, i);
    }
    return text;
}

}  // namespace td::mainlogic
