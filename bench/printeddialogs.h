#pragma once
// What a benchmark's windows would ask or tell is printed, never shown: a
// message counts as a fault of the run, a question gets the given answer.

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/cp1251.h"
#include "platform/services.h"

namespace bench {

struct PrintedDialogs : td::Dialogs {
    explicit PrintedDialogs(bool answer) : answer_(answer) {}
    int told = 0;
    void message(const std::string& text) override {
        ++told;
        std::printf("message: %s\n", td::cp1251ToUtf8(text).c_str());
    }
    bool confirm(const std::string&) override { return answer_; }

  private:
    bool answer_;
};

inline double secondsSince(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace bench
