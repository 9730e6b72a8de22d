// The operation language on any command text and batch files: expansion
// ends in steps or an OpError, within its bounds, whatever the files hold.
#include <cmath>
#include <cstdint>

#include "fuzzsupport.h"
#include "oplang.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // command text \0 argument 1 \0 argument 2 \0 batch file (any name reads it)
    auto parts = fuzz::split(std::string_view(reinterpret_cast<const char*>(data), size), '\0');
    parts.resize(4);
    for (int k : {1, 2})  // the engine refuses control characters in arguments before this
        for (unsigned char c : parts[k])
            if (c < 0x20 || c == 0x7F) return 0;
    auto batch = fuzz::split(parts[3], '\n');
    celltalk::BatchLoader load = [&](const std::string&) { return batch; };
    try {
        auto steps = celltalk::expandOperation(parts[0], {parts[1], parts[2]}, load);
        if (steps.size() > celltalk::kMaxSteps) fuzz::mismatch("steps bounded", "", "");
        for (const auto& s : steps) {
            if (s.kind == celltalk::Step::Kind::Delay && s.seconds != -1 &&
                !(std::isfinite(s.seconds) && s.seconds >= 0 &&
                  s.seconds <= celltalk::kMaxDelaySec))
                fuzz::mismatch("delay in range", "", std::to_string(s.seconds));
        }
    } catch (const celltalk::OpError&) {
    }
    return 0;
}
