#pragma once
// Helpers of the engine tests: a scratch folder with the engine's ini files,
// and phones scripted line by line.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp1251.h"
#include "platform/files.h"
#include "transport.h"

namespace celltalk::test {

// A fresh folder with celltalk.ini pointing at itself and the given
// Operations (names and texts in UTF-8 for readability).
struct EngineDir {
    std::string dir;
    EngineDir(const EngineDir&) = delete;
    EngineDir(std::initializer_list<std::pair<std::string, std::string>> operations,
              const std::string& common = "ComPort=SIM\r\nTimeout=0.3\r\n") {
        static int counter = 0;
        auto p = std::filesystem::temp_directory_path() /
                 ("celltalk-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(p);
        std::filesystem::create_directories(p);
        dir = p.string();
        std::string ini = "[Common]\r\nModelIni=celltalk.ini\r\n" + common +
                          "[AutoRun]\r\nWait=0\r\n[Operations]\r\n";
        for (const auto& [name, text] : operations) ini += name + "=" + text + "\r\n";
        write("celltalk.ini", ini);
    }
    ~EngineDir() { std::filesystem::remove_all(dir); }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    // Writes a file; `utf8` is converted to Windows-1251.
    void write(const std::string& name, const std::string& utf8) const {
        td::files::writeAll(path(name), td::utf8ToCp1251(utf8));
    }
    bool has(const std::string& name) const { return td::files::exists(path(name)); }
    // The lines of a file, converted to UTF-8.
    std::vector<std::string> lines(const std::string& name) const {
        std::vector<std::string> l;
        td::files::readLines(path(name), l);
        for (auto& s : l) s = td::cp1251ToUtf8(s);
        return l;
    }
    std::string text(const std::string& name) const {
        std::string all;
        for (const auto& l : lines(name)) all += l + "\n";
        return all;
    }
    // No marker, no "$" work file left anywhere.
    bool clean() const {
        if (has("celltalk.run")) return false;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (e.path().filename().string().rfind("$", 0) == 0) return false;
        return true;
    }
};

// Lends a test-owned phone to the engine.
using Borrowed = LentTransport;

// Starts a program in `dir`, its output to `output` (nowhere when empty).
inline pid_t spawnIn(const std::string& dir, const std::vector<std::string>& args,
                     const std::string& output = "/dev/null") {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(120);
        int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// The exit code of a finished child process; minus the signal that ended it.
inline int waitExit(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// A phone whose answer to each command line is computed by `answer`.
class ScriptedPhone : public Transport {
  public:
    std::function<std::string(const std::string&)> answer;
    std::function<std::string()> noise;  // sent with every read while set
    std::vector<std::string> received;
    std::string raw;  // every byte the engine wrote
    bool waits = true;
    // Still on the line when the engine starts (an earlier run's answers):
    // handed out first, one piece per read.
    std::vector<std::string> late;

    void write(std::string_view b) override {
        raw += b;
        partial_ += b;
        size_t pos;
        while ((pos = partial_.find_first_of("\r\x1A")) != std::string::npos) {
            std::string line = partial_.substr(0, pos);
            partial_.erase(0, pos + 1);
            received.push_back(line);
            if (answer) pending_ += answer(line);
        }
    }
    std::string read(int ms) override {
        std::string out;
        if (!late.empty()) {
            out = late.front();
            late.erase(late.begin());
            return out;
        }
        out.swap(pending_);
        if (noise) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            out += noise();
        } else if (out.empty() && waits) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 20)));
        }
        return out;
    }
    bool canWait() const override { return waits; }

  private:
    std::string partial_, pending_;
};

// Hands out what another phone sends at most `chunk` bytes per read, the way
// a serial line delivers an answer in pieces.
class ChunkedLink : public Transport {
  public:
    ChunkedLink(Transport& inner, size_t chunk) : inner_(inner), chunk_(chunk) {}
    void write(std::string_view b) override { inner_.write(b); }
    std::string read(int ms) override {
        if (held_.empty()) held_ = inner_.read(ms);
        std::string out = held_.substr(0, chunk_);
        held_.erase(0, out.size());
        return out;
    }
    bool canWait() const override { return inner_.canWait(); }

  private:
    Transport& inner_;
    size_t chunk_;
    std::string held_;
};

// Hands out what another phone sends `delay` after it was sent, the way a
// laggy link (Bluetooth rfcomm) delivers every answer late.
class LateLink : public Transport {
  public:
    LateLink(Transport& inner, std::chrono::milliseconds delay) : inner_(inner), delay_(delay) {}
    void write(std::string_view b) override { inner_.write(b); }
    std::string read(int ms) override {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            std::string got = inner_.read(0);
            if (!got.empty()) held_.push_back({now + delay_, got});
            std::string out;
            while (!held_.empty() && held_.front().first <= now) {
                out += held_.front().second;
                held_.erase(held_.begin());
            }
            if (!out.empty() || now >= end) return out;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

  private:
    Transport& inner_;
    std::chrono::milliseconds delay_;
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> held_;
};

}  // namespace celltalk::test
