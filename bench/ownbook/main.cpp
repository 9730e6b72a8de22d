// Saves and loads an own phone book of 100,000 entries (and smaller ones, to
// show how the time grows) in a settings file that also holds the other
// sections, and prints the times.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "phonebook/ownbook.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main() {
    fs::path dir = fs::temp_directory_path() / ("bench_ownbook_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string ini = (dir / "tapdeck.ini").string();
    td::files::writeLines(ini, {"[Common]", "Beep=NO", "[History]", "0=hello"});

    std::printf("%10s %10s %10s\n", "entries", "save s", "load s");
    int failures = 0;
    for (int n : {1000, 4000, 16000, 100000}) {
        std::vector<td::PBRecord> rows;
        rows.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            rows.push_back({"Abonent " + std::to_string(i), "+7916" + std::to_string(1000000 + i)});

        auto t0 = Clock::now();
        bool saved = static_cast<bool>(td::saveOwnBook(ini, rows));
        double save = seconds(t0);

        auto t1 = Clock::now();
        td::OwnBookRows book = td::loadOwnBook(ini);
        double load = seconds(t1);

        bool same = saved && book.count == n && book.rows.back().number == rows.back().number;
        if (!same) ++failures;
        std::printf("%10d %10.3f %10.3f%s\n", n, save, load, same ? "" : "  (book differs!)");
    }
    fs::remove_all(dir);
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
