// One engine run from end to end: the interrupt flag, the link to the
// phone, the arguments checked, the marker, result and error files around
// the execution, and the command line.

#include "engine.h"

#include <atomic>
#include <optional>

#include "executor.h"
#include "formats/fieldcursor.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/runmarker.h"
#include "ports.h"
#include "runinternal.h"

namespace celltalk {

using td::trim;

namespace {
std::atomic<bool> g_interrupt{false};
}  // namespace

void requestInterrupt() {
    g_interrupt.store(true);
}
bool interruptRequested() {
    return g_interrupt.load();
}
void clearInterrupt() {
    g_interrupt.store(false);
}

std::unique_ptr<Transport> openTransport(const Config& cfg) {
    if (cfg.simulated()) {
        std::string state = cfg.simState;
        if (!state.empty() && state[0] != '/') state = td::files::join(cfg.dir, state);
        return std::make_unique<SimTransport>(td::files::toOsPath(state));
    }
    return std::make_unique<SerialTransport>(trim(cfg.comPort), cfg.baud);
}

void checkArguments(const RunRequest& req) {
    // A line end inside an argument would end the AT command it is put in
    // and start another one of the caller's making. The text of a message
    // (the second argument) may hold line breaks and tabs: it only ever goes
    // as message text.
    struct Part {
        const std::string& text;
        const char* what;
        bool messageText;
    };
    for (const Part& p :
         {Part{req.operation, "имя операции", false}, Part{req.args.arg1, "аргумент 1", false},
          Part{req.args.arg2, "аргумент 2", true}}) {
        for (unsigned char c : p.text) {
            if (c >= 0x20 && c != 0x7F) continue;
            if (p.messageText && (c == '\r' || c == '\n' || c == '\t')) continue;
            char code[8];
            std::snprintf(code, sizeof code, "%d", c);
            throw EngineError(td::W(p.what) + td::W(" содержит управляющий символ (код ") + code +
                                  td::W("): переводы строк и другие управляющие символы в "
                                        "аргументах не допускаются"),
                              2);
        }
    }
}

int runOperation(const RunRequest& req, const TransportFactory& makeTransport) {
    const std::string marker = td::files::join(req.dir, td::RunMarkerName);
    const std::string errFile = td::files::join(req.dir, td::EngineErrorName);
    td::files::remove(errFile);
    // The marker carries this process's id and its lock, so that a marker
    // left by a killed engine can be told from a running one.
    std::optional<td::RunMarkerHold> hold;
    if (req.keepMarker) hold.emplace(marker);
    if (req.observer) req.observer->started(req.operation);

    int code = 0;
    std::string reason;
    std::unique_ptr<Outputs> out;
    try {
        checkArguments(req);
        Config cfg = req.config ? *req.config : loadConfig(req.dir);
        td::files::makeDir(cfg.autoRunDir());
        out = std::make_unique<Outputs>(cfg);
        out->log.open();
        std::string text = lookupOperation(cfg, req.operation);
        std::vector<Step> steps;
        try {
            steps = expandOperation(text, req.args, folderBatchLoader(cfg));
        } catch (const OpError& e) {
            throw EngineError(td::W("операция \"") + req.operation + "\": " + e.what(), 2);
        }
        if (trim(cfg.comPort).empty())
            throw EngineError(missingPortMessage(ports::listCandidates("/dev")), 2);
        std::unique_ptr<Transport> link = makeTransport(cfg);
        Executor ex(*link, *out, cfg, req.args);
        ex.watch(req.observer);
        ex.resume(req.line);
        ex.run(steps);
        out->commitAll();
    } catch (const EngineError& e) {
        code = e.code();
        reason = e.what();
    } catch (const TransportError& e) {
        code = 1;
        reason = e.what();
    } catch (const Interrupted&) {
        code = 3;
        reason = td::W("работа прервана сигналом");
    } catch (const std::exception& e) {
        code = 1;
        reason = e.what();
    }
    if (code != 0) {
        if (out) {
            out->discardResults();
            try {
                out->log.line(td::W("Ошибка: ") + reason);
                out->log.commit();
            } catch (...) {
                out->log.discard();
            }
        }
        // The error file is the one thing a failed run must leave; on a full
        // disk the log makes room for it.
        if (!td::files::writeLines(errFile, {reason}) && out) {
            out->log.unpublish();
            td::files::writeLines(errFile, {reason});
        }
    }
    if (hold) hold->release();
    if (req.observer) req.observer->finished(code, reason);
    return code;
}

namespace {
// "oper "a b" "c"" given as one parameter text: split at blanks outside quotes.
std::vector<std::string> splitParameterText(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}
}  // namespace

bool parseCommandLine(const std::vector<std::string>& argv, RunRequest& req) {
    std::vector<std::string> a(argv.begin() + (argv.empty() ? 0 : 1), argv.end());
    if (a.size() == 1 && a[0].find(' ') != std::string::npos) a = splitParameterText(a[0]);
    if (a.size() < 2 || a.size() > 4 || !td::equalsNoCase(a[0], "oper")) return false;
    // A terminal gives UTF-8, a front end Windows-1251: both are taken.
    req.operation = argumentText(td::outerQuotes(a[1]));
    req.args.arg1 = a.size() > 2 ? argumentText(td::outerQuotes(a[2])) : "";
    req.args.arg2 = a.size() > 3 ? argumentText(td::outerQuotes(a[3])) : "";
    return !req.operation.empty();
}

}  // namespace celltalk
