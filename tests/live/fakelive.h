#pragma once
// A recording notifier and a scripted resident engine for the live phone's
// tests.

#include <functional>
#include <string>
#include <vector>

#include "platform/keptprocess.h"
#include "platform/notifier.h"

namespace td::test {

struct RecordingNotifier : Notifier {
    struct Shown {
        std::string title, body;
        std::function<void()> clicked;
    };
    std::vector<Shown> shown;
    void notify(const std::string& title, const std::string& body,
                std::function<void()> clicked) override {
        shown.push_back({title, body, std::move(clicked)});
    }
};

struct ScriptedEngine : KeptProcess {
    std::vector<std::string> starts;  // "params @ dir"
    bool up = false, refuse = false;
    int stops = 0;
    std::string words;  // its last line on stderr (UTF-8)
    bool start(const std::string&, const std::string& params, const std::string& dir) override {
        starts.push_back(params + " @ " + dir);
        up = !refuse;
        return up;
    }
    bool running() override { return up; }
    std::string lastWords() override { return words; }
    void stop(int) override {
        stops += up;
        up = false;
    }
};

}  // namespace td::test
