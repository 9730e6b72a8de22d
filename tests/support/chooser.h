#pragma once
// A file dialog for tests: answers the open and save questions in turn.

#include <deque>
#include <string>
#include <vector>

#include "platform/qtservices.h"

namespace td::test {

// Answers the file dialogs in turn; "" (or no answer left) is a cancel.
struct ScriptedChooser : td::FileChooser {
    std::deque<std::string> answers;
    std::vector<std::string> titles;
    std::string next(const std::string& title) {
        titles.push_back(title);
        if (answers.empty()) return {};
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
    std::string saveName(QWidget*, const std::string& title, const std::string&,
                         const std::string&) override {
        return next(title);
    }
    std::string openName(QWidget*, const std::string& title, const std::string&) override {
        return next(title);
    }
};

}  // namespace td::test
