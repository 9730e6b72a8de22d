#include "exchange/contacts.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "engine/phonenumber.h"
#include "platform/cp1251.h"
#include "platform/ini.h"

namespace td::exchange {

bool toCp1251Checked(std::string_view utf8, std::string& out, std::string& bad) {
    out.clear();
    for (char32_t cp : utf8ToUtf32(utf8)) {
        int b = cp == U'\uFFFD' ? -1 : unicodeToCp1251(cp);
        if (b < 0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
            bad = buf;
            return false;
        }
        out += static_cast<char>(b);
    }
    return true;
}

namespace {

// Line breaks and other control characters become blanks; blanks at either
// end go.
std::string cleanText(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return trim(s);
}

std::string problemText(IniProblem p) {
    switch (p) {
        case IniProblem::BadStart:
            return W("имя не может начинаться со знака \"[\" или \";\"");
        case IniProblem::LineBreak:
            return W("в тексте есть перевод строки");
        default:
            return W("пустое имя");
    }
}

}  // namespace

MergeReport mergeContacts(std::vector<PBRecord>& rows, const ContactsRead& read) {
    MergeReport report;
    report.refused = read.refused;
    // Folded name -> number key of its first entry, as a lookup by name finds it.
    std::unordered_map<std::string, std::string> book;
    for (const PBRecord& r : rows)
        if (!r.name.empty()) book.try_emplace(foldCase(r.name), phoneMatchKey(r.number));

    for (const Contact& c : read.contacts) {
        std::string name, bad;
        if (!toCp1251Checked(c.name, name, bad)) {
            report.refused.push_back(
                {c.line, W("в имени знак ") + bad + W(", которого нет в кодировке Windows-1251")});
            continue;
        }
        if (name.find('=') != std::string::npos) {
            report.refused.push_back(
                {c.line, W("в имени знак \"=\", которого в имени книги быть не может: ") + name});
            continue;
        }
        if (std::any_of(name.begin(), name.end(), [](char ch) {
                return static_cast<unsigned char>(ch) < 0x20 && ch != '\t' && ch != '\r' &&
                       ch != '\n';
            })) {
            report.refused.push_back({c.line, W("в имени управляющий знак")});
            continue;
        }
        name = cleanText(name);
        if (IniProblem p = iniKeyProblem(name); p != IniProblem::None) {
            report.refused.push_back({c.line, problemText(p)});
            continue;
        }
        for (const std::string& raw : c.numbers) {
            // Stored as the own book stores a number it saves, compared as the
            // same subscriber ("8916…" and "+7916…" are one number).
            if (upperAscii(raw).find(";EXT=") != std::string::npos) {
                report.refused.push_back(
                    {c.line,
                     W("добавочный номер книга не хранит (его не набрать): ") + utf8ToCp1251(raw)});
                continue;
            }
            const std::optional<std::string> normal = normalizePhoneNumber(cleanText(raw));
            if (!normal) {
                report.refused.push_back({c.line, W("не номер телефона: ") + utf8ToCp1251(raw)});
                continue;
            }
            const std::string& number = *normal;
            const std::string key = phoneMatchKey(number);
            for (int k = 1;; ++k) {
                std::string candidate = k == 1 ? name : name + " (" + std::to_string(k) + ")";
                auto [it, fresh] = book.try_emplace(foldCase(candidate), key);
                if (fresh) {
                    rows.push_back({candidate, number});
                    ++report.added;
                    if (k > 1) ++report.renamed;
                    break;
                }
                if (it->second == key) {
                    ++report.skipped;
                    break;
                }
            }
        }
    }
    return report;
}

std::vector<std::string> mergeSummary(const MergeReport& report, const std::string& fileName) {
    std::vector<std::string> out;
    out.push_back(fileName + W(": добавлено ") + std::to_string(report.added) +
                  W(" (из них под новым именем ") + std::to_string(report.renamed) +
                  W("), уже были ") + std::to_string(report.skipped) + W(", не принято ") +
                  std::to_string(report.refused.size()));
    for (const Refusal& r : report.refused)
        out.push_back(fileName + W(", строка ") + std::to_string(r.line) + ": " + r.reason);
    return out;
}

}  // namespace td::exchange
