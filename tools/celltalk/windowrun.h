#pragma once
// What the engine hands its window module (celltalk_window.so): the run to
// carry out and how to stop it. Both sides are built together from this
// header; the module needs nothing else of the engine.

#include <functional>
#include <string>

#include "observer.h"

namespace celltalk {

struct WindowRun {
    std::string operation;  // Windows-1251
    bool maximized = false;
    bool beep = false;  // signal the end audibly
    // Carries out the operation, reporting to the observer; returns the exit code.
    std::function<int(RunObserver*)> run;
    std::function<void()> stop;           // asks the run to end, as a signal does
    std::function<bool()> stopRequested;  // a stop (or a signal) has been asked for
    std::function<std::string(const std::string&)> toUtf8;  // Windows-1251 to UTF-8
};

// The module's entry: runs the operation with the window shown and returns
// its exit code, or kWindowNotStarted when no window could be opened (the
// operation has then not been started).
constexpr int kWindowNotStarted = -1000;
using WindowEntry = int (*)(const WindowRun*);
inline constexpr const char* kWindowEntryName = "celltalk_window_run";
inline constexpr const char* kWindowModuleName = "celltalk_window.so";

}  // namespace celltalk
