// The line between the engine and the phone: answers an earlier run left
// drained, the phone brought into step before the first command, lines taken
// one by one, and pauses.

#include <algorithm>
#include <thread>

#include "answers.h"
#include "executor.h"
#include "platform/cp1251.h"
#include "runinternal.h"

namespace celltalk {

using td::trim;

namespace {

// How many AT checks the sync makes before it gives up on a phone that talks
// but never says OK (the second and third after ESC).
constexpr int kSyncTries = 3;
// The largest answer a phone may still be sending when a run starts: a
// phone book of a thousand entries, or a long message list, is below it.
constexpr double kLargestAnswerBytes = 64 * 1024;

std::chrono::milliseconds millis(double sec) {
    return std::chrono::milliseconds(static_cast<long long>(sec * 1000));
}

}  // namespace

void Executor::stale(const std::string& line) {
    // A late answer to a command of an earlier run (or one given up on):
    // logged as such, never taken as an answer.
    out_.log.line("~" + line + td::W("  (запоздалый ответ, не к этой команде)"));
    if (obs_) obs_->received(line, true);
}

void Executor::report(const std::string& line) {
    out_.log.line("~" + line);  // logged, never taken as an answer
    if (line_) line_->reports.push_back(line);
    if (obs_) obs_->received(line, true);
}

void Executor::setAside(Framer::Take take, const std::string& line) {
    if (take == Framer::Take::Report)
        report(line);
    else
        stale(line);
}

double Executor::quietSec() const {
    // Twenty characters' time at the line's speed, and at least 15 ms: a
    // phone still sending shows within it, even between two of its lines.
    return std::max(0.015, 20.0 * 10.0 / std::max(cfg_.baud, 1));
}

double Executor::drainLimitSec() const {
    // What a phone may still be sending is at most one answer. The time the
    // largest answer takes at the line's speed (5.7 s at 115200 baud, over
    // nine minutes at 1200), but never longer than one command's answer may
    // take at all (CommandLimit), and at least 2 s.
    const double lineSec = kLargestAnswerBytes * 10.0 / std::max(cfg_.baud, 1);
    const double commandSec = std::max(cfg_.commandLimitSec, cfg_.timeoutSec);
    return std::max(2.0, std::min(lineSec, commandSec));
}

bool Executor::drainStale(double quietSec, double limitSec, bool& any) {
    framer_.idle();
    const auto start = Clock::now();
    const auto end = start + millis(limitSec);
    auto lastByte = start;
    bool quiet = false;
    for (;;) {
        int lines = 0, reports = 0;
        while (auto line = popLine()) {
            const Framer::Take take = framer_.feed(*line, afterBlank_);
            ++lines;
            reports += take == Framer::Take::Report;
            setAside(take, *line);
            any = true;
        }
        // Reports alone (a flood of RING) are no answer still on its way: the
        // line is as good as quiet once they are taken.
        if (lines > 0 && reports == lines && buf_.empty()) quiet = true;
        if (quiet) break;
        checkInterrupt();
        const auto now = Clock::now();
        const auto quietLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
            lastByte + millis(quietSec) - now);
        if (!t_.canWait() || quietLeft.count() <= 0) {
            quiet = true;
            if (!t_.canWait()) buf_ += t_.read(0);
            continue;  // the lines complete by now are taken once more
        }
        if (now >= end) return false;
        std::string data =
            t_.read(static_cast<int>(std::clamp<long long>(quietLeft.count(), 1, 100)));
        if (!data.empty()) {
            buf_ += data;
            lastByte = Clock::now();
        }
    }
    // A line without its end (a "> " prompt) is no answer either.
    if (!trim(buf_).empty()) {
        stale(buf_);
        any = true;
    }
    buf_.clear();
    pendingBlank_ = crEnded_ = false;
    return true;
}

void Executor::synchronise() {
    // A run stopped on a slow line leaves answers on their way; without this
    // they would be taken for the answers of this run, one command behind.
    // The first command is sent only once the line is quiet and the phone
    // has answered an AT of this run with OK (after its own echo, when it
    // repeats commands), and the line stayed quiet after that OK.
    t_.discardInput();
    const bool waits = t_.canWait();
    const double quiet = waits ? quietSec() : 0;
    const double limit = drainLimitSec();
    const auto end = Clock::now() + millis(limit);
    auto leftSec = [&] {
        return std::max(0.0, std::chrono::duration<double>(end - Clock::now()).count());
    };
    auto stillTalking = [&] {
        return EngineError(
            td::W("телефон ещё передаёт ответ прошлой операции: линия не затихла за ") +
                seconds(limit) + td::W(" с; подождите, пока телефон закончит, и повторите"),
            kExitOutOfStep);
    };
    bool any = false;
    if (!drainStale(quiet, leftSec(), any)) throw stillTalking();
    for (int attempt = 0; attempt < kSyncTries; ++attempt) {
        checkInterrupt();
        // A run stopped at the "> " prompt leaves the phone taking message
        // text, where "AT" is text too: ESC drops that message. A phone in
        // command mode ignores what comes before "AT".
        if (attempt) t_.write("\x1B");
        t_.write("AT\r");
        bool echoed = false, ok = false, heard = false;
        const auto answerEnd = Clock::now() + millis(cfg_.timeoutSec);
        while (!ok) {
            const double left = std::chrono::duration<double>(answerEnd - Clock::now()).count();
            if (waits && left <= 0) break;
            auto line = nextLine(waits ? left : 0);
            if (!line) break;
            if (!echoed && td::equalsNoCase(trim(*line), "AT")) {
                echoed = heard = true;
            } else if (finalResult(*line, false) == Final::Ok) {
                ok = heard = true;
            } else {
                // The phone's reports tell nothing of its answering.
                const Framer::Take take = framer_.feed(*line, afterBlank_);
                heard = heard || take != Framer::Take::Report;
                setAside(take, *line);
            }
        }
        heard = heard || !buf_.empty();  // a prompt "> " ends no line
        if (!ok && !heard)
            throw NoAnswer(td::W("нет ответа телефона на AT перед первой командой (") +
                           seconds(cfg_.timeoutSec) + td::W(" с)"));
        // An OK of an earlier command may have come just before this one's:
        // what follows it is then stale too, and the check is repeated.
        bool after = false;
        if (!drainStale(quiet, leftSec(), after)) throw stillTalking();
        if (ok && !after) {
            echo_ = echoed;
            return;
        }
    }
    throw EngineError(td::W("телефон не ответил OK на AT перед первой командой"), kExitOutOfStep);
}

void Executor::pause(double sec, bool logged) {
    if (logged) out_.log.line("!dly " + seconds(sec));
    if (!t_.canWait()) return;  // the simulated phone needs no time
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(sec));
    while (Clock::now() < end) {
        checkInterrupt();
        Clock::duration left = end - Clock::now();
        std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(50), left));
    }
}

std::optional<std::string> Executor::popLine() {
    size_t pos;
    while ((pos = buf_.find_first_of("\r\n")) != std::string::npos) {
        // The LF of a CR LF split over two reads ends no line of its own.
        if (pos == 0 && crEnded_ && buf_[0] == '\n') {
            buf_.erase(0, 1);
            crEnded_ = false;
            continue;
        }
        size_t skip = pos + 1;
        if (buf_[pos] == '\r' && skip < buf_.size() && buf_[skip] == '\n') ++skip;
        crEnded_ = buf_[pos] == '\r' && skip == buf_.size();
        std::string line = buf_.substr(0, pos);
        buf_.erase(0, skip);
        if (trim(line).empty()) {
            pendingBlank_ = true;
            continue;
        }
        afterBlank_ = pendingBlank_;
        pendingBlank_ = false;
        return line;
    }
    return std::nullopt;
}

std::optional<std::string> Executor::nextLine(double timeoutSec) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSec);
    for (;;) {
        if (auto line = popLine()) return line;
        checkInterrupt();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 && timeoutSec > 0) return std::nullopt;
        std::string data = t_.read(static_cast<int>(std::clamp<long long>(left.count(), 0, 100)));
        if (data.empty() && (!t_.canWait() || timeoutSec <= 0)) return std::nullopt;
        buf_ += data;
    }
}

}  // namespace celltalk
