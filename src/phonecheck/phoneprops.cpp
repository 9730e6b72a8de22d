#include "phonecheck/phoneprops.h"

#include <cmath>

#include "engine/settingkeys.h"
#include "engine/texthelpers.h"
#include "formats/fieldcursor.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace td {

const std::string CheckBatchName = "CheckPhone.bat";
const std::string PropCopyName = "LastProp.txt";

namespace {

// The answers by which a phone names what it has accepted, in Capability order.
const std::array<std::string, CapCount> kAcceptedAnswers = {"\"UCS2\"",  "\"PCCP437\"", "\"UTF8\"",
                                                            "\"UTF-8\"", "1",           "0"};

const std::array<std::string, CapCount> kCapNames = {"UCS2",  "PCCP437", "UTF8",
                                                     "UTF-8", "TEXTSMS", "PDUSMS"};

// The six texts of the record with their last-copy keys, in file order.
struct TextField {
    const char* key;  // as written; read upper-cased
    std::optional<std::string> PhoneProperties::*field;
};
const std::array<TextField, 6> kTextFields = {{
    {"Firm=", &PhoneProperties::firm},
    {"Model=", &PhoneProperties::model},
    {"IMEI=", &PhoneProperties::imei},
    {"Soft=", &PhoneProperties::soft},
    {"Battery=", &PhoneProperties::battery},
    {"Signal=", &PhoneProperties::signal},
}};

// A capability answer: the exact text names what the phone took.
void classify(const std::string& answer, PhoneProperties& props) {
    for (int c = 0; c < CapCount; ++c)
        if (answer == kAcceptedAnswers[c]) props.caps[c] = true;
}

}  // namespace

CheckEntry splitCheckEntry(const std::string& text) {
    size_t dash = text.find('-');
    if (dash == std::string::npos) return {text, {}};
    return {text.substr(0, dash), text.substr(dash + 1)};
}

CheckList readCheckList(const std::function<std::string(const std::string& key)>& valueOf) {
    CheckList list;
    for (size_t i = 0; i < CheckEntryCount; ++i) {
        std::string text = valueOf(std::to_string(i));
        if (text.empty()) break;
        list.push_back(splitCheckEntry(text));
    }
    return list;
}

CheckBatchResult prepareCheckBatch(const std::string& ownIniPath, const std::string& batchPath,
                                   CheckList& list) {
    list.clear();
    if (!files::exists(ownIniPath)) return CheckBatchResult::NoOwnIni;
    const IniFile ini(ownIniPath);
    list = readCheckList([&ini](const std::string& key) {
        return ini.readString(std::string(setting::CheckProperSection), key, "");
    });
    if (list.size() < CheckEntryCount) return CheckBatchResult::TooFew;
    if (!files::writeLines(batchPath, {checkBatchLine(list)}))
        return CheckBatchResult::CannotCreate;
    return CheckBatchResult::Written;
}

std::string checkBatchLine(const CheckList& list) {
    std::string line;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0) line += "|";
        const CheckEntry& e = list[i];
        line += "at" + e.command;
        if (!e.value.empty()) line += "=" + e.value + "|at" + e.command + "?";
    }
    return line;
}

const std::string& capabilityName(Capability c) {
    return kCapNames[c];
}

std::optional<std::string> signalText(std::optional<long long> rssi) {
    if (!rssi || *rssi < 0) return std::nullopt;
    // 99 is the phone's "not known or not detectable"; the scale ends at 31.
    if (*rssi > 31) return std::string();
    long percent = std::lrint(std::nearbyint(static_cast<double>(*rssi) / 31.0 * 100.0));
    return std::to_string(percent) + "%";
}

void parsePhoneLog(const std::vector<std::string>& lines, const CheckList& list,
                   PhoneProperties& props) {
    if (list.empty()) return;
    std::vector<std::string> commands, values;
    for (const CheckEntry& e : list) {
        commands.push_back(upperAscii(e.command));
        values.push_back(upperAscii(e.value));
    }
    const std::string lead = commands[0].substr(0, 2);

    for (const std::string& raw : lines) {
        const std::string line = upperAscii(raw);
        if (line.size() <= 3 || !line.starts_with(lead)) continue;
        for (size_t j = 0; j < commands.size(); ++j) {
            const std::string& cmd = commands[j];
            if (!line.starts_with(cmd + ":")) continue;
            const std::string answer = trim(CopyFromChars(line, ':'), " ");
            if (cmd == "+CGMI") {
                props.firm = answer;
            } else if (cmd == "+CGMM") {
                props.model = answer;
            } else if (cmd == "+CGSN") {
                props.imei = answer;
            } else if (cmd == "+CGMR") {
                props.soft = answer;
            } else if (cmd == "+CSQ") {
                if (auto s = signalText(FieldCursor(answer).number())) props.signal = *s;
            } else if (cmd == "+CBC") {
                // The charge as written after the comma, a blank before it kept.
                FieldCursor c(answer);
                const std::optional<long long> state = c.number();
                if (!state) c.skip();
                props.charging = state == 1LL;
                props.battery = std::string(c.rest()) + "%";
            } else {
                // A capability test counts only when the answer names one of
                // the values the first entries set; otherwise a later entry
                // with the same command may still claim the line.
                bool named = false;
                for (size_t k = 0; k < CapabilityValueEntries && k < values.size(); ++k)
                    if (!values[k].empty() && answer.find(values[k]) != std::string::npos)
                        named = true;
                if (!named) continue;
                classify(answer, props);
            }
            break;
        }
    }
}

std::vector<std::string> propertiesCopyLines(const PhoneProperties& props) {
    std::vector<std::string> out;
    for (int c = 0; c < CapCount; ++c)
        out.push_back(kCapNames[c] + "=" + (props.caps[c] ? "Yes" : "No"));
    for (const TextField& f : kTextFields)
        if (const auto& text = props.*f.field) out.push_back(f.key + *text);
    return out;
}

void readPropertiesCopy(const std::vector<std::string>& lines, PhoneProperties& props) {
    std::array<std::string, CapCount> capText;
    for (const std::string& raw : lines) {
        const std::string line = upperAscii(raw);
        auto after = [&line](const std::string& key) -> std::optional<std::string> {
            size_t at = line.find(key);
            if (at == std::string::npos) return std::nullopt;
            return line.substr(at + key.size());
        };
        for (int c = 0; c < CapCount; ++c)
            if (auto t = after(kCapNames[c] + "=")) capText[c] = *t;
        for (const TextField& f : kTextFields)
            if (auto t = after(upperAscii(f.key))) props.*f.field = *t;
    }
    for (int c = 0; c < CapCount; ++c) props.caps[c] = capText[c] == "YES";
}

std::vector<std::string> checkReport(const std::array<bool, CapCount>& caps) {
    static const char* const kSubjects[CapCount] = {
        "указана кодировка UCS2",
        "указана кодировка PCCP437",
        "указана кодировка UTF8",
        "указана кодировка UTF-8",
        "указан текстовый формат SMS (at+cmgf=1)",
        "указан НЕ текстовый формат SMS (at+cmgf=0)",
    };
    std::vector<std::string> out = {
        W("+++ Результаты проверки ключевых характеристик телефона +++")};
    for (int c = 0; c < CapCount; ++c) {
        // The refusal of the PDU format has always been written without the
        // blank after the comma; the report keeps its wording.
        const char* head = caps[c] ? "- Вы можете использовать операции CellTalk, "
                           : c == CapPduSms ? "- Вы НЕ можете использовать операции CellTalk,"
                                            : "- Вы НЕ можете использовать операции CellTalk, ";
        out.push_back(W(head) + W("в которых ") + W(kSubjects[c]));
    }
    return out;
}

}  // namespace td
