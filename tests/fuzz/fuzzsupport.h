#pragma once
// Helpers of the fuzz targets: cutting the input into parts, a scratch
// folder, and a failed property that stops the fuzzer.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// The input cut at every `sep`.
inline std::vector<std::string> split(std::string_view data, char sep) {
    std::vector<std::string> out(1);
    for (char c : data) {
        if (c == sep)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// A folder of this process, made once, for targets that need files.
inline const std::string& scratchDir() {
    static const std::string dir = [] {
        auto p =
            std::filesystem::temp_directory_path() / ("tapdeck-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return dir;
}

// A property that does not hold: print both sides and abort, so the fuzzer
// keeps the input as a crash.
[[noreturn]] inline void mismatch(const char* what, const std::string& expected,
                                  const std::string& got) {
    std::fprintf(stderr, "round trip mismatch: %s\n  expected: [%s]\n  got:      [%s]\n", what,
                 expected.c_str(), got.c_str());
    std::abort();
}

inline void expectEqual(const char* what, const std::string& expected, const std::string& got) {
    if (expected != got) mismatch(what, expected, got);
}

}  // namespace fuzz
