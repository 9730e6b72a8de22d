#pragma once
// One engine run: the settings it reads, the files it keeps while it runs,
// and the execution of an operation's steps against a phone.

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/settingkeys.h"
#include "observer.h"
#include "oplang.h"
#include "platform/ini.h"
#include "ports.h"
#include "transport.h"

namespace celltalk {

// A failure that ends the run; its text goes to CellTalk.err.
// The exit code of a run in which the phone refused a command that had to
// succeed (a list read, a send, a delete, a write, a dial).
constexpr int kExitRefused = 4;
// The exit code of a run that found the line out of step: the phone still
// sending an earlier operation's answer past the drain's limit, or never
// answering the engine's AT with OK.
constexpr int kExitOutOfStep = 5;

class EngineError : public std::runtime_error {
  public:
    explicit EngineError(const std::string& what, int code = 1)
        : std::runtime_error(what), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

struct Config {
    std::string dir;     // the folder the engine runs in (Windows-1251)
    std::string opsIni;  // path of the operations ini
    // The operations ini as read once by loadConfig (null: read it from opsIni).
    std::shared_ptr<const td::IniFile> ops;
    std::string comPort;  // "SIM": the built-in simulated phone; else a serial device
    int baud = static_cast<int>(td::settingNumber(td::setting::Baud));
    // Silence after which a command counts as unanswered.
    double timeoutSec = td::settingNumber(td::setting::Timeout);
    // The longest one command's answer may take, however busily the phone talks.
    double commandLimitSec = td::settingNumber(td::setting::CommandLimit);
    double waitSec = td::settingNumber(td::setting::Wait);  // the pause of !dly without a number
    std::string simState{td::setting::SimState.def};
    std::string pbFile{td::setting::PBFile.def}, smsFile{td::setting::SMSFile.def},
        mdbFile{td::setting::MDBFile.def}, logFile{td::setting::LogFile.def};
    // Answer prefixes (MetaOperation).
    std::string pbPrefix{td::setting::PrefixPhoneBook.def},
        smsPrefix{td::setting::PrefixSmsList.def},
        motoSmsPrefix{td::setting::PrefixMotoSmsList.def},
        mdbrPrefix{td::setting::PrefixDateBook.def}, mdbadPrefix{td::setting::PrefixAutoDelete.def};
    // How the run is shown (AutoRun/Window: Min, Norm, Max; a missing key
    // shows nothing) and whether its end is signalled audibly (Common/Beep).
    std::string window{"Min"};
    bool beep = false;
    double ringGapSec = td::settingNumber(td::setting::RingGap);
    bool statusReport = false;  // !sms asks for a status report, recorded in Sent.log

    std::string autoRunDir() const;
    bool simulated() const;
};

// Reads celltalk.ini in `dir` and the operations ini it names, each once.
// Throws EngineError (code 2) for a number setting that is not a finite
// number in its range.
Config loadConfig(const std::string& dir);
// The command text of an operation (names match as ini keys match).
std::string lookupOperation(const Config& cfg, const std::string& name);
// Finds a file in `dir` whose name equals `name` without regard to letter
// case (Latin and Cyrillic); the exact name wins. Empty when there is none.
std::string findNoCase(const std::string& dir, const std::string& name);
// Batch loader: a file in the engine's folder, else in its AutoRun folder.
// Throws OpError for one that is not a regular file or is larger than
// kMaxBatchBytes.
BatchLoader folderBatchLoader(const Config& cfg);
constexpr size_t kMaxBatchBytes = 1024 * 1024;

// A command-line argument in Windows-1251: valid UTF-8 holding more than
// ASCII (a terminal's) is converted; anything else is taken as it is.
std::string argumentText(const std::string& raw);

// A result or log file that is written as "$" + name and renamed to its name
// once complete.
class WorkFile {
  public:
    WorkFile(std::string dir, std::string name);
    ~WorkFile();
    void open();  // creates the "$" file (an empty one, if nothing is written)
    void line(const std::string& text);
    void flush();
    bool isOpen() const { return f_ != nullptr; }
    // Closes and renames; throws EngineError when it cannot (the "$" file is
    // gone then). line() and flush() throw as well when the file cannot be
    // written.
    void commit();
    void discard();    // closes and removes the "$" file
    void unpublish();  // discard(), and removes the file commit() put in place
    std::string finalPath() const;
    std::string workPath() const;

  private:
    [[noreturn]] void failed(int error);
    std::string dir_, name_;
    std::FILE* f_ = nullptr;
    bool created_ = false, committed_ = false;
};

struct Outputs {
    explicit Outputs(const Config& cfg);
    WorkFile log, pb, sms, mdb;
    void commitAll();       // result files first, the log last
    void discardResults();  // the run failed: none of its result files stays
};

// The one line CellTalk.err gets when no port is set: how to set one, and the
// serial devices found.
std::string missingPortMessage(const std::vector<ports::Candidate>& found);

// Set from a signal handler; every wait of the engine looks at it.
void requestInterrupt();
bool interruptRequested();
void clearInterrupt();

// What a resident engine knows of its line from one run to the next.
struct LineState {
    bool inStep = false;  // quiet and in step: the next run needs no sync
    bool echo = false;    // the phone repeats command lines
    std::string carry;    // bytes read but not yet taken as lines
    // Lines the phone sent unasked during a run (the run logs them too).
    std::vector<std::string> reports;
};

struct RunRequest {
    std::string dir;        // folder with celltalk.ini; marker and error file go here
    std::string operation;  // Windows-1251
    OpArgs args;
    RunObserver* observer = nullptr;  // told what happens, when set
    // The settings loaded already for this run (null: the run loads them), so
    // that each ini is read once per run.
    std::shared_ptr<const Config> config;
    // A run a resident engine makes for a client: its line between runs, and
    // the run marker, which the client keeps, not the run.
    LineState* line = nullptr;
    bool keepMarker = true;
};
using TransportFactory = std::function<std::unique_ptr<Transport>(const Config&)>;
std::unique_ptr<Transport> openTransport(const Config& cfg);

// The whole run: marker, settings, expansion, execution, files, error file.
// Returns the process exit code (0 success, 1 phone or link failure,
// 2 bad settings or operation, 3 interrupted, 4 the phone refused a command
// that had to succeed).
int runOperation(const RunRequest& req, const TransportFactory& makeTransport = openTransport);

// Refuses (EngineError, code 2) an operation name or first argument holding
// a control character, and a message text (second argument) holding one
// other than a line break or a tab.
void checkArguments(const RunRequest& req);

// Parses the command line (oper "<operation>" ["<arg1>"] ["<arg2>"]).
bool parseCommandLine(const std::vector<std::string>& argv, RunRequest& req);

}  // namespace celltalk
