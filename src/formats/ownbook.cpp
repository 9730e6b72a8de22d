#include "formats/ownbook.h"

#include <unordered_map>

#include "engine/phonenumber.h"
#include "engine/settingkeys.h"
#include "platform/cp1251.h"
#include "platform/ini.h"

namespace td {

const std::string PhoneBookSection{setting::PhoneBookSection};

OwnBookRows loadOwnBook(const std::string& iniPath) {
    auto entries = IniFile(iniPath).readSection(PhoneBookSection);
    std::unordered_map<std::string, size_t> first;  // folded name -> its first entry
    first.reserve(entries.size());
    OwnBookRows out;
    out.rows.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& key = entries[i].first;
        const std::string& value =
            entries[first.try_emplace(foldCase(key), i).first->second].second;
        if (isBlankCell(value)) {
            out.rows.push_back({});
        } else {
            out.rows.push_back({key, value});
            ++out.count;
        }
    }
    return out;
}

OwnBookSave saveOwnBook(const std::string& iniPath, const std::vector<PBRecord>& rows) {
    OwnBookSave result;
    std::vector<std::pair<std::string, std::string>> entries;
    std::unordered_map<std::string, size_t> index;  // folded name -> its entry
    for (size_t i = 0; i < rows.size(); ++i) {
        const PBRecord& r = rows[i];
        if (isBlankCell(r.name) || isBlankCell(r.number)) continue;
        std::string name = noEquals(r.name);
        IniProblem nameProblem = iniKeyProblem(name);
        IniProblem numberProblem = iniValueProblem(r.number);
        // A name of blanks only is as empty as one blank.
        if (nameProblem == IniProblem::Empty) continue;
        if (nameProblem != IniProblem::None || numberProblem != IniProblem::None) {
            result.refused = true;
            result.badRow = static_cast<int>(i) + 1;
            result.badName = nameProblem != IniProblem::None;
            result.problem = result.badName ? nameProblem : numberProblem;
            return result;
        }
        // The number is stored as the phone dials it: a blank in it would
        // split it into several recipients of a send.
        std::optional<std::string> number = normalizePhoneNumber(r.number);
        if (!number) {
            result.refused = true;
            result.badRow = static_cast<int>(i) + 1;
            result.badName = false;
            result.notANumber = true;
            return result;
        }
        auto [it, fresh] = index.try_emplace(foldCase(name), entries.size());
        if (fresh)
            entries.emplace_back(std::move(name), std::move(*number));
        else
            entries[it->second].second = std::move(*number);
    }
    result.ok = IniFile(iniPath).writeSection(PhoneBookSection, entries);
    return result;
}

std::string ownBookRefusal(const OwnBookSave& result, const std::vector<PBRecord>& rows) {
    const PBRecord& r = rows.at(static_cast<size_t>(result.badRow - 1));
    if (result.notANumber)
        return W("- Номер \"") + r.number + W("\" в строке ") + std::to_string(result.badRow) +
               W(" не является номером телефона: допустимы цифры и знаки \"+\", \"*\", \"#\" "
                 "(пробелы, дефисы, скобки и точки убираются).\rНичего не сохранено, исправьте "
                 "строку.");
    std::string why = result.problem == IniProblem::BadStart
                          ? W("имя не может начинаться со знака \"[\" или \";\"")
                          : W("в тексте есть перевод строки");
    std::string text = result.badName ? W("- Имя \"") + r.name : W("- Номер \"") + r.number;
    return text + W("\" в строке ") + std::to_string(result.badRow) + W(" нельзя сохранить: ") +
           why + W(".\rНичего не сохранено, исправьте строку.");
}

std::string noEquals(std::string s) {
    for (char& c : s)
        if (c == '=') c = '-';
    return s;
}

}  // namespace td
