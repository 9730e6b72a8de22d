// The own phone book of 100,000 entries (and smaller ones, to show how the
// time grows): saved and loaded in a settings file that also holds the
// other sections, then the 100,000 opened in the own phone book window (the
// file read and the grid filled) and saved from it. Each time beside its aim.

#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "phonebook/TpdPBook.h"
#include "formats/ownbook.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "printeddialogs.h"
#include "verdict.h"
#include "widgets/stringgrid.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBig = 100000;
constexpr double kFileAim = 1.0, kWindowAim = 1.0;  // seconds

using bench::PrintedDialogs;

double seconds(Clock::time_point since) {
    return bench::secondsSince(since);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    td::installQtServices();
    PrintedDialogs dialogs(true);
    td::services().dialogs = &dialogs;

    fs::path dir = fs::temp_directory_path() / ("bench_ownbook_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    td::prog().StartDir = dir.string();
    const std::string ini = td::startPath(td::OwnIniName);
    td::files::writeLines(ini, {"[Common]", "Beep=NO", "[History]", "0=hello"});

    std::printf("%10s %10s %10s\n", "entries", "save s", "load s");
    int failures = 0;
    double bigSave = 0, bigLoad = 0;
    std::vector<td::PBRecord> rows;
    for (int n : {1000, 10000, kBig}) {
        rows.clear();
        rows.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            rows.push_back({"Abonent " + std::to_string(i), "+7916" + std::to_string(1000000 + i)});

        auto t0 = Clock::now();
        bool saved = static_cast<bool>(td::saveOwnBook(ini, rows));
        bigSave = seconds(t0);

        auto t1 = Clock::now();
        td::OwnBookRows book = td::loadOwnBook(ini);
        bigLoad = seconds(t1);

        bool same = saved && book.count == n && book.rows.back().number == rows.back().number;
        failures += !same;
        std::printf("%10d %10.3f %10.3f%s\n", n, bigSave, bigLoad, same ? "" : "  (book differs!)");
    }
    const std::string big = "ownbook: " + std::to_string(kBig) + "-entry own book";
    bench::verdict(big + " saved to its file", bench::seconds(bigSave), bench::seconds(kFileAim),
                   bigSave <= kFileAim);
    bench::verdict(big + " loaded from its file", bench::seconds(bigLoad), bench::seconds(kFileAim),
                   bigLoad <= kFileAim);

    auto t0 = Clock::now();
    auto* window = new TForm3;
    window->show();
    QCoreApplication::processEvents();
    const double open = seconds(t0);
    auto* grid = window->findChild<StringGrid*>("StringGridPhoneBook");
    const bool shown = grid && grid->cell(1, kBig) == rows.back().number;
    failures += !shown;
    bench::verdict(big + " opened in the window", shown ? bench::seconds(open) : "grid wrong",
                   bench::seconds(kWindowAim), shown && open <= kWindowAim);

    t0 = Clock::now();
    window->bbSaveClick();
    const double save = seconds(t0);
    const bool kept = td::loadOwnBook(ini).count == kBig;
    failures += !kept;
    bench::verdict(big + " saved from the window (grid read, file written, grid refilled)",
                   kept ? bench::seconds(save) : "book differs", bench::seconds(kWindowAim),
                   kept && save <= kWindowAim);
    delete window;
    fs::remove_all(dir);
    return failures == 0 && dialogs.told == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
