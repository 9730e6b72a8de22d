#include "sms/smslist.h"

#include <algorithm>
#include <map>

#include "engine/phonenumber.h"
#include "engine/readcycle.h"
#include "engine/texthelpers.h"
#include "formats/pbrecord.h"
#include "platform/cp1251.h"
#include "platform/services.h"

namespace td::sms {

std::string MarkText() {
    return W("Удалить");
}

bool usableIndex(const std::string& index) {
    if (index.empty() || index == " ") return false;
    std::optional<long long> n = td::parseWhole(index);
    return n && *n >= 0;
}

bool blankCell(const std::string& s) {
    return s.empty() || s == " ";
}

Selection selectRow(const std::string& who, const std::string& text, int row,
                    const std::vector<std::string>& indexes, const std::string& reSendOperation) {
    Selection s;
    if (blankCell(who) && blankCell(text)) return s;
    if (indexes.empty() || row < 1 || indexes.size() < static_cast<std::size_t>(row)) {
        s.needRefresh = indexes.empty();
        return s;
    }
    s.ok = true;
    s.index = indexes[row - 1];
    s.actions = usableIndex(s.index) && !blankCell(reSendOperation);
    return s;
}

std::string toggledMark(const std::string& cell) {
    return cell == MarkText() ? std::string() : MarkText();
}

Reply resolveReply(const std::string& correspondent, const std::vector<std::string>& ownNames,
                   const std::vector<std::string>& ownNumbers,
                   const std::vector<std::string>& nameList) {
    Reply r;
    r.text = trim(correspondent, " ");
    for (std::size_t i = 0; i < ownNames.size(); ++i) {
        if (trim(ownNames[i], " ") != r.text) continue;
        r.kind = Reply::OwnBook;
        r.ownIndex = static_cast<int>(i);
        r.number = i < ownNumbers.size() ? ownNumbers[i] : std::string();
        return r;
    }
    for (const std::string& line : nameList) {
        PBRecord copy = splitRecordLine(line);
        if (trim(copy.name, " ") != r.text) continue;
        r.kind = Reply::BookCopy;
        r.number = copy.number;
        return r;
    }
    std::optional<long long> n = td::parseWhole(r.text);
    if (n && *n != 0) {
        r.kind = Reply::Number;
        r.number = r.text;
    }
    return r;
}

std::string unknownReplyText(const std::string& text) {
    return W("- Номер абонента \"") + text + W("\" неизвестен !");
}

GroupDelete planGroupDelete(const std::vector<std::string>& marks, const std::string& selected,
                            const std::string& deleteCommand) {
    GroupDelete g;
    for (const std::string& m : marks)
        if (std::find(g.marks.begin(), g.marks.end(), m) == g.marks.end()) g.marks.push_back(m);
    if (g.marks.empty()) return g;
    bool selectedMarked = std::find(g.marks.begin(), g.marks.end(), selected) != g.marks.end();
    g.argument = selectedMarked ? selected : g.marks.back();
    for (const std::string& m : g.marks)
        if (m != g.argument) g.batPrefix += deleteCommand + m + "|";
    return g;
}

std::vector<std::string> withOtherParts(const std::vector<std::string>& indexes,
                                        const std::vector<std::string>& lines,
                                        const std::vector<std::string>& prefixes) {
    std::map<std::string, std::vector<std::string>> parts;
    for (const std::string& line : lines)
        if (std::optional<SmsFields> f = readSmsRecord(line, prefixes))
            parts.try_emplace(f->index, std::move(f->parts));
    std::vector<std::string> out;
    auto add = [&out](const std::string& i) {
        if (std::find(out.begin(), out.end(), i) == out.end()) out.push_back(i);
    };
    for (const std::string& i : indexes) {
        add(i);
        if (auto it = parts.find(i); it != parts.end())
            for (const std::string& p : it->second) add(p);
    }
    return out;
}

namespace {
std::map<std::string, std::pair<std::string, std::string>> byIndex(
    const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
    std::map<std::string, std::pair<std::string, std::string>> out;
    for (SmsRow& r : listRows(lines, prefixes, nullptr))
        out.try_emplace(r.index, std::move(r.who), std::move(r.text));
    return out;
}
}  // namespace

std::vector<std::string> changedMarks(const std::vector<std::string>& marks,
                                      const std::vector<std::string>& shown,
                                      const std::vector<std::string>& now,
                                      const std::vector<std::string>& prefixes) {
    const auto before = byIndex(shown, prefixes), after = byIndex(now, prefixes);
    std::vector<std::string> changed;
    for (const std::string& m : marks) {
        auto b = before.find(m), a = after.find(m);
        if (b == before.end() || a == after.end() || a->second != b->second) changed.push_back(m);
    }
    return changed;
}

std::string changedMarksText(const std::vector<std::string>& changed) {
    std::string list;
    for (const std::string& m : changed) list += (list.empty() ? "" : ", ") + m;
    return W("- Эти SMS изменились в телефоне после чтения списка и не удалены (номера в "
             "памяти): ") +
           list;
}

std::string groupDeleteQuestion(std::size_t count) {
    return W("Вы действительно хотите удалить  ") + std::to_string(count) +
           W("  SMS из Вашего аппарата ?") + "\r\r" + TakesHalfAMinute();
}

std::string deleteQuestion(const std::string& text, const std::string& who) {
    return W("Вы действительно хотите удалить SMS из Вашего аппарата ?") + "\r\r\"" + text +
           "\"\r" + W("(абонент \"") + who + "\")\r\r" + TakesHalfAMinute();
}

}  // namespace td::sms
