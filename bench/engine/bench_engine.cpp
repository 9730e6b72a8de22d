// Reads a phone book of 250 entries and 100 stored messages from the
// simulated phone on a pseudo-terminal paced to 115200 baud, as a phone's
// line is: with the engine and with gammu, run in turn, and sets the engine's
// median time beside gammu's and beside the time the answer's bytes need on
// the line. Then the engine's fixed cost: a run of one short command (a
// volume key) beside a minimal client that sends the same command and reads
// its OK on the same line, and a phone book of 1000 entries beside its line
// time.
// With "window" after the number of runs, the paced read is measured once
// more with the engine's window shown (run it under a display, for example
// xvfb-run); the time is then taken to the end of the run (the log in place,
// the marker gone), which is what a front end waits for.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "phonesim.h"
#include "platform/cp1251.h"
#include "state.h"
#include "verdict.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 250, kMessages = 100;
// What a run may take beyond the line time of its answer: the engine's start,
// the commands' way to the phone, the files written at the end.
constexpr double kLineSlack = 0.3;

const char* kOperation =
    "at+cscs=\"UCS2\"|at+cpbs=\"SM\"|at+cpbr=1,250|at+cmgf=0|at+cpms=\"SM\"|at+cmgl=4";

void writeState(const std::string& path) {
    phonesim::State s = phonesim::seedState();
    phonesim::PhoneBook& sm = s.books["SM"];
    sm.capacity = kEntries;
    sm.entries.clear();
    for (int i = 1; i <= kEntries; ++i) {
        char num[32];
        std::snprintf(num, sizeof num, "+7916%07d", 1000000 + i);
        std::string name = (i % 2 ? "Абонент " : "Contact ") + std::to_string(i);
        sm.entries[i] = {num, phonesim::numberType(num), name};
    }
    phonesim::SmsStore& store = s.sms["SM"];
    store.capacity = kMessages;
    store.messages.clear();
    for (int i = 1; i <= kMessages; ++i) {
        phonesim::Sms m;
        m.status = phonesim::SmsStatus::RecRead;
        m.number = "+7903" + std::to_string(1000000 + i);
        m.time = "25/06/02,18:05:12+12";
        bool cyr = i % 2;
        m.coding = cyr ? phonesim::SmsCoding::Ucs2 : phonesim::SmsCoding::Gsm7;
        m.text = cyr ? "Сообщение номер " + std::to_string(i) + ", всё в порядке"
                     : "Message number " + std::to_string(i) + ", all is well today";
        store.messages[i] = m;
    }
    // gammu lists every memory, the engine's operation only the SIM: the
    // phone memory stays empty so that both read the same messages.
    s.sms["ME"].messages.clear();
    phonesim::saveStateFile(path, s);
}

// Starts a program; with `quiet` its output goes to `output` (a file, or
// nowhere when empty).
pid_t spawn(const std::vector<std::string>& args, const std::string& dir, bool quiet,
            const std::string& output = {}) {
    pid_t pid = fork();
    if (pid == 0) {
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(120);
        if (quiet) {
            int out = output.empty() ? open("/dev/null", O_WRONLY)
                                     : open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0) _exit(122);
            dup2(out, 1);
            dup2(out, 2);
        }
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(121);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

struct Sim {
    pid_t pid = -1;
    std::string pty;
    Sim(const std::string& dir, const std::string& state, int baud,
        const std::string& control = {}) {
        pty = dir + "/pty" + std::to_string(baud);
        std::vector<std::string> a{PHONESIM_EXE, "--pty", pty, "--state", state};
        if (baud) a.insert(a.end(), {"--baud", std::to_string(baud)});
        if (!control.empty()) a.insert(a.end(), {"--control", control});
        pid = spawn(a, "", true);
        for (int i = 0; i < 200 && !fs::exists(pty); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Sim() {
        kill(pid, SIGTERM);
        waitFor(pid);
    }
};

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Waits for the engine and returns its exit code; `runEnd` is set to the
// moment its run ended: the log in place and the marker gone.
int waitForRun(pid_t pid, const std::string& dir, Clock::time_point& runEnd) {
    bool ended = false;
    for (;;) {
        int st = 0;
        pid_t done = waitpid(pid, &st, WNOHANG);
        if (!ended && fs::exists(dir + "/AutoRun/LastRun.log") &&
            !fs::exists(dir + "/celltalk.run")) {
            runEnd = Clock::now();
            ended = true;
        }
        if (done == pid) {
            if (!ended) runEnd = Clock::now();
            return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

// Best of `runs` engine runs on the phone at `pty`; checks what was read.
// With `window` the engine shows its window (it closes at once after the run).
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

double timeEngine(const std::string& dir, const std::string& pty, int runs, bool window = false) {
    std::ofstream(dir + "/celltalk.ini")
        << "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" << pty
        << "\r\nTimeout=10\r\n[AutoRun]\r\nWindow=" << (window ? "Norm" : "Min")
        << "\r\n[Operations]\r\nBench=" << kOperation << "\r\n";
    setenv("CELLTALK_WINDOW_LINGER_MS", "0", 1);
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        fs::remove(dir + "/AutoRun/LastRun.log");
        auto t0 = Clock::now();
        Clock::time_point runEnd;
        int rc = waitForRun(spawn({CELLTALK_EXE, "oper", "Bench"}, dir, false), dir, runEnd);
        double t = seconds(runEnd - t0);
        if (rc != 0) {
            std::printf("engine failed (exit %d)\n", rc);
            return -1;
        }
        times.push_back(t);
    }
    int pb = 0, sms = 0;
    std::ifstream f(dir + "/AutoRun/LastRun.pbf");
    for (std::string l; std::getline(f, l);) pb += l.rfind("+CPBR: ", 0) == 0;
    std::ifstream g(dir + "/AutoRun/LastRun.sms");
    for (std::string l; std::getline(g, l);) sms += l.rfind("+CMGL=", 0) == 0;
    std::printf("  (engine read %d phone book entries, %d messages)\n", pb, sms);
    if (pb != kEntries || sms != kMessages) {
        std::printf("ENGINE READ INCOMPLETE: %d of %d entries, %d of %d messages\n", pb, kEntries,
                    sms, kMessages);
        return -1;
    }
    return median(times);
}

// What gammu printed: one "Memory SM, Location n" block per phone book entry
// and one "Location n, folder ..." block per message; the last entry's name
// and the last message's text show they were decoded, not only listed.
bool gammuReadAll(const std::string& output) {
    int pb = 0, sms = 0;
    bool lastName = false, lastText = false;
    const std::string name = "\"Contact " + std::to_string(kEntries) + "\"";
    const std::string text = "Message number " + std::to_string(kMessages) + ",";
    std::ifstream f(output);
    for (std::string l; std::getline(f, l);) {
        pb += l.rfind("Memory SM, Location ", 0) == 0;
        sms += l.rfind("Location ", 0) == 0 && l.find(", folder") != std::string::npos;
        lastName = lastName || l.find(name) != std::string::npos;
        lastText = lastText || l.rfind(text, 0) == 0;
    }
    if (pb == kEntries && sms == kMessages && lastName && lastText) return true;
    std::printf("GAMMU READ INCOMPLETE: %d of %d entries, %d of %d messages%s%s (output in %s)\n",
                pb, kEntries, sms, kMessages, lastName ? "" : ", last name missing",
                lastText ? "" : ", last text missing", output.c_str());
    return false;
}

double timeGammu(const std::string& dir, const std::string& pty, int runs) {
    std::ofstream(dir + "/gammurc") << "[gammu]\ndevice = " << pty << "\nconnection = at115200\n";
    std::ofstream(dir + "/gammu.batch") << "getmemory SM 1 " << kEntries << "\ngetallsms\n";
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        auto t0 = Clock::now();
        const std::string output = dir + "/gammu.out";
        int rc = waitFor(
            spawn({"/usr/bin/gammu", "-c", dir + "/gammurc", "--batch", dir + "/gammu.batch"}, dir,
                  true, output));
        double t = seconds(Clock::now() - t0);
        if (rc != 0) {
            std::printf("gammu failed (exit %d)\n", rc);
            return -1;
        }
        if (!gammuReadAll(output)) return -1;
        times.push_back(t);
    }
    return median(times);
}

// The minimal client: sends `command` on the line and reads up to its OK.
double bareExchange(const std::string& pty, const std::string& command) {
    int fd = open(pty.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B115200);
    tcsetattr(fd, TCSANOW, &tio);
    tcflush(fd, TCIOFLUSH);
    auto t0 = Clock::now();
    std::string out = command + "\r", got;
    if (write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) got = "";
    while (got.find("OK\r\n") == std::string::npos && seconds(Clock::now() - t0) < 5) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[256];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<size_t>(n));
    }
    double t = seconds(Clock::now() - t0);
    close(fd);
    return got.find("OK\r\n") == std::string::npos ? -1 : t;
}

// Median time of `runs` engine runs of `operation` (to the process's end).
double timeOperation(const std::string& dir, const std::string& pty, const std::string& operation,
                     int runs) {
    std::ofstream(dir + "/celltalk.ini") << "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" << pty
                                         << "\r\nTimeout=10\r\n[AutoRun]\r\nWindow=Min\r\n"
                                            "[Operations]\r\nOne="
                                         << operation << "\r\n";
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        auto t0 = Clock::now();
        if (waitFor(spawn({CELLTALK_EXE, "oper", "One"}, dir, true)) != 0) return -1;
        times.push_back(seconds(Clock::now() - t0));
    }
    return median(times);
}

// The bytes the phone sends for the operation's commands.
size_t answerBytes(const std::string& state) {
    std::string copy = state + ".copy";
    fs::copy_file(state, copy, fs::copy_options::overwrite_existing);
    phonesim::Phone phone(copy);
    size_t total = 0;
    std::string ops = kOperation;
    size_t start = 0;
    while (start <= ops.size()) {
        size_t bar = ops.find('|', start);
        std::string cmd =
            ops.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        start = bar == std::string::npos ? ops.size() + 1 : bar + 1;
        total += phone.input(cmd + "\r").size();
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const bool window = argc > 2 && std::string(argv[2]) == "window";
    fs::path dir = fs::temp_directory_path() / ("bench-engine-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string state = (dir / "phone.state").string();
    writeState(state);

    std::printf("Phone book of %d entries and %d messages at 115200 baud, median of %d runs\n",
                kEntries, kMessages, runs);
    const size_t bytes = answerBytes(state);
    const double line = bytes / 11520.0;
    double engine, gammu = 1, shown = 1;
    {
        Sim sim(dir.string(), state, 115200);
        engine = timeEngine(dir.string(), sim.pty, runs);
        if (!window) gammu = timeGammu(dir.string(), sim.pty, runs);
        if (window) {
            // The engine's test hook writes the window's texts: proof it was shown.
            const std::string dump = (dir / "window.txt").string();
            setenv("CELLTALK_WINDOW_DUMP", dump.c_str(), 1);
            shown = timeEngine(dir.string(), sim.pty, runs, true);
            if (!fs::exists(dump)) {
                std::printf("THE WINDOW DID NOT OPEN (is there a display?)\n");
                shown = -1;
            }
        }
    }
    std::printf("the answer's %zu bytes need %.3f s on the line\n", bytes, line);
    const std::string what = "engine: 250 entries and 100 SMS at 115200";
    bench::verdict(what + ", beside the line", bench::seconds(engine),
                   bench::seconds(line) + " + " + bench::seconds(kLineSlack),
                   engine > 0 && engine <= line + kLineSlack);
    if (!window)
        bench::verdict(what + ", beside gammu", bench::seconds(engine),
                       "gammu " + bench::seconds(gammu),
                       engine > 0 && gammu > 0 && engine <= gammu);
    if (window)
        bench::verdict(what + ", window shown", bench::seconds(shown),
                       bench::seconds(line) + " + " + bench::seconds(kLineSlack),
                       shown > 0 && shown <= line + kLineSlack);
    if (!window) {
        // The fixed cost of a run on a quiet line: a volume key by the engine
        // (process, settings, drain, sync, files) beside the bare exchange.
        Sim sim(dir.string(), state, 115200);
        std::vector<double> bare;
        for (int r = 0; r < std::max(runs, 5); ++r)
            bare.push_back(bareExchange(sim.pty, "AT+CKPD=\"u\""));
        const double one = timeOperation(dir.string(), sim.pty, "at+ckpd=\"u\"", std::max(runs, 5));
        const double exchange = median(bare);
        std::printf("a volume key: engine %.4f s, bare exchange %.4f s\n", one, exchange);
        bench::verdict(
            "engine: fixed cost of a run on a quiet line (a volume key beside a bare "
            "exchange)",
            bench::seconds(one - exchange), "0.050 s",
            one > 0 && exchange > 0 && one - exchange <= 0.050);
        if (one < 0 || exchange < 0) engine = -1;
    }
    if (!window) {
        // Through the resident engine (celltalk serve holding the line): the
        // same volume key beside a run of its own, and a new message from
        // the phone's +CMTI to its line in Events.log, the read included.
        const std::string seed = (dir / "seed.state").string(),
                          control = (dir / "control").string();
        phonesim::saveStateFile(seed, phonesim::seedState());
        Sim sim(dir.string(), seed, 115200, control);
        const int n = std::max(runs, 5);
        const double own = timeOperation(dir.string(), sim.pty, "at+ckpd=\"u\"", n);
        const std::string serveErr = (dir / "serve.err").string();
        pid_t serve = spawn({CELLTALK_EXE, "serve"}, dir.string(), true, serveErr);
        const std::string resident = (dir / "AutoRun" / "Resident.log").string();
        for (int i = 0; i < 500 && !fs::exists(resident); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const double through = timeOperation(dir.string(), sim.pty, "at+ckpd=\"u\"", n);
        std::printf("a volume key: a run of its own %.4f s, through the resident engine %.4f s\n",
                    own, through);
        bench::verdict("engine: a volume key through the resident engine, beside a run of its own",
                       bench::seconds(through), bench::seconds(own),
                       through > 0 && own > 0 && through <= own);
        const std::string events = (dir / "AutoRun" / "Events.log").string();
        std::vector<double> news;
        for (int r = 0; r < n; ++r) {
            const auto before = fs::exists(events) ? fs::file_size(events) : 0;
            std::ofstream(control, std::ios::app) << "sms +79161234567 Привет " << r << "\n";
            const auto t0 = Clock::now();
            while (seconds(Clock::now() - t0) < 3 &&
                   (!fs::exists(events) || fs::file_size(events) == before))
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            news.push_back(fs::exists(events) && fs::file_size(events) > before
                               ? seconds(Clock::now() - t0)
                               : -1);
        }
        kill(serve, SIGTERM);
        waitFor(serve);
        const double latency = *std::min_element(news.begin(), news.end()) < 0 ? -1 : median(news);
        // The control file is looked at every 100 ms: that wait is the
        // simulated network's, not the engine's.
        bench::verdict(
            "resident engine: a new message to its Events.log line at 115200 (the "
            "read included; the phone's 100 ms look at its control file too)",
            bench::seconds(latency), "0.300 s", latency > 0 && latency <= 0.3);
        if (through < 0 || own < 0 || latency < 0) engine = -1;
    }
    if (!window) {
        // A phone book of 1000 entries: the run beside the answer's line time.
        phonesim::State big = phonesim::seedState();
        phonesim::PhoneBook& sm = big.books["SM"];
        sm.capacity = 1000;
        sm.entries.clear();
        for (int i = 1; i <= 1000; ++i) {
            std::string num = "+7916" + std::to_string(2000000 + i);
            sm.entries[i] = {num, phonesim::numberType(num), "Contact " + std::to_string(i)};
        }
        const std::string bigState = (dir / "big.state").string();
        phonesim::saveStateFile(bigState, big);
        const std::string op = "at+cscs=\"GSM\"|at+cpbs=\"SM\"|at+cpbr=1,1000";
        size_t bigBytes = 0;
        {
            std::string copy = bigState + ".copy";
            fs::copy_file(bigState, copy, fs::copy_options::overwrite_existing);
            phonesim::Phone phone(copy);
            for (const char* c :
                 {"AT\r", "at+cscs=\"GSM\"\r", "at+cpbs=\"SM\"\r", "at+cpbr=1,1000\r"})
                bigBytes += phone.input(c).size();
        }
        Sim sim(dir.string(), bigState, 115200);
        const double read = timeOperation(dir.string(), sim.pty, op, runs);
        const double bigLine = bigBytes / 11520.0;
        std::printf("1000 entries: engine %.3f s, line %.3f s (%.4f x)\n", read, bigLine,
                    read / bigLine);
        bench::verdict("engine: phone book of 1000 entries at 115200, beside the line",
                       bench::number("%.3f x", read / bigLine), "1.01 x",
                       read > 0 && read <= bigLine * 1.01);
        if (read < 0) engine = -1;
    }
    if (engine < 0 || gammu < 0 || shown < 0) {
        std::printf("BENCHMARK FAILED: a reader did not read everything; files kept in %s\n",
                    dir.c_str());
        return 1;
    }
    fs::remove_all(dir);
    return 0;
}
