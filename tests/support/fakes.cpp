#include "support/fakes.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/readcycle.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace td::test {

bool ScriptedDialogs::confirm(const std::string& text) {
    questions.push_back(text);
    if (answers.empty()) {
        if (failOnUnscripted) ADD_FAILURE() << "unscripted question: " << cp1251ToUtf8(text);
        return defaultAnswer;
    }
    bool a = answers.front();
    answers.pop_front();
    return a;
}

void VirtualPump::runDue() {
    if (running_) return;  // an action that pumps events does not re-enter the queue
    running_ = true;
    while (!actions_.empty() && actions_.begin()->first <= now) {
        auto f = std::move(actions_.begin()->second);
        actions_.erase(actions_.begin());
        f();
    }
    running_ = false;
}

void VirtualPump::processEvents() {
    ++processEventsCalls;
    runDue();
    if (onEvents) onEvents();
}

void VirtualPump::sleep(int ms) {
    sleeps.push_back(ms);
    long long target = now + (ms > 0 ? ms : 0);
    // Step through the actions due inside the wait, each at its own moment.
    while (!actions_.empty() && actions_.begin()->first <= target) {
        if (actions_.begin()->first > now) now = actions_.begin()->first;
        runDue();
        if (onEvents) onEvents();
    }
    now = target;
}

void VirtualPump::at(long long atMs, std::function<void()> f) {
    actions_.emplace(atMs, std::move(f));
}

int RecordingStarter::open(const std::string& file, const std::string& params,
                           const std::string& dir, int show) {
    starts.push_back({file, params, dir, show});
    if (onStart) onStart(starts.back());
    return result;
}

std::vector<std::string> RecordingStarter::params() const {
    std::vector<std::string> out;
    for (const auto& s : starts) out.push_back(s.params);
    return out;
}

void FixedClock::setLocal(int year, int month, int day, int hour, int min, int sec) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = min;
    tm.tm_sec = sec;
    tm.tm_isdst = -1;
    t = std::mktime(&tm);
}

TestEnv::TestEnv() {
    saved_ = services();
    char tmpl[] = "/tmp/tapdeck-test-XXXXXX";
    char* d = ::mkdtemp(tmpl);
    if (!d) throw std::runtime_error("mkdtemp failed");
    dir = d;
    markers = dir + "/markers";
    files::makeDir(markers);
    files::makeDir(dir + "/AutoRun");
    oldCwd_ = files::currentDir();
    files::setCurrentDir(dir);
    setMarkerDir(markers);
    installServices(dialogs, feedback, pump, starter, clock);
    resetProg();
    ReadCycle::resetLastPoll();
    files::resumeWrites();
    prog().StartDir = dir;
}

TestEnv::~TestEnv() {
    services() = saved_;
    setMarkerDir("");
    files::resumeWrites();
    files::setCurrentDir(oldCwd_);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    resetProg();
    ReadCycle::resetLastPoll();
}

std::string TestEnv::path(const std::string& name) const {
    return dir + "/" + name;
}

bool TestEnv::exists(const std::string& name) const {
    return files::pathExists(path(name));  // a folder too
}

void TestEnv::writeFile(const std::string& name, const std::string& utf8, bool crlf) const {
    std::string text = utf8ToCp1251(utf8);
    std::string out;
    for (char c : text) {
        if (c == '\n' && crlf) out += '\r';
        out += c;
    }
    std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
    std::ofstream(path(name), std::ios::binary) << out;
}

std::string TestEnv::readFile(const std::string& name) const {
    std::string bytes;
    files::readAll(path(name), bytes);
    return bytes;
}

std::string W(const std::string& utf8) {
    return utf8ToCp1251(utf8);
}
std::string U(const std::string& cp1251) {
    return cp1251ToUtf8(cp1251);
}

}  // namespace td::test
