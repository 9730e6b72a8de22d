// The line between the engine and the phone: answers an earlier run left
// drained, the phone brought into step before the first command, lines taken
// one by one with the unsolicited ones logged aside, and pauses.

#include <algorithm>
#include <thread>

#include "answers.h"
#include "platform/cp1251.h"
#include "runinternal.h"

namespace celltalk {

using td::trim;

void Executor::stale(const std::string& line) {
    // A late answer to a command of an earlier run (or one given up on):
    // logged as such, never taken as an answer.
    out_.log.line("~" + line + td::W("  (запоздалый ответ, не к этой команде)"));
    if (obs_) obs_->received(line, true);
}

bool Executor::drainStale(double quietSec, double limitSec) {
    const auto end = Clock::now() + std::chrono::duration<double>(limitSec);
    bool any = false, urc = false;
    for (;;) {
        auto line = nextLine(quietSec, urc, "", false);
        if (!line) {
            // A line without its end yet counts as well: it is no answer.
            if (t_.canWait() && !buf_.empty() && Clock::now() < end) continue;
            break;
        }
        stale(*line);
        any = true;
        if (Clock::now() >= end) break;
    }
    if (!buf_.empty()) {
        stale(buf_);
        buf_.clear();
        any = true;
    }
    return any;
}

void Executor::synchronise() {
    // A run stopped on a slow line leaves answers on their way; without this
    // they would be taken for the answers of this run, one command behind.
    t_.discardInput();
    const bool waits = t_.canWait();
    drainStale(waits ? 0.15 : 0, waits ? 2.0 : 0);
    const double answerSec = std::min(cfg_.timeoutSec, 1.0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        checkInterrupt();
        // A run stopped at the "> " prompt leaves the phone taking message
        // text, where "AT" is text too: ESC drops that message. A phone in
        // command mode ignores what comes before "AT".
        if (attempt) t_.write("\x1B");
        t_.write("AT\r");
        bool echoed = false, ok = false, urc = false, heard = false;
        const auto end = Clock::now() + std::chrono::duration<double>(answerSec);
        while (!ok) {
            double left = std::chrono::duration<double>(end - Clock::now()).count();
            auto line =
                left > 0 || !waits ? nextLine(std::max(left, 0.001), urc, "", false) : std::nullopt;
            if (!line) break;
            heard = true;
            if (!echoed && td::equalsNoCase(trim(*line), "AT"))
                echoed = true;
            else if (finalResult(*line, false) == Final::Ok)
                ok = true;
            else
                stale(*line);
        }
        heard = heard || !buf_.empty();  // a prompt "> " ends no line
        if (!ok && !heard) break;        // a silent phone: its first command will tell
        if (!ok) continue;
        echo_ = echoed;
        // An OK of an earlier command may have come just before this one's:
        // what follows it is then stale too, and the check is repeated.
        if (!drainStale(waits ? 0.1 : 0, waits ? 1.0 : 0)) return;
    }
    out_.log.line(td::W("~телефон не ответил OK на AT перед первой командой"));
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

std::optional<std::string> Executor::nextLine(double timeoutSec, bool& urc,
                                              const std::string& cmdPrefix, bool bodyExpected) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSec);
    size_t scan = 0;
    bool blank = false;
    for (;;) {
        size_t pos;
        while ((pos = buf_.find_first_of("\r\n", scan)) != std::string::npos) {
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
            scan = 0;
            if (trim(line).empty()) {
                blank = true;
                continue;
            }
            urc = !bodyExpected && takeUnsolicited(line, cmdPrefix);
            if (urc) continue;
            afterBlank_ = blank;
            return line;
        }
        scan = buf_.size();
        checkInterrupt();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 && timeoutSec > 0) return std::nullopt;
        std::string data = t_.read(static_cast<int>(std::clamp<long long>(left.count(), 0, 100)));
        if (data.empty() && (!t_.canWait() || timeoutSec <= 0)) return std::nullopt;
        buf_ += data;
        scan = 0;
    }
}

bool Executor::takeUnsolicited(const std::string& line, const std::string& cmdPrefix) {
    if (reportBody_) {
        reportBody_ = false;
    } else if (isUnsolicited(line, cmdPrefix) &&
               !(callCommand(cmdPrefix) && finalResult(line, true) == Final::Other)) {
        reportBody_ = reportHasBodyLine(line);
    } else {
        return false;
    }
    out_.log.line("~" + line);  // logged, never taken as an answer
    if (obs_) obs_->received(line, true);
    return true;
}

}  // namespace celltalk
