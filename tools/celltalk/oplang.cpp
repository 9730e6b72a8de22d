#include "oplang.h"

#include <cmath>
#include <cstdlib>

#include "platform/cp1251.h"

namespace celltalk {

namespace {

// Blanks and stray line ends around an item (a batch file written through a
// text-mode stream ends its lines in CR CR LF) are no part of the command.
std::string trim(const std::string& s) {
    return td::trim(s, " \t\r\n");
}

std::string replaceMark(const std::string& s, const std::string& value) {
    std::string out;
    for (char c : s) {
        if (c == kNumberMark)
            out += value;
        else
            out += c;
    }
    return out;
}

// The items of a command text: split at every "|" that stands outside a
// quoted text. A double quote opens a quoted text only when another one
// closes it further on, so a stray quote hides no separator.
std::vector<std::string> splitItems(const std::string& text) {
    std::vector<std::string> items(1);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '|') {
            items.emplace_back();
            continue;
        }
        if (c == '"') {
            size_t close = text.find('"', i + 1);
            if (close != std::string::npos) {
                items.back().append(text, i, close - i + 1);
                i = close;
                continue;
            }
        }
        items.back() += c;
    }
    return items;
}

struct Budget {
    size_t batchReads = 0;
};

void add(std::vector<Step>& out, Step s) {
    if (out.size() >= kMaxSteps)
        throw OpError(td::W("операция разрастается больше чем на ") + std::to_string(kMaxSteps) +
                      td::W(" команд"));
    out.push_back(std::move(s));
}

// `putArgument` false: the first argument named the batch file being read
// (!bat[), so a mark in its lines is text of its own (a "№" in a date book
// title) and stays as written.
void expandInto(const std::string& text, const OpArgs& args, const BatchLoader& load, int depth,
                bool putArgument, Budget& budget, std::vector<Step>& out) {
    for (const std::string& raw : splitItems(text)) {
        std::string item = trim(raw);
        if (item.empty()) continue;
        if (item[0] != '!') {
            add(out, {Step::Kind::Command, putArgument ? replaceMark(item, args.arg1) : item, -1});
            continue;
        }
        std::string word = td::upperAscii(item.substr(0, 4));
        std::string rest = trim(item.substr(std::min<size_t>(4, item.size())));
        if (word == "!DLY") {
            double sec = -1;
            if (!rest.empty()) {
                char* end = nullptr;
                sec = std::strtod(rest.c_str(), &end);
                if (end == rest.c_str() || *end != '\0' || !std::isfinite(sec) || sec < 0 ||
                    sec > kMaxDelaySec)
                    throw OpError(td::W("неверная пауза (от 0 до ") +
                                  std::to_string(static_cast<int>(kMaxDelaySec)) + td::W(" с): ") +
                                  item);
            }
            add(out, {Step::Kind::Delay, {}, sec});
        } else if (word == "!BAT") {
            std::string name;
            bool byArgument = false;
            if (!rest.empty() && rest[0] == '"') {
                size_t close = rest.find('"', 1);
                if (close == std::string::npos)
                    throw OpError(td::W("нет закрывающей кавычки: ") + item);
                name = rest.substr(1, close - 1);
            } else if (!rest.empty() && rest[0] == '[') {
                name = args.arg1;
                byArgument = true;
            } else {
                throw OpError(td::W("неверный макрос пакета: ") + item);
            }
            name = trim(name);
            if (name.empty()) throw OpError(td::W("не задано имя пакетного файла: ") + item);
            if (depth >= kMaxBatchDepth)
                throw OpError(td::W("слишком глубокая вложенность пакетов: ") + name);
            if (++budget.batchReads > kMaxBatchReads)
                throw OpError(td::W("операция читает больше ") + std::to_string(kMaxBatchReads) +
                              td::W(" пакетных файлов"));
            auto lines = load(name);
            if (!lines) throw OpError(td::W("пакетный файл не найден: ") + name);
            for (const auto& line : *lines)
                expandInto(line, args, load, depth + 1, putArgument && !byArgument, budget, out);
        } else if (word == "!SMS") {
            if (!rest.empty()) throw OpError(td::W("неверный макрос: ") + item);
            auto numbers = splitRecipients(args.arg1);
            if (numbers.empty()) throw OpError(td::W("не заданы номера получателей SMS"));
            for (auto& n : numbers) add(out, {Step::Kind::SendSms, n, -1});
        } else if (word == "!SMW") {
            // A message to store: status, number, time, text (read by the executor).
            if (rest.empty()) throw OpError(td::W("неверный макрос: ") + item);
            add(out, {Step::Kind::StoreSms, rest, -1});
        } else {
            throw OpError(td::W("неизвестный макрос: ") + item);
        }
    }
}

}  // namespace

std::vector<std::string> splitRecipients(const std::string& list) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : list + " ") {
        if (c == ' ' || c == '\t' || c == ',' || c == ';') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    return out;
}

std::vector<Step> expandOperation(const std::string& text, const OpArgs& args,
                                  const BatchLoader& loadBatch) {
    std::vector<Step> out;
    Budget budget;
    expandInto(text, args, loadBatch, 0, true, budget, out);
    return out;
}

}  // namespace celltalk
