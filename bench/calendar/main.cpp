// A calendar of 30,000 events (and smaller ones, to show how the time grows)
// added to a date book's last copy that already holds as many, as the import
// does it: the file read through libical, each event checked against those
// there, the new ones numbered on. Each time beside its aim.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/exchangefile.h"
#include "formats/mdbrecord.h"
#include "platform/files.h"
#include "verdict.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kAim = 3.0;  // seconds for 30,000 events

std::string calendar(int count) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n";
    for (int i = 0; i < count; ++i) {
        const int day = i % 28 + 1, month = i / 28 % 12 + 1, year = 2025 + i / 336;
        char start[32];
        std::snprintf(start, sizeof start, "%04d%02d%02dT%02d%02d00", year, month, day, i % 24,
                      i % 60);
        text += "BEGIN:VEVENT\r\nUID:" + std::to_string(i) + "@bench\r\nSUMMARY:Event " +
                std::to_string(i) + "\r\nDTSTART:" + start + "\r\nDURATION:PT30M\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

}  // namespace

int main() {
    const std::string dir =
        td::files::join(std::filesystem::temp_directory_path().string(), "tapdeck-bench-calendar");
    td::files::makeDir(dir);
    const std::string path = td::files::join(dir, "big.ics");
    double last = 0;
    for (int count : {10000, 20000, 30000}) {
        td::files::writeAll(path, calendar(count));
        // A last copy that already holds other events as many as the file.
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            lines.push_back(
                td::writeMdbRecord({std::to_string(i + 1), "Old " + std::to_string(i), "1", "0",
                                    "10:00", "01-01-2020", "0", "10:00", "01-01-2020", "0"}));
        int added = 0;
        const auto t0 = Clock::now();
        td::exchange::importDateBookFile(path, lines, td::MdbRecordPrefix, &added);
        last = std::chrono::duration<double>(Clock::now() - t0).count();
        bench::verdict("calendar: import of " + std::to_string(count) + " events into as many",
                       bench::seconds(last) + " (" + std::to_string(added) + " added)",
                       count == 30000 ? "< 3 s" : "-", count != 30000 || last < kAim);
    }
    td::files::remove(path);
    return 0;
}
