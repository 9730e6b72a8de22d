// celltalk oper "<operation>" ["<arg1>"] ["<arg2>"]
// Runs one operation of the operations ini against the phone, in the current
// folder. Exit code 0 on success; otherwise CellTalk.err says why. The
// operations ini's AutoRun/Window may ask for a window that shows the run.
// celltalk ports [--dev DIR] | ports --set DEVICE: finds the phone (ports.h).
// celltalk serve: the resident engine (resident.h).

#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "engine.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "ports.h"
#include "resident.h"
#include "showrun.h"

namespace {

extern "C" void onSignal(int) {
    celltalk::requestInterrupt();
}

void installHandlers() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a blocked wait returns and sees the request
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // A file-size limit makes a write fail (EFBIG) instead of ending the
    // run before it can clean up and say why.
    signal(SIGXFSZ, SIG_IGN);
}

// For a person at a terminal (UTF-8).
const char kUsage[] =
    "celltalk oper \"<операция>\" [\"<арг1>\"] [\"<арг2>\"]\n"
    "    выполняет операцию из секции [Operations] файла операций (celltalk.ini,\n"
    "    ключ ModelIni) с телефоном, указанным ключом ComPort, в текущей папке;\n"
    "    ответы - в папке AutoRun, причина неудачи - в CellTalk.err\n"
    "celltalk serve\n"
    "    держит порт телефона до остановки (SIGINT, SIGTERM): операции oper\n"
    "    выполняются на открытом порту, извещения телефона - в AutoRun/Events.log\n"
    "celltalk ports [--dev DIR]\n"
    "    находит телефон: последовательные устройства и ответы на AT\n"
    "celltalk ports --set DEVICE\n"
    "    записывает ComPort=DEVICE в celltalk.ini текущей папки и предлагает\n"
    "    правило udev, чтобы ModemManager не занимал этот телефон\n"
    "Коды выхода: 0 выполнено, 1 нет связи с телефоном, 2 неверный вызов,\n"
    "настройки или операция, 3 прервано сигналом, 4 телефон отверг команду,\n"
    "5 телефон ещё передаёт ответ прошлой операции (линия не затихла).\n";

}  // namespace

int main(int argc, char** argv) {
    installHandlers();
    std::vector<std::string> args(argv, argv + argc);
    celltalk::RunRequest req;
    req.dir = td::files::currentDir();
    if (args.size() > 1 && args[1] == "ports")
        return celltalk::ports::runPorts(args, req.dir, std::cout, std::cerr,
                                         ::isatty(STDIN_FILENO) ? &std::cin : nullptr);
    if (args.size() == 2 && args[1] == "serve")
        return celltalk::resident::serve(req.dir, std::cerr);
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() < 2) {
        std::cerr << kUsage;
        return 2;
    }
    if (!celltalk::parseCommandLine(args, req)) {
        std::cerr << kUsage;
        td::files::writeLines(
            td::files::join(req.dir, td::EngineErrorName),
            {td::W("вызов: celltalk oper \"<операция>\" [\"<арг1>\"] [\"<арг2>\"]")});
        return 2;
    }
    return celltalk::runAsAsked(req);
}
