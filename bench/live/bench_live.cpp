// The phone, live: from a new message on the simulated phone (its control
// line, then +CMTI at 115200) to the program's notification, through the
// resident engine the program keeps. Printed beside the engine's part (the
// message's line in Events.log, its one-message read included) and beside a
// one-message read run on its own. Median of several.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/livephone.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/keptprocess.h"
#include "platform/notifier.h"
#include "platform/process.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "verdict.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

struct TimedNotifier : td::Notifier {
    int count = 0;
    void notify(const std::string&, const std::string&, std::function<void()>) override { ++count; }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    td::installQtServices();
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 7;

    char tmpl[] = "/tmp/bench-live-XXXXXX";
    const fs::path dir = ::mkdtemp(tmpl);
    fs::create_directory(dir / "AutoRun");
    const std::string pty = (dir / "pty").string(), control = (dir / "control").string();
    std::ofstream(control).close();
    std::ofstream(dir / "celltalk.ini")
        << "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" << pty
        << "\r\nBaud=115200\r\n[Operations]\r\nRead=at+cmgr=\xb9\r\n";
    std::ofstream(dir / "tapdeck.ini")
        << "[Common]\r\nLivePhone=YES\r\nResidentEngine=YES\r\n[PhoneBook]\r\n"
        << td::W("Анна") << "=89161234567\r\n";
    fs::create_symlink(CELLTALK_EXE, dir / "celltalk");

    pid_t sim = ::fork();
    if (sim == 0) {
        ::execl(PHONESIM_EXE, PHONESIM_EXE, "--pty", pty.c_str(), "--baud", "115200", "--control",
                control.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 200 && !fs::exists(pty); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    td::files::setCurrentDir(dir.string());
    td::prog().StartDir = dir.string();
    td::prog().LivePhone = true;
    TimedNotifier notifier;
    td::ChildProcess engine;
    td::LivePhone live(notifier, engine);
    live.start();
    const fs::path events = dir / "AutoRun" / "Events.log";
    for (int i = 0; i < 500 && !fs::exists(dir / "AutoRun" / "Resident.log"); ++i)
        td::pump().sleep(10);

    std::vector<double> toLine, toNotice, read;
    for (int r = 0; r < runs; ++r) {
        const auto before = fs::exists(events) ? fs::file_size(events) : 0;
        const int shown = notifier.count;
        std::ofstream(control, std::ios::app) << "sms +79161234567 Привет " << r << "\n";
        const auto t0 = Clock::now();
        double line = -1;
        while (since(t0) < 5 && notifier.count == shown) {
            if (line < 0 && fs::exists(events) && fs::file_size(events) > before) line = since(t0);
            td::pump().sleep(1);
        }
        toNotice.push_back(notifier.count > shown ? since(t0) : -1);
        toLine.push_back(line);
        // The same message read again by a run of its own (handed over to
        // the resident engine as every run of the program is).
        std::string out;
        const auto t1 = Clock::now();
        const int code = td::runForOutput("celltalk", "oper Read " + std::to_string(r + 1),
                                          dir.string(), out, [](int ms) { td::pump().sleep(ms); });
        read.push_back(code == 0 ? since(t1) : -1);
    }
    live.stop();
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    fs::remove_all(dir);

    const bool all = *std::min_element(toNotice.begin(), toNotice.end()) > 0 &&
                     *std::min_element(toLine.begin(), toLine.end()) > 0 &&
                     *std::min_element(read.begin(), read.end()) > 0;
    const double notice = median(toNotice), engineLine = median(toLine), oneRead = median(read);
    std::printf(
        "%d messages: to the notification %.3f s, to the Events.log line %.3f s, "
        "a one-message read on its own %.3f s (medians)\n",
        runs, notice, engineLine, oneRead);
    bool ok = bench::verdict(
        "live phone: a new message to its notification at 115200 (the phone's 100 ms look at its "
        "control file and the engine's one-message read included)",
        bench::seconds(notice), "0.500 s + the read (" + bench::seconds(0.5 + oneRead) + ")",
        all && notice <= 0.5 + oneRead);
    ok = bench::verdict(
             "live phone: the program's part, from the Events.log line to the "
             "notification",
             bench::seconds(notice - engineLine), "0.250 s", all && notice - engineLine <= 0.25) &&
         ok;
    return ok ? 0 : 1;
}
