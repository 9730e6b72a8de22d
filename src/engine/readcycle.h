#pragma once
// The read cycle: how a reading window gets a list from the phone. It starts
// one engine operation, waits (sleeping in slices, the window stays
// responsive) until the engine's watched file has kept one size on three
// successive polls, loads the answer, hands it to the window's parser and
// stores the window's last copy. Its second mode shows the stored last copy
// without touching the phone.
//
// No widgets here: a window supplies a ReadView for its refresh button and
// status texts, and hooks for its own grid. Texts are Windows-1251.

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/settings.h"

namespace td {

// What the cycle shows on its window.
class ReadView {
  public:
    virtual ~ReadView() = default;
    virtual std::string refreshCaption() const = 0;
    virtual void setRefreshCaption(const std::string& text) = 0;
    virtual void setRefreshColor(unsigned rgb) = 0;  // 0xRRGGBB
    virtual void setRefreshHint(const std::string& text) = 0;
    virtual void setRefreshEnabled(bool on) = 0;
    virtual void setStatus(const std::string& text) = 0;
    virtual void setGridHint(const std::string& text) = 0;
};

// The two flags of one reader, owned by the reader or its window: abort is
// set by an abort click (or the program's close) and ends a waiting read at
// its next check; update set makes the next run read from the phone rather
// than show the last copy.
struct ReadFlags {
    bool abort = false;
    bool update = false;
};

constexpr unsigned NavyColor = 0x000080;
constexpr unsigned RedColor = 0xFF0000;

// Which lines become the last copy after a read from the phone.
enum class LastCopySource {
    ParsedRecords,  // the parser's records (hooks.parsedRecords), when there is one
    ResultLines,    // the loaded result lines, whenever there is at least one
};

struct ReadCycleConfig {
    // The engine operation and its arguments.
    std::string operation;
    std::vector<std::string> args;

    // The flags the cycle works with: its reader's own (ReadFlags), so no
    // other reader's click reaches them.
    bool* abortFlag = nullptr;
    bool* updateFlag = nullptr;

    // Refresh handler.
    bool busyTest = true;     // CellBusy before a refresh or abort click
    std::string question;     // Yes/No question before a read from the phone
    std::string idleCaption;  // "Обновить" unless set
    std::string idleHint;
    std::string busyHint;  // empty: the usual "press once ... wait N s" text
    int pauseBeforeReadMs = 200;

    // Update mode.
    // Paths deleted in this order before the engine starts. When the engine's
    // error file (EngineErrorName) is among them, the cycle reads it after
    // the run: an error file left by this run means the read failed.
    std::vector<std::string> deleteBeforeStart;
    int firstDelayMs = 2500;
    // The poll interval and count chosen with and without the run marker.
    int fastInterval = FastPollInterval, fastCount = FastPollCount;
    int slowInterval = SlowPollInterval, slowCount = SlowPollCount;
    std::string watchedFile;        // whose size is polled
    std::string watchedAlsoNeeds;   // measured only while this file exists too ("" = no such rule)
    std::string workFile;           // the engine's "$" work file beside the watched file
    bool extraHalfInterval = true;  // half an interval more once the run marker is gone
    std::string parseFile;
    std::string parseFallback;  // parsed when parseFile is absent ("" = none)
    std::size_t minLines = 3;   // fewer loaded lines are not parsed
    std::string lastCopyPath;
    LastCopySource lastCopySource = LastCopySource::ParsedRecords;

    // Texts.
    std::string readingStatus;
    std::string readingGridHint;
    std::string notCreatedText;
    std::string noLastCopyText;
    std::string lastCopyStatusPrefix;  // followed by the copy's date and time

    // How the watched file's size is taken (tests replace it). Nothing: the
    // size could not be taken this time.
    std::function<std::optional<long long>(const std::string&)> sizeOf;
};

struct ReadCycleHooks {
    std::function<void()> onRefreshClick;  // after the busy test, before anything else
    std::function<void()> onCycleStart;    // common beginning: window-specific resets
    std::function<void()> beforeLastCopy;  // last-copy mode, before the copy is loaded
    // Fills the grid from the last copy's lines (never called with none).
    std::function<void(const std::vector<std::string>&)> loadLastCopy;
    // Parses a fresh answer (the loaded lines).
    std::function<void(const std::vector<std::string>&)> parse;
    // The records that parse kept, stored as the last copy when the config
    // says ParsedRecords (the reader owns them; unset: no records).
    std::function<std::vector<std::string>()> parsedRecords;
    std::function<void()> onDataLoaded;     // e.g. enable a transfer button
    std::function<void()> onLastCopySaved;  // after a read from the phone stored its copy
    std::function<bool()> beepWanted;       // the "beep when nothing was read" option
};

enum class ReadOutcome {
    None,           // nothing ran (busy, declined, abort click)
    NoLastCopy,     // last-copy mode without a last-copy file
    LastCopyEmpty,  // the last-copy file has no line
    LastCopyShown,
    NotCreated,    // aborted, or the engine left no file
    EngineFailed,  // the engine left its error file: its reason is the status
    NotFound,      // the file to parse was missing after the wait
    TooFewLines,   // loaded but not parsed
    Parsed,
};

class ReadCycle {
  public:
    ReadCycle(ReadCycleConfig config, ReadView& view, ReadCycleHooks hooks = {});
    ReadCycle(const ReadCycle&) = delete;
    ReadCycle& operator=(const ReadCycle&) = delete;

    // A long-lived cycle takes the settings in force before each run (never
    // while it runs: the running cycle reads its config throughout).
    void setConfig(ReadCycleConfig config);

    // The refresh button: a read from the phone, or an abort while one runs.
    void refreshClick();
    // The last-copy button: aborts a running read and shows the last copy.
    void lastCopyClick();
    // The cycle itself, in the mode the update flag selects.
    ReadOutcome run();

    // The hint the refresh button shows while a read runs.
    static std::string busyHintFor(int pollInterval);

    // The poll pair the last wait chose (fast when the engine was already at
    // work, slow when it was still starting), program-wide: the next read's
    // abort hint, in any window, tells of it.
    struct PollPair {
        int interval = FastPollInterval;
        int count = FastPollCount;
    };
    static PollPair& lastPoll();
    static void resetLastPoll() { lastPoll() = PollPair{}; }

    void setOnRefreshClick(std::function<void()> f) { hooks_.onRefreshClick = std::move(f); }

    ReadOutcome outcome() const { return outcome_; }
    // The file stood still three polls, or (QuickRead) the engine was done.
    bool waitCompleted() const { return completed_; }
    // The lines the last read from the phone loaded; a new read starts with
    // none, so an earlier read's lines never pass for its own.
    const std::vector<std::string>& resultLines() const { return resultLines_; }

  private:
    ReadOutcome lastCopyMode();
    std::string engineErrorFile() const;
    ReadOutcome updateMode();
    ReadOutcome endWithoutAnswer();  // NotCreated: told, beeped as asked
    void waitForEngine();
    bool pause(int ms);
    bool engineDone() const;
    bool aborted() const { return config_.abortFlag && *config_.abortFlag; }
    std::string idleCaption() const;

    ReadCycleConfig config_;
    ReadView& view_;
    ReadCycleHooks hooks_;
    ReadOutcome outcome_ = ReadOutcome::None;
    bool completed_ = false;
    bool quick_ = false;    // this read ends as soon as the engine is done
    bool started_ = false;  // the engine was started, with no old answer left behind
    std::vector<std::string> resultLines_;
};

// How often a quick read (QuickRead=YES) looks whether the engine is done.
constexpr int QuickPollMs = 100;

// The status text of a run the engine reported as failed: its reason, the
// first non-empty line of its error file, and the way out when it is one the
// user can mend (EngineReasonFix).
std::string EngineFailedStatus(const std::vector<std::string>& errorLines);
// The engine's reason: the first non-empty line of its error file ("" none).
std::string EngineReason(const std::vector<std::string>& errorLines);
// What the user can do about a reason, "" when nothing is known: the port
// that may not be opened wants the user in the device's group.
std::string EngineReasonFix(const std::string& reason);

// The engine is certainly done: its run marker is gone and it left either
// its error file or a complete result (resultFile, no "$" work file beside
// it, and alsoNeeds when one is named). Empty names are never there.
bool EngineFinished(const std::string& errorFile, const std::string& resultFile,
                    const std::string& workFile, const std::string& alsoNeeds = {});

// How one engine run started for an action (a send, a call) ended.
struct EngineRunEnd {
    enum Kind {
        Done,        // the engine ended and left no error file
        Failed,      // it left its error file: reason holds its first line
        NotStarted,  // the engine could not be started (already told)
        Unknown,     // it left no trace within the start limit, or was killed
    } kind = Unknown;
    std::string reason;
};

// One engine run started for an action, watched to its end without waiting
// for it: start() removes the engine's error file and log, so the one the
// run leaves tells how it ended, and starts the engine; check() looks once.
// A run that shows neither its marker nor a file within startLimitMs ends as
// Unknown, and so does one whose engine was killed.
class EngineRunWatch {
  public:
    // False when the engine could not be started (already told).
    bool start(const std::string& operation, const std::vector<std::string>& args,
               int startLimitMs = 15000);
    // How the run ended, or nothing while it still runs.
    std::optional<EngineRunEnd> check() const;

  private:
    std::string errorFile_, log_, work_, marker_;
    long long startMs_ = 0;
    int startLimitMs_ = 0;
};

// The texts of the refresh button's two looks.
std::string RefreshCaption();  // "Обновить"
std::string AbortCaption();    // "Прервать"
// The sentence every question before a phone read or delete ends with.
std::string TakesHalfAMinute();

}  // namespace td
