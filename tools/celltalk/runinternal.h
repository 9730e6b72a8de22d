#pragma once
// What the files of an engine run share and nothing outside them uses: the
// ways a run's inner steps end, the interrupt check of every wait, and how
// seconds are written in the log.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine.h"

namespace celltalk {

using Clock = std::chrono::steady_clock;

// A signal asked the run to stop.
struct Interrupted {};

// The phone did not answer a command in time.
struct NoAnswer : EngineError {
    using EngineError::EngineError;
};

// The commands of a call: dial, answer (A) and back on line (O). What
// became of the call (NO CARRIER, BUSY, NO ANSWER, CONNECT) is their final
// word, never a report of its own.
inline bool callCommand(std::string_view prefix) {
    return prefix == "D" || prefix == "A" || prefix == "O";
}

inline void checkInterrupt() {
    if (interruptRequested()) throw Interrupted{};
}

inline std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", s);
    return buf;
}

}  // namespace celltalk
