#include "showrun.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/cp1251.h"
#include "platform/files.h"
#include "resident.h"

namespace celltalk {

WindowMode windowMode(const std::string& value) {
    const std::string v = td::upperAscii(td::trim(value));
    if (v == "NORM") return WindowMode::Norm;
    if (v == "MAX") return WindowMode::Max;
    return WindowMode::Min;
}

bool displayPresent(const std::function<const char*(const char*)>& getenv) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = getenv(name);
        if (v && *v) return true;
    }
    return false;
}

bool wantWindow(WindowMode mode, bool display) {
    return mode != WindowMode::Min && display;
}

std::vector<std::string> windowModulePaths(const std::string& exeDir) {
    if (exeDir.empty()) return {};
    return {exeDir + "/" + kWindowModuleName, exeDir + "/../lib/tapdeck/" + kWindowModuleName};
}

namespace {

// The folder of the running executable, where the window module lies.
std::string exeDir() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Runs with the window; kWindowNotStarted when the module is missing or no
// window could be opened.
int runWithWindow(const RunRequest& req, const Config& cfg) {
    void* handle = nullptr;
    for (const std::string& module : windowModulePaths(exeDir())) {
        handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle) break;
    }
    if (!handle) return kWindowNotStarted;
    auto entry = reinterpret_cast<WindowEntry>(::dlsym(handle, kWindowEntryName));
    if (!entry) return kWindowNotStarted;
    WindowRun w;
    w.operation = req.operation;
    w.maximized = windowMode(cfg.window) == WindowMode::Max;
    w.beep = cfg.beep;
    w.run = [&req](RunObserver* o) {
        RunRequest r = req;
        r.observer = o;
        return runOperation(r);
    };
    w.stop = requestInterrupt;
    w.stopRequested = interruptRequested;
    w.toUtf8 = [](const std::string& s) { return td::cp1251ToUtf8(s); };
    // The module stays loaded: Qt keeps handlers registered for the process's life.
    return entry(&w);
}

}  // namespace

int runAsAsked(const RunRequest& asked) {
    RunRequest req = asked;
    Config cfg;
    try {
        cfg = loadConfig(req.dir);
        req.config = std::make_shared<const Config>(cfg);  // the run reads no ini again
    } catch (const EngineError&) {
        // Shown without a window; the run reports the fault itself.
    }
    int code = kWindowNotStarted;
    // A resident engine of the port runs it on its open line, without a window.
    if (!resident::handOver(req, cfg, code)) {
        if (wantWindow(windowMode(cfg.window), displayPresent(::getenv)))
            code = runWithWindow(req, cfg);
        if (code != kWindowNotStarted) return code;  // the window beeped, if asked
        code = runOperation(req);
    }
    if (cfg.beep && !interruptRequested()) {  // a stopped run ends silently
        std::fputs("\a", stderr);
        std::fflush(stderr);
    }
    return code;
}

}  // namespace celltalk
