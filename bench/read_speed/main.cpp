// The speed the user sees. With the real engine against the simulated phone
// on a pseudo-terminal, the phone book window reads a book of 250 entries,
// once on the fixed poll schedule and once with QuickRead; the times from
// the click to the filled grid stand beside the engine's own time for the
// same operation. Then the window's grid is filled from 5,000 and 50,000
// records the way a fresh answer fills it (events run after each row).

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/settings.h"
#include "phonebook/GetPBook.h"
#include "phonebook/pblist.h"
#include "phonesim.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "state.h"
#include "widgets/stringgrid.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 250, kBigBook = 50000;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct YesDialogs : td::Dialogs {
    std::vector<std::string> messages;
    void message(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string&) override { return true; }
};

void writeState(const std::string& path, int entries) {
    phonesim::State s = phonesim::seedState();
    phonesim::PhoneBook& sm = s.books["SM"];
    sm.capacity = entries;
    sm.entries.clear();
    for (int i = 1; i <= entries; ++i) {
        std::string num = "+7916" + std::to_string(1000000 + i);
        sm.entries[i] = {num, phonesim::numberType(num), "Абонент " + std::to_string(i)};
    }
    phonesim::saveStateFile(path, s);
}

// The engine alone: best of three runs of the operation.
double engineSeconds(const QString& dir) {
    double best = 1e9;
    for (int r = 0; r < 3; ++r) {
        QProcess p;
        p.setWorkingDirectory(dir);
        auto t0 = Clock::now();
        p.start(CELLTALK_EXE, {"oper", "Book"});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) return -1;
        best = std::min(best, secondsSince(t0));
    }
    return best;
}

// The simulated phone with a book of `entries` on a pseudo-terminal, and
// the engine's settings for reading all of it (operation "Book").
struct SimulatedPhone {
    QProcess sim;
    SimulatedPhone(const std::string& dir, int entries) {
        const std::string pty = dir + "/ttySIM" + std::to_string(entries);
        const std::string state = dir + "/phone" + std::to_string(entries) + ".state";
        writeState(state, entries);
        sim.start(PHONESIM_EXE,
                  {"--pty", QString::fromStdString(pty), "--state", QString::fromStdString(state)});
        for (int i = 0; i < 300 && !fs::exists(pty); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ofstream(dir + "/celltalk.ini")
            << "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" << pty
            << "\r\n[Operations]\r\nBook=at+cscs=\"UCS2\"|at+cpbs=\"SM\"|at+cpbr=1," << entries
            << "\r\n";
    }
    ~SimulatedPhone() {
        sim.terminate();
        sim.waitForFinished(5000);
    }
};

// The +CPBR lines of the engine's last result.
int entriesRead() {
    std::ifstream f(td::files::toOsPath(td::autoRunPath(td::prog().PBFile)));
    int n = 0;
    for (std::string l; std::getline(f, l);) n += l.rfind("+CPBR: ", 0) == 0;
    return n;
}

// One click on the phone book window's refresh button, until the grid is filled.
double clickToGrid(TForm4* window, bool quick, int entries, bool& complete) {
    auto* grid = window->findChild<StringGrid*>("StringGridMobilePB");
    grid->clearRows(1);
    td::prog().QuickRead = quick;
    auto t0 = Clock::now();
    window->bbGetPBookClick();
    double s = secondsSince(t0);
    complete = grid->cell(0, entries) == td::W("Абонент ") + std::to_string(entries) &&
               grid->cell(0, entries + 1).empty();
    return s;
}

double fillSeconds(TForm4* window, int n) {
    auto* grid = window->findChild<StringGrid*>("StringGridMobilePB");
    auto* counter = window->findChild<QLabel*>("lGetRecordCount");
    std::vector<td::PBRecord> records;
    records.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i)
        records.push_back({"Abonent " + std::to_string(i), "+7916" + std::to_string(1000000 + i)});
    grid->clearRows(1);
    grid->resetRows();
    QCoreApplication::processEvents();
    auto t0 = Clock::now();
    td::fillRecords(grid, counter, records, true);
    double s = secondsSince(t0);
    if (grid->cell(1, n) != records.back().number) return -1;
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    td::installQtServices();
    YesDialogs dialogs;
    td::services().dialogs = &dialogs;

    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    fs::create_symlink(CELLTALK_EXE, dir + "/celltalk");
    QDir::setCurrent(tmp.path());
    td::prog().StartDir = td::files::currentDir();
    td::prog().PhoneBookName = "Book";
    td::files::makeDir(td::autoRunPath(""));

    auto* window = new TForm4;
    window->show();
    QCoreApplication::processEvents();
    int failures = 0;
    auto verdict = [&failures](bool ok) {
        failures += !ok;
        return ok ? "" : "  INCOMPLETE";
    };

    std::printf(
        "Phone book read by the real engine from the simulated phone on a pseudo-terminal\n");
    {
        SimulatedPhone phone(dir, kEntries);
        double engine = engineSeconds(tmp.path());
        bool slowOk = false, quickOk = false;
        double slow = clickToGrid(window, false, kEntries, slowOk);
        double quick = clickToGrid(window, true, kEntries, quickOk);
        std::printf("  %d entries: engine alone (best of 3) %.3f s\n", kEntries, engine);
        std::printf("    click to grid, QuickRead=NO:  %7.3f s%s\n", slow, verdict(slowOk));
        std::printf("    click to grid, QuickRead=YES: %7.3f s%s\n", quick, verdict(quickOk));
        std::printf("    aim (QuickRead <= engine + 0.3 s): %s\n",
                    engine > 0 && quick <= engine + 0.3 ? "met" : "NOT met");
        failures += engine < 0;
    }
    {
        SimulatedPhone phone(dir, kBigBook);
        double engine = engineSeconds(tmp.path());
        int read = entriesRead();
        std::printf("  %d entries: engine alone (best of 3) %.3f s, %d entries read%s\n", kBigBook,
                    engine, read, verdict(engine > 0 && read == kBigBook));
        bool quickOk = false;
        double quick = clickToGrid(window, true, kBigBook, quickOk);
        std::printf("    click to grid, QuickRead=YES: %7.3f s%s\n", quick, verdict(quickOk));
    }

    std::printf("Grid fill from a fresh answer (events after each row)\n");
    for (int n : {5000, 50000}) {
        double s = fillSeconds(window, n);
        failures += s < 0;
        std::printf("  %6d records: %7.3f s%s\n", n, s, s < 0 ? "  GRID WRONG" : "");
    }
    delete window;
    for (const std::string& m : dialogs.messages) std::printf("message: %s\n", m.c_str());
    return failures == 0 ? 0 : 1;
}
