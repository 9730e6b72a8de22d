#include "engine/readcycle.h"

#include <algorithm>
#include <cmath>

#include "engine/launcher.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/runmarker.h"
#include "platform/services.h"

namespace td {

std::string RefreshCaption() {
    return W("Обновить");
}
std::string AbortCaption() {
    return W("Прервать");
}
std::string TakesHalfAMinute() {
    return W(
        "Это займёт примерно полминуты, на которые Ваш телефон будет занят для внешнего "
        "воздействия");
}

std::string ReadCycle::busyHintFor(int pollInterval) {
    long seconds = std::lrint(std::nearbyint(pollInterval / 1000.0));
    return W("Нажмите ОДИН РАЗ для того, чтобы прервать чтение (подождите ") +
           std::to_string(seconds) + W("сек.)");
}

ReadCycle::ReadCycle(ReadCycleConfig config, ReadView& view, ReadCycleHooks hooks)
    : view_(view), hooks_(std::move(hooks)) {
    setConfig(std::move(config));
}

void ReadCycle::setConfig(ReadCycleConfig config) {
    config_ = std::move(config);
    if (!config_.sizeOf) config_.sizeOf = [](const std::string& p) { return files::size(p); };
}

std::string ReadCycle::idleCaption() const {
    return config_.idleCaption.empty() ? RefreshCaption() : config_.idleCaption;
}

void ReadCycle::refreshClick() {
    outcome_ = ReadOutcome::None;
    // While the engine runs, even an abort click only says so: the read goes on.
    if (config_.busyTest && CellBusy()) return;
    if (hooks_.onRefreshClick) hooks_.onRefreshClick();

    if (view_.refreshCaption() == AbortCaption()) {
        feedback().setHourglass(false);
        if (config_.abortFlag) *config_.abortFlag = true;
        view_.setRefreshCaption(idleCaption());
        view_.setRefreshEnabled(true);
        view_.setRefreshColor(NavyColor);
        view_.setRefreshHint(config_.idleHint);
        pump().processEvents();
        return;
    }

    if (!dialogs().confirm(config_.question)) return;

    if (config_.abortFlag) *config_.abortFlag = false;
    if (config_.updateFlag) *config_.updateFlag = true;
    view_.setRefreshCaption(AbortCaption());
    view_.setRefreshColor(RedColor);
    view_.setRefreshEnabled(true);
    view_.setRefreshHint(config_.busyHint.empty() ? busyHintFor(lastPoll().interval)
                                                  : config_.busyHint);
    pump().processEvents();
    // The pause lets the button's new look be seen before the wait; a quick
    // read starts at once (the events just run have painted it).
    if (!prog().QuickRead) pump().sleep(config_.pauseBeforeReadMs);

    ReadOutcome result = run();

    view_.setRefreshCaption(idleCaption());
    view_.setRefreshColor(NavyColor);
    view_.setRefreshHint(config_.idleHint);
    if (config_.updateFlag) *config_.updateFlag = false;
    outcome_ = result;
}

void ReadCycle::lastCopyClick() {
    feedback().setHourglass(false);
    if (config_.abortFlag) *config_.abortFlag = true;
    if (config_.updateFlag) *config_.updateFlag = false;
    run();
}

ReadOutcome ReadCycle::run() {
    completed_ = false;
    if (hooks_.onCycleStart) hooks_.onCycleStart();

    if (config_.updateFlag && *config_.updateFlag) {
        outcome_ = updateMode();
    } else if (files::exists(config_.lastCopyPath)) {
        outcome_ = lastCopyMode();
    } else {
        view_.setStatus(config_.noLastCopyText);
        outcome_ = ReadOutcome::NoLastCopy;
    }
    return outcome_;
}

ReadOutcome ReadCycle::lastCopyMode() {
    if (hooks_.beforeLastCopy) hooks_.beforeLastCopy();
    std::optional<std::time_t> modified = files::modificationTime(config_.lastCopyPath);

    std::vector<std::string> lines;
    files::readLines(config_.lastCopyPath, lines);
    if (lines.empty()) {
        feedback().setHourglass(false);
        return ReadOutcome::LastCopyEmpty;
    }
    if (hooks_.loadLastCopy) hooks_.loadLastCopy(lines);
    view_.setRefreshEnabled(true);
    if (hooks_.onDataLoaded) hooks_.onDataLoaded();
    view_.setStatus(config_.lastCopyStatusPrefix + clock().dateTime(modified.value_or(0)));
    return ReadOutcome::LastCopyShown;
}

// Sleeps ms as the schedule asks. A quick read sleeps in slices of
// QuickPollMs and stops early, with true, once the engine is done or the user
// has aborted; the schedule itself stays as it is, so a read whose end
// cannot be told this way takes as long as ever.
bool ReadCycle::pause(int ms) {
    EventPump& ev = pump();
    if (!quick_) {
        ev.sleep(ms);
        return false;
    }
    while (ms > 0) {
        int slice = std::min(ms, QuickPollMs);
        ev.sleep(slice);
        ms -= slice;
        if (aborted() || engineDone()) return true;
    }
    return false;
}

// The engine is certainly done when it was started, its run marker is gone,
// and it left either its error file or a complete watched file (no "$" work
// file beside it). The engine removes its marker only after every file is
// in place.
bool ReadCycle::engineDone() const {
    if (!started_) return false;
    if (EngineFinished(engineErrorFile(), config_.watchedFile, config_.workFile,
                       config_.watchedAlsoNeeds))
        return true;
    // The engine's log, removed before the start, is written last of all: a
    // run that made no result file has ended once it is there.
    const std::string log = autoRunPath(prog().LogFile);
    if (std::find(config_.deleteBeforeStart.begin(), config_.deleteBeforeStart.end(), log) ==
        config_.deleteBeforeStart.end())
        return false;
    const std::string name = files::baseName(log);
    return EngineFinished({}, log, log.substr(0, log.size() - name.size()) + "$" + name);
}

bool EngineFinished(const std::string& errorFile, const std::string& resultFile,
                    const std::string& workFile, const std::string& alsoNeeds) {
    if (files::exists(startPath(RunMarkerName))) return false;
    if (!errorFile.empty() && files::exists(errorFile)) return true;
    return !resultFile.empty() && files::exists(resultFile) &&
           (workFile.empty() || !files::exists(workFile)) &&
           (alsoNeeds.empty() || files::exists(alsoNeeds));
}

ReadCycle::PollPair& ReadCycle::lastPoll() {
    static PollPair pair;
    return pair;
}

void ReadCycle::waitForEngine() {
    PollPair& p = lastPoll();
    EventPump& ev = pump();
    const std::string runMarker = startPath(RunMarkerName);

    long long lastSize = 0;
    long long confirmedSize = -1;

    auto endEarly = [&] {
        if (aborted()) {
            ev.processEvents();
            feedback().setHourglass(false);
        } else {
            completed_ = true;
        }
    };

    if (pause(config_.firstDelayMs)) {
        // The pair is chosen all the same: the next read's hint tells of it.
        bool fast = files::exists(runMarker);
        p.interval = fast ? config_.fastInterval : config_.slowInterval;
        p.count = fast ? config_.fastCount : config_.slowCount;
        return endEarly();
    }
    // A run marker by now means the engine is at work: poll often. Without it
    // the engine may still be starting: poll less often for about as long.
    if (files::exists(runMarker)) {
        p.interval = config_.fastInterval;
        p.count = config_.fastCount;
    } else {
        p.interval = config_.slowInterval;
        p.count = config_.slowCount;
    }

    for (int i = 0; i < 5; ++i) {
        ev.processEvents();
        if (pause(p.interval * 3 / 10)) return endEarly();
        if (aborted()) {
            ev.processEvents();
            feedback().setHourglass(false);
            break;
        }
    }
    ev.processEvents();

    for (int pass = 0; pass <= p.count; ++pass) {
        ev.processEvents();
        if (aborted()) {
            ev.processEvents();
            feedback().setHourglass(false);
            break;
        }
        if (pause(p.interval)) return endEarly();
        ev.processEvents();
        bool measurable =
            files::exists(config_.watchedFile) &&
            (config_.watchedAlsoNeeds.empty() || files::exists(config_.watchedAlsoNeeds));
        if (measurable && !aborted()) {
            if (config_.extraHalfInterval && !files::exists(runMarker) && pause(p.interval / 2))
                return endEarly();
            std::optional<long long> size = config_.sizeOf(config_.watchedFile);
            if (!size) {
                // The engine may hold the file: no size yet, keep waiting.
                lastSize = 0;
            } else if (*size > MinResultSize && *size == lastSize) {
                if (confirmedSize == lastSize) {
                    completed_ = true;
                    break;
                }
                confirmedSize = lastSize;
            } else {
                lastSize = *size;
            }
        }
        ev.processEvents();
    }
}

std::string EngineReason(const std::vector<std::string>& errorLines) {
    for (const std::string& l : errorLines)
        if (l.find_first_not_of(" \t") != std::string::npos) return l;
    return {};
}

std::string EngineReasonFix(const std::string& reason) {
    const std::string text = upperAscii(reason);
    if (text.find("PERMISSION DENIED") == std::string::npos &&
        text.find("OPERATION NOT PERMITTED") == std::string::npos &&
        reason.find(W("нет прав")) == std::string::npos)
        return {};
    return W(
        "У Вас нет прав на этот порт. Добавьте себя в группу устройства (обычно dialout): "
        "sudo usermod -aG dialout $USER, затем выйдите из системы и войдите заново");
}

std::string EngineFailedStatus(const std::vector<std::string>& errorLines) {
    const std::string reason = EngineReason(errorLines);
    if (reason.empty()) return W("- CellTalk не выполнил операцию");
    const std::string fix = EngineReasonFix(reason);
    return W("- CellTalk не выполнил операцию: ") + reason + (fix.empty() ? "" : ". " + fix);
}

bool EngineRunWatch::start(const std::string& operation, const std::vector<std::string>& args,
                           int startLimitMs) {
    errorFile_ = startPath(EngineErrorName);
    log_ = autoRunPath(prog().LogFile);
    const std::string name = files::baseName(log_);
    work_ = log_.substr(0, log_.size() - name.size()) + "$" + name;
    marker_ = startPath(RunMarkerName);
    startLimitMs_ = startLimitMs;
    files::remove(errorFile_);
    files::remove(log_);
    startMs_ = pump().nowMs();
    return StartEngine(operation, args);
}

std::optional<EngineRunEnd> EngineRunWatch::check() const {
    if (EngineFinished(errorFile_, log_, work_)) {
        if (!files::exists(errorFile_)) return EngineRunEnd{EngineRunEnd::Done, {}};
        std::vector<std::string> lines;
        files::readLines(errorFile_, lines);
        return EngineRunEnd{EngineRunEnd::Failed, EngineReason(lines)};
    }
    const bool marked = files::exists(marker_);
    // A marker whose engine was killed is removed by engineRunning.
    if (marked && !engineRunning(marker_)) return EngineRunEnd{};
    if (!marked && pump().nowMs() - startMs_ >= startLimitMs_) return EngineRunEnd{};
    return std::nullopt;
}

std::string ReadCycle::engineErrorFile() const {
    for (const std::string& f : config_.deleteBeforeStart)
        if (equalsNoCase(files::baseName(f), EngineErrorName)) return f;
    return {};
}

ReadOutcome ReadCycle::endWithoutAnswer() {
    if (hooks_.beepWanted && hooks_.beepWanted()) feedback().beep();
    feedback().setHourglass(false);
    view_.setRefreshEnabled(true);
    view_.setStatus(config_.notCreatedText);
    pump().processEvents();
    return ReadOutcome::NotCreated;
}

ReadOutcome ReadCycle::updateMode() {
    Prog& p = prog();
    EventPump& ev = pump();

    // Lines of an earlier read must never pass for this one's, whatever this
    // read's end.
    resultLines_.clear();
    view_.setRefreshCaption(AbortCaption());
    // An old answer that cannot be removed would pass for this run's: the
    // engine is not started then.
    for (const std::string& f : config_.deleteBeforeStart) {
        if (files::remove(f)) continue;
        dialogs().message(W("- Не удаётся удалить файл \"") + f +
                          W("\": старый ответ телефона нельзя заменить новым"));
        return endWithoutAnswer();
    }
    // A quick read trusts the files only when this run must make them anew:
    // the watched file, or the log it is measured beside, is gone now.
    const std::string errorFile = engineErrorFile();
    quick_ = p.QuickRead;
    started_ = (!files::exists(config_.watchedFile) ||
                (!config_.watchedAlsoNeeds.empty() && !files::exists(config_.watchedAlsoNeeds))) &&
               (errorFile.empty() || !files::exists(errorFile));
    const bool launched = StartEngine(config_.operation, config_.args);
    started_ = launched && started_;
    // An engine that could not be started (the user has been told) leaves
    // nothing to wait for.
    if (!launched) return endWithoutAnswer();

    view_.setStatus(config_.readingStatus);
    view_.setGridHint(config_.readingGridHint);
    feedback().setHourglass(true);
    ev.processEvents();

    waitForEngine();

    // The engine says why a run failed in its error file; what it left
    // besides (a log, say) is no answer, so the grid and the last copy stay.
    if (!aborted() && !errorFile.empty() && files::exists(errorFile)) {
        std::vector<std::string> reason;
        files::readLines(errorFile, reason);
        if (hooks_.beepWanted && hooks_.beepWanted()) feedback().beep();
        feedback().setHourglass(false);
        view_.setRefreshEnabled(true);
        view_.setStatus(EngineFailedStatus(reason));
        ev.processEvents();
        return ReadOutcome::EngineFailed;
    }

    bool nothingThere = !files::exists(config_.watchedFile) && !files::exists(config_.workFile) &&
                        !files::exists(startPath(RunMarkerName));
    if (aborted() || nothingThere) return endWithoutAnswer();

    ev.processEvents();
    view_.setRefreshEnabled(true);
    if (hooks_.onDataLoaded) hooks_.onDataLoaded();
    ev.processEvents();

    std::string file = config_.parseFile;
    if (!files::exists(file) && !config_.parseFallback.empty()) file = config_.parseFallback;

    ReadOutcome result;
    bool parsed = false;
    if (files::exists(file)) {
        files::readLines(file, resultLines_);
        if (resultLines_.size() >= config_.minLines) {
            if (hooks_.parse) hooks_.parse(resultLines_);
            parsed = true;
            result = ReadOutcome::Parsed;
        } else {
            result = ReadOutcome::TooFewLines;
        }
    } else {
        dialogs().message(W("- Файл \"") + file + W("\" - не найден"));
        files::setCurrentDir(p.StartDir);
        result = ReadOutcome::NotFound;
    }

    const std::vector<std::string>* copy = nullptr;
    std::vector<std::string> records;
    if (config_.lastCopySource == LastCopySource::ParsedRecords) {
        if (parsed && hooks_.parsedRecords) records = hooks_.parsedRecords();
        if (!records.empty()) copy = &records;
    } else if (!resultLines_.empty()) {
        copy = &resultLines_;
    }
    if (copy && !config_.lastCopyPath.empty()) {
        if (files::writeLines(config_.lastCopyPath, *copy)) {
            if (hooks_.onLastCopySaved) hooks_.onLastCopySaved();
        } else {
            dialogs().message(W("- Не удаётся записать файл \"") + config_.lastCopyPath + "\"");
        }
    }
    feedback().setHourglass(false);
    return result;
}

}  // namespace td
