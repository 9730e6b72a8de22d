// The whole phone backed up: a book of 250 entries and 100 messages (and
// the seed's second book, missed calls and date book) on the simulated phone
// on a pseudo-terminal paced to 115200 baud, as a phone's line is. The
// backup (a probe run, the read run, the files and the manifest) stands
// beside one run of the engine alone reading the same lists with the same
// commands; the aim is at most 10 % more. Each figure is the middle of three.

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/backup.h"
#include "engine/launcher.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/qtservices.h"
#include "state.h"
#include "verdict.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 250, kMessages = 100, kBaud = 115200;
constexpr double kAim = 1.10;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

void writeState(const std::string& path) {
    phonesim::State s = phonesim::seedState();
    phonesim::PhoneBook& sm = s.books["SM"];
    sm.capacity = 300;
    sm.entries.clear();
    for (int i = 1; i <= kEntries; ++i) {
        std::string num = "+7916" + std::to_string(1000000 + i);
        sm.entries[i] = {num, phonesim::numberType(num), "Абонент " + std::to_string(i)};
    }
    phonesim::SmsStore& store = s.sms["SM"];
    store.capacity = 150;
    store.messages.clear();
    for (int i = 1; i <= kMessages; ++i) {
        phonesim::Sms m;
        // Read and sent ones only: a list read marks unread messages read,
        // and every run must read the same phone.
        m.status = i % 2 ? phonesim::SmsStatus::RecRead : phonesim::SmsStatus::StoSent;
        m.number = "+7903" + std::to_string(2000000 + i);
        if (i % 2) m.time = "25/06/02,18:05:12+12";
        m.coding = i % 3 ? phonesim::SmsCoding::Ucs2 : phonesim::SmsCoding::Gsm7;
        m.text = i % 3 ? "Сообщение номер " + std::to_string(i) + ", привет!"
                       : "Message number " + std::to_string(i) + ", hello!";
        store.messages[i] = m;
    }
    phonesim::saveStateFile(path, s);
}

double middle(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    td::QtEventPump pump;
    td::SystemClock clock;
    td::services().pump = &pump;
    td::services().clock = &clock;
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    const std::string pty = dir + "/ttySIM", state = dir + "/phone.state";
    writeState(state);
    QProcess sim;
    sim.start(PHONESIM_EXE, {"--pty", QString::fromStdString(pty), "--state",
                             QString::fromStdString(state), "--baud", QString::number(kBaud)});
    for (int i = 0; i < 300 && !fs::exists(pty); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    fs::create_symlink(CELLTALK_EXE, dir + "/celltalk");
    std::ofstream(dir + "/celltalk.ini")
        << "[Common]\r\nModelIni=celltalk.ini\r\nComPort=" << pty << "\r\n[Operations]\r\n"
        << td::BatchOperName << "=" << td::BatchOperCmd << "\r\n";
    td::files::setCurrentDir(dir);
    td::prog().StartDir = dir;
    td::prog().OperIniName = "celltalk.ini";
    td::readOperFiles(td::IniFile(td::startPath("celltalk.ini")), td::prog());

    auto run = td::backup::engineRunner([&](int ms) { pump.sleep(ms); }, {});
    std::vector<double> backup, engine;
    for (int i = 0; i < 3; ++i) {
        auto t0 = Clock::now();
        auto o = td::backup::backupPhone(
            dir + "/copy", run, [](const std::string&) {}, "now");
        backup.push_back(secondsSince(t0));
        if (!o.ok) {
            std::printf("backup failed: %s\n", td::cp1251ToUtf8(o.failure).c_str());
            return 1;
        }
        // The same reads, the engine alone: the read batch the backup left.
        QProcess p;
        p.setWorkingDirectory(QString::fromStdString(dir));
        t0 = Clock::now();
        p.start(CELLTALK_EXE, {"oper", QString::fromStdString(td::cp1251ToUtf8(td::BatchOperName)),
                               "@Backup.txt"});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            std::printf("engine run failed\n");
            return 1;
        }
        engine.push_back(secondsSince(t0));
    }
    const double b = middle(backup), e = middle(engine);
    std::printf("backup %.3f s, engine alone %.3f s, ratio %.3f\n", b, e, b / e);
    bench::verdict(
        "Backup of 250 entries + 100 SMS at 115200, against the engine's read",
        bench::seconds(b) + " / " + bench::seconds(e) + " = " + bench::number("%.3f", b / e),
        "<= " + bench::number("%.2f", kAim), b / e <= kAim);
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
