#pragma once
// The execution of an operation's steps against a phone: the line brought
// into step before the first command, each command sent and its answer read
// by the framing (framing.h) up to its final word, the settings it gave the
// phone noted, and list answers routed to their result files. Defined over
// executor.cpp (commands and their answers), linesync.cpp (the line: drain,
// sync, lines one by one) and smssend.cpp (the prompt and message texts).

#include <optional>
#include <string>
#include <vector>

#include "engine.h"
#include "framing.h"

namespace celltalk {

class Executor {
  public:
    Executor(Transport& t, Outputs& out, const Config& cfg, const OpArgs& args);
    void run(const std::vector<Step>& steps);
    // Reports the steps, the lines sent and the lines received to `o` (may be null).
    void watch(RunObserver* o) { obs_ = o; }
    // The line as a resident engine keeps it between runs (null: a run of its
    // own): a line in step needs no sync, what was read ahead is taken first,
    // and the run's reports and the line's state are handed back.
    void resume(LineState* line) { line_ = line; }
    // The line brought into step (or taken as it was left) before the first
    // command, and handed back after the last; run() does both.
    void begin();
    void end();
    // A command of the resident engine's own: its answer's lines, or nullopt
    // when the phone refused it.
    std::optional<std::vector<std::string>> ask(const std::string& cmd);

    // Charset and SMS mode the phone was last told (watched in the commands).
    bool ucs2() const { return ucs2_; }
    bool pduMode() const { return pdu_; }
    bool gsmCharset() const { return gsm_; }

  private:
    struct Answer {
        std::vector<std::string> lines;  // information lines
        std::string final;
        bool whole = true;  // every message the answer announced came with it
    };
    void command(const std::string& cmd);
    void sendSms(const std::string& number);
    // !smw: stores one message, its parts each by AT+CMGW (smsstore.cpp).
    void storeSms(const std::string& item);
    // The phone's final word on the message ("OK" when it took it);
    // `reference` receives the message reference its +CMGS answer gave.
    std::string sendWithPrompt(const std::string& cmd, const std::string& body,
                               const std::string& shown = {},
                               std::optional<int>* reference = nullptr);
    // A text-mode send asks for a status report: the +CSMP command that puts
    // the phone's parameters back after it (empty: nothing to put back).
    std::string askStatusReport();
    // The send and its parts' references, appended to AutoRun/Sent.log.
    void recordSend(const std::string& number, const std::vector<std::optional<int>>& refs);
    // Reads the answer to the command `wire` up to its final word; with
    // `sentText`, the answer to a send's text, whose repetition is no answer.
    Answer collect(const std::string& wire,
                   const std::optional<std::string>& sentText = std::nullopt);
    // Waits for the "> " prompt after `cmd`, or after a line of the text
    // (`textLine`, whose repetition comes first); false with the refusal.
    bool waitPrompt(const std::string& cmd, std::string& refusal,
                    const std::string* textLine = nullptr);
    // Drains what an earlier run left on the line and makes sure the next
    // answer is the phone's answer to this run's first command; throws
    // EngineError (kExitOutOfStep) when it cannot.
    void synchronise();
    // Reads until the line has been quiet for `quietSec`, at most `limitSec`;
    // false when the line still talked at the limit. `any` tells whether
    // anything came.
    bool drainStale(double quietSec, double limitSec, bool& any);
    double quietSec() const;
    double drainLimitSec() const;
    void stale(const std::string& line);
    void report(const std::string& line);
    // Logs and shows one line as the framer took it (Stale, Report).
    void setAside(Framer::Take take, const std::string& line);
    // Notes a refusal of a command that had to succeed; the run goes on and
    // fails at its end.
    void refused(const std::string& what, const std::string& final);
    void cancelMessageEntry();
    // The next complete line (empty lines skipped; afterBlank_ tells whether
    // one stood before it), or nothing within timeoutSec.
    std::optional<std::string> nextLine(double timeoutSec);
    // A complete line already read, without reading more.
    std::optional<std::string> popLine();
    void pause(double seconds, bool logged = true);
    void noteSettings(const std::string& cmd, const Answer& a);
    CommandRow rowOf(const std::string& cmd) const;
    FrameOptions frameOptions() const;
    // Its prefix is an answer prefix of MetaOperation: the answer goes to a
    // result file.
    bool routed(const std::string& cmd) const;
    void learnCharset();
    void route(const std::string& cmd, const Answer& a);

    Transport& t_;
    Outputs& out_;
    const Config& cfg_;
    OpArgs args_;
    Framer framer_;
    std::vector<std::string> routedPrefixes_;  // MetaOperation's answer prefixes, upper-cased
    std::string buf_;
    bool crEnded_ = false;       // the last line read ended at a CR that closed buf_
    bool afterBlank_ = false;    // an empty line came just before the line nextLine gave
    bool pendingBlank_ = false;  // an empty line was read, the line after it not yet
    bool ucs2_ = false, pdu_ = false;
    bool charsetKnown_ = false;  // asked or set in this run (a phone keeps it between runs)
    bool gsm_ = false;           // the phone's character set is the GSM 7-bit alphabet
    bool quiet_ = false;         // the engine's own question: its answer is not logged
    bool ucs2Text_ = false;      // AT+CSMP asked for UCS2 data coding
    std::string charsetCmd_;     // the last character-set command the phone took
    std::string mdbCharsetCmd_;  // the one last written into the date book file
    unsigned smsRef_ = 0;
    bool echo_ = false;  // the phone repeats each command line (seen at the start)
    std::vector<std::string> refusals_;
    std::vector<std::string> broken_;  // list answers that did not come whole
    RunObserver* obs_ = nullptr;
    LineState* line_ = nullptr;
};

}  // namespace celltalk
