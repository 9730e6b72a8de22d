// phonesim --pty PATH [--state FILE] [--baud N] [--control FILE [--ring-every SEC]]:
// serves a simulated phone on a pseudo-terminal linked at PATH until SIGINT
// or SIGTERM; lines appended to the control file are the network's events.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "phonesim.h"
#include "pty.h"

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int) {
    g_stop.store(true);
}

int usage() {
    std::fprintf(stderr,
                 "usage: phonesim --pty PATH [--state FILE] [--baud N] [--control FILE]\n"
                 "                [--ring-every SEC]\n"
                 "  --pty PATH    link the pseudo-terminal's slave at PATH\n"
                 "  --state FILE  keep the phone's state in FILE (seeded when absent)\n"
                 "  --baud N      pace the phone's output to N baud\n"
                 "  --control FILE  take events from lines appended to FILE:\n"
                 "                sms NUMBER TEXT | call NUMBER | hangup\n"
                 "  --ring-every SEC  seconds between two rings of a call (3)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string ptyPath, stateFile, controlFile;
    int baud = 0;
    double ringEvery = 3.0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--pty" && hasValue) {
            ptyPath = argv[++i];
        } else if (arg == "--state" && hasValue) {
            stateFile = argv[++i];
        } else if (arg == "--control" && hasValue) {
            controlFile = argv[++i];
        } else if (arg == "--ring-every" && hasValue) {
            char* end = nullptr;
            ringEvery = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(ringEvery >= 0.05 && ringEvery <= 60)) return usage();
        } else if (arg == "--baud" && hasValue) {
            char* end = nullptr;
            long v = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || v < 0 || v > 4000000) return usage();
            baud = static_cast<int>(v);
        } else {
            return usage();
        }
    }
    if (ptyPath.empty()) return usage();

    phonesim::Phone phone(stateFile);
    if (!phone.loadError().empty()) {
        std::fprintf(stderr, "phonesim: cannot read the state: %s\n", phone.loadError().c_str());
        return 1;
    }
    phonesim::PtyServer server(phone, ptyPath, baud);
    if (!controlFile.empty()) server.control(controlFile, ringEvery);
    std::string error;
    if (!server.open(&error)) {
        std::fprintf(stderr, "phonesim: %s\n", error.c_str());
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::fprintf(stderr, "phonesim: serving on %s (%s)\n", ptyPath.c_str(),
                 server.slavePath().c_str());
    server.run(g_stop);
    return 0;
}
