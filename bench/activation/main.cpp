// The main window with an own phone book of 100,000 entries: the time from
// creating the windows to the caption of the first activation, and how long
// the main window does not answer when a child window closes (the
// re-activation that follows), with the book as it was and after the child
// saved a changed book. After each, the window's name lists must equal what
// a fresh read of the settings file gives.

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/forms.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "formats/ownbook.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "printeddialogs.h"
#include "verdict.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBig = 100000;
constexpr double kStartAim = 0.3;     // seconds to the caption
constexpr double kAnswerAim = 0.016;  // seconds without an answer after a child closes
constexpr int kCloses = 20;

using bench::PrintedDialogs;

double seconds(Clock::time_point since) {
    return bench::secondsSince(since);
}

// A child window that the user closes at once; `during` acts while it is open.
struct ClosingAtOnce : td::ModalRunner {
    std::function<void()> during;
    Clock::time_point closedAt;
    int showModal(QWidget*) override {
        if (during) during();
        closedAt = Clock::now();
        return 0;
    }
};

// The names of the box, as shown, against the PhoneBook section read afresh.
bool sameAsFreshRead(TForm1* form, const std::string& ini) {
    const auto fresh = td::IniFile(ini).readSection(std::string(td::setting::PhoneBookSection));
    for (const char* name :
         {"ComboBoxAbonentName", "ComboBoxSmsRecepter", "ComboBoxSmsRecepterRus"}) {
        auto* box = form->findChild<QComboBox*>(name);
        if (!box || box->count() != static_cast<int>(fresh.size())) return false;
        for (int i = 0; i < box->count(); ++i)
            if (td::toWin(box->itemText(i)) != fresh[static_cast<size_t>(i)].first) return false;
        if (box->currentIndex() != -1 || !box->currentText().isEmpty()) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    td::installQtServices();
    PrintedDialogs dialogs(false);
    td::services().dialogs = &dialogs;
    ClosingAtOnce modal;
    td::setModalRunner(&modal);

    fs::path dir = fs::temp_directory_path() / ("bench_activation_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const char* f : {"tapdeck.ini", "celltalk.ini"})
        fs::copy_file(fs::path(DEMO_DIR) / f, dir / f);
    td::files::setCurrentDir(dir.string());
    td::prog().StartDir = dir.string();
    const std::string ini = td::startPath(td::OwnIniName);
    std::vector<td::PBRecord> rows;
    rows.reserve(kBig);
    for (int i = 0; i < kBig; ++i)
        rows.push_back({"Abonent " + std::to_string(i), "+7916" + std::to_string(1000000 + i)});
    if (!td::saveOwnBook(ini, rows)) return EXIT_FAILURE;

    int failures = 0;
    auto t0 = Clock::now();
    td::createForms();
    TForm1* main = td::forms().Form1;
    main->show();
    while (!main->firstActivationDone()) QCoreApplication::processEvents();
    const double start = seconds(t0);
    const bool startRight = main->windowTitle().startsWith("Hi ") && sameAsFreshRead(main, ini);
    failures += !startRight;
    bench::verdict("activation: start-up to the caption, 100,000-entry own book",
                   startRight ? bench::seconds(start) : "names differ",
                   "< " + bench::seconds(kStartAim), startRight && start < kStartAim);

    // The settings window closes: it writes its options into the settings
    // file (as it does at every close), the book untouched.
    double longest = 0;
    bool same = true;
    for (int i = 0; i < kCloses; ++i) {
        modal.during = [&] {
            td::IniFile own(ini);
            td::writeSetting(own, td::setting::OwnBeep, i % 2 ? "YES" : "NO");
        };
        main->bbSetUpClick();
        longest = std::max(longest, seconds(modal.closedAt));
        same = same && sameAsFreshRead(main, ini);
    }
    failures += !same;
    bench::verdict(
        "activation: longest unanswered moment after a child window closes (book as it was)",
        same ? bench::number("%.1f ms", longest * 1000) : "names differ",
        bench::number("<= %.0f ms", kAnswerAim * 1000), same && longest <= kAnswerAim);

    // The own phone book window saved a changed book before it closed.
    modal.during = nullptr;
    longest = 0;
    same = true;
    for (int i = 0; i < 5; ++i) {
        modal.during = [&] {
            rows[static_cast<size_t>(i * 7)].name = "Changed " + std::to_string(i);
            rows.push_back({"Added " + std::to_string(i), "+7903" + std::to_string(i)});
            td::saveOwnBook(ini, rows);
        };
        main->bbPhoneBookClick();
        longest = std::max(longest, seconds(modal.closedAt));
        same = same && sameAsFreshRead(main, ini);
    }
    modal.during = nullptr;
    failures += !same;
    bench::verdict("activation: re-activation after the own book was saved changed",
                   same ? bench::number("%.1f ms", longest * 1000) : "names differ",
                   "no aim (names checked)", same);

    td::setModalRunner(nullptr);
    td::destroyForms();
    fs::remove_all(dir);
    return failures == 0 && dialogs.told == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
