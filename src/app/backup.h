#pragma once
// The whole phone in one folder, and back into this or another phone. No
// widgets: the command line (cli.cpp) and the window (backupwindow.cpp) run
// the same steps and differ only in how they tell progress and ask.
//
// A backup is two runs of the engine's batch operation: a short probe (the
// phone's identity, which memories it has, how full they are, how long a
// name may be) and one read of everything the probe found (phone books SM
// and ME, the missed calls, every message storage in PDU mode, so that long
// messages come joined, and the Motorola date book). Its folder holds
//   phonebook-SM.vcf / .txt, phonebook-ME.vcf / .txt   vCard 4.0, own records
//   missed-calls.txt                                  own records (name=number)
//   sms.csv, sms-SM.txt, sms-ME.txt                   CSV, the engine's records
//   datebook.ics, datebook.txt                        iCalendar, own records
//   manifest.txt                                      written last
// Each file is written whole under a temporary name and renamed; the manifest
// (when, which phone, the counts, each file's SHA-256) is removed first and
// written only when everything else is in place, so a folder with a manifest
// whose checksums match is a whole backup.
//
// A restore checks the manifest, reads the attached phone the same way,
// and writes what it lacks into free places in one more run: book entries by
// AT+CPBW without an index, messages by the engine's !smw (AT+CMGW with their
// status, long ones as their parts), events by AT+MDBW with no index. It
// never overwrites; what is there already (same name and number; same
// status, number and text; the same event) is skipped, and what the phone has
// no room for or cannot hold is named. Texts are Windows-1251.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/pbrecord.h"

namespace td::backup {

// One of the phone's memories and how full it is.
struct Memory {
    std::string name;  // "SM", "ME", "MC"
    int used = 0, places = 0;
    int nameLength = 0;  // phone books: the longest name, 0 when not told
};

// What the probe learnt.
struct PhoneInfo {
    std::string maker, model, serial;
    std::vector<Memory> books;  // SM and ME, those the phone has
    std::optional<Memory> missed;
    std::vector<Memory> stores;      // message storages
    std::optional<Memory> dateBook;  // nameLength: the longest title
};

// What a read gave: per memory its entries or record lines.
struct PhoneContent {
    std::map<std::string, std::vector<PBRecord>> books;
    std::vector<PBRecord> missed;
    std::map<std::string, std::vector<std::string>> sms;  // the engine's record lines
    std::vector<std::string> dateBook;                    // +MDBR / +MDBAD lines
};

// The exchanges of an engine log: each command with its answer lines and
// whether it ended OK.
struct Exchange {
    std::string command;
    std::vector<std::string> lines;
    bool ok = false;
};
std::vector<Exchange> logExchanges(const std::vector<std::string>& log);

std::vector<std::string> probeBatch();
PhoneInfo readProbe(const std::vector<std::string>& log);
// One run reading everything the probe found (empty memories are not read:
// some phones refuse a read of nothing).
std::vector<std::string> readBatch(const PhoneInfo& info);
// The read's result files: phone book (and missed calls), SMS and date book.
PhoneContent readContent(const PhoneInfo& info, const std::vector<std::string>& pbFile,
                         const std::vector<std::string>& smsFile,
                         const std::vector<std::string>& mdbFile);

// How many messages a content holds (a joined one counts once).
int messageCount(const PhoneContent& c);
int eventCount(const PhoneContent& c);

// The manifest: values and each file's checksum.
struct Manifest {
    std::map<std::string, std::string> values;  // Made, Maker, Model, Serial, counts
    std::map<std::string, std::string> files;   // name -> SHA-256
};
std::string writeManifest(const Manifest& m);
std::optional<Manifest> readManifest(const std::string& text);
extern const std::string ManifestName;  // "manifest.txt"

// The steps' way of telling: progress lines (Windows-1251).
using Say = std::function<void(const std::string&)>;

// Runs the batch operation on the given lines and tells the engine's exit
// code (-1: it did not run; Stopped: the user stopped it). The result files are read from AutoRun
// after it.
constexpr int Stopped = -100;
using RunBatch = std::function<int(const std::vector<std::string>& lines)>;

struct Outcome {
    bool ok = false;                      // everything done and written
    std::string failure;                  // why not, when it failed before the end
    std::vector<std::string> notWritten;  // a restore: what the phone did not take, by name
};

// Writes the folder from a content; the manifest last. Failure names the file.
Outcome writeBackup(const std::string& dir, const PhoneInfo& info, const PhoneContent& content,
                    const std::string& made, const Say& say);

// A backup folder read back, every checksum checked.
struct Loaded {
    Manifest manifest;
    PhoneContent content;
    std::string failure;  // set when the folder cannot be restored from
};
Loaded loadBackup(const std::string& dir);

// The counts a restore tells before it goes on.
std::string countsText(const PhoneContent& c);

// A restore's plan against what the phone holds now.
struct Plan {
    std::vector<std::string> batch;           // empty: nothing to write
    int books = 0, messages = 0, events = 0;  // to be written
    int skipped = 0;                          // there already
    std::vector<std::string> refused;         // by name, with the reason
    // What must be in the phone afterwards, to check a failed write against.
    PhoneContent wanted;
};
Plan planRestore(const PhoneContent& backup, const PhoneInfo& target, const PhoneContent& now);
// The wanted items the phone still lacks after the write, by name.
std::vector<std::string> missingAfter(const Plan& plan, const PhoneContent& after);

// The whole steps, for the command line and the window alike. `stopped`
// tells when the user asked to stop (looked at between runs). `confirm`
// gets the counts before a restore writes (the command line says yes).
Outcome backupPhone(const std::string& dir, const RunBatch& run, const Say& say,
                    const std::string& made);
Outcome restorePhone(const std::string& dir, const RunBatch& run, const Say& say,
                     const std::function<bool(const std::string& counts)>& confirm);

// The real run: writes the batch beside the engine's files, starts the
// engine's batch operation and waits through `wait` (a nested event loop),
// asking the engine to stop when `stopRequested` says so.
RunBatch engineRunner(const std::function<void(int ms)>& wait,
                      const std::function<bool()>& stopRequested);

}  // namespace td::backup
