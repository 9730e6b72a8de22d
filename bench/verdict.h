#pragma once
// Each benchmark prints every figure beside its aim with a verdict, as one
// Markdown table row; scripts/bench.sh gathers the rows of all benchmarks
// into the README's performance table.

#include <cstdio>
#include <string>

namespace bench {

inline std::string seconds(double s) {
    char b[32];
    std::snprintf(b, sizeof b, "%.3f s", s);
    return b;
}

inline std::string number(const char* format, double v) {
    char b[64];
    std::snprintf(b, sizeof b, format, v);
    return b;
}

// Prints "| what | figure | aim | PASS or MISS |"; true when the aim was met.
inline bool verdict(const std::string& what, const std::string& figure, const std::string& aim,
                    bool met) {
    std::printf("| %s | %s | %s | %s |\n", what.c_str(), figure.c_str(), aim.c_str(),
                met ? "PASS" : "MISS");
    std::fflush(stdout);
    return met;
}

}  // namespace bench
