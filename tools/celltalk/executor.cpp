// The execution of an operation's steps: each command sent, its answer read
// by the framing up to its final word, the settings it gave the phone noted,
// and the answers of list reads routed to their result files.

#include "executor.h"

#include <algorithm>
#include <cstdlib>

#include "answers.h"
#include "formats/fieldcursor.h"
#include "platform/cp1251.h"
#include "runinternal.h"

namespace celltalk {

using td::trim;

Executor::Executor(Transport& t, Outputs& out, const Config& cfg, const OpArgs& args)
    : t_(t), out_(out), cfg_(cfg), args_(args) {
    smsRef_ = static_cast<unsigned>(Clock::now().time_since_epoch().count()) & 0xFF;
    for (const std::string* p : {&cfg_.pbPrefix, &cfg_.smsPrefix, &cfg_.motoSmsPrefix,
                                 &cfg_.mdbrPrefix, &cfg_.mdbadPrefix})
        routedPrefixes_.push_back(td::upperAscii(trim(*p)));
}

static_assert(static_cast<int>(Step::Kind::SendSms) ==
              static_cast<int>(RunObserver::StepKind::SendSms));
static_assert(static_cast<int>(Step::Kind::StoreSms) ==
              static_cast<int>(RunObserver::StepKind::StoreSms));

void Executor::begin() {
    if (line_ && line_->inStep) {
        // A resident engine's line that ended its last run whole and has
        // been read since: nothing is on its way, no sync is needed.
        echo_ = line_->echo;
        buf_ = std::move(line_->carry);
        line_->carry.clear();
        line_->inStep = false;  // until this run, too, ends whole
        return;
    }
    if (line_) line_->carry.clear();
    synchronise();
}

void Executor::end() {
    framer_.idle();
    if (!line_) return;
    line_->inStep = true;
    line_->echo = echo_;
    line_->carry = std::move(buf_);
    buf_.clear();
}

std::optional<std::vector<std::string>> Executor::ask(const std::string& cmd) {
    out_.log.line(cmd);
    t_.write(cmd + "\r");
    Answer a = collect(cmd);
    noteSettings(cmd, a);
    if (finalResult(a.final, false) != Final::Ok) return std::nullopt;
    return a.lines;
}

void Executor::run(const std::vector<Step>& steps) {
    begin();
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        checkInterrupt();
        if (obs_)
            obs_->step(i + 1, steps.size(), static_cast<RunObserver::StepKind>(s.kind),
                       s.kind == Step::Kind::Delay
                           ? seconds(s.seconds < 0 ? cfg_.waitSec : s.seconds)
                           : s.text);
        switch (s.kind) {
            case Step::Kind::Command:
                command(s.text);
                break;
            case Step::Kind::Delay:
                pause(s.seconds < 0 ? cfg_.waitSec : s.seconds);
                break;
            case Step::Kind::SendSms:
                sendSms(s.text);
                break;
            case Step::Kind::StoreSms:
                storeSms(s.text);
                break;
        }
        out_.log.flush();
    }
    // Whatever the phone still says after the last answer goes to the log.
    framer_.idle();
    if (!t_.canWait())
        while (auto line = nextLine(0)) setAside(framer_.feed(*line, afterBlank_), *line);
    end();
    if (!broken_.empty())
        throw EngineError(td::W("ответ телефона на команду ") + broken_.front() +
                              td::W(" пришёл не целиком (сообщение без своего PDU или PDU не той "
                                    "длины); список не записан"),
                          1);
    if (!refusals_.empty()) {
        std::string reason = refusals_.front();
        if (refusals_.size() > 1)
            reason += td::W(" (и ещё отказов: ") + std::to_string(refusals_.size() - 1) +
                      td::W(", см. журнал)");
        throw EngineError(reason, kExitRefused);
    }
}

void Executor::refused(const std::string& what, const std::string& final) {
    std::string meaning = errorMeaning(final);
    std::string text = td::W("телефон отверг команду ") + what + ": " + trim(final) +
                       (meaning.empty() ? "" : " (" + meaning + ")");
    out_.log.line(td::W("Отказ: ") + text);
    refusals_.push_back(text);
}

CommandRow Executor::rowOf(const std::string& cmd) const {
    return commandRow(cmd, routedPrefixes_);
}

FrameOptions Executor::frameOptions() const {
    FrameOptions fo;
    fo.echo = echo_;
    fo.pdu = pdu_;
    // A text given as UCS2 hex is one line; in a plain set a text may hold
    // line feeds, so every line up to the list's next header is text.
    fo.textLines = !pdu_ && !ucs2_;
    return fo;
}

namespace {
// How long the line must stay silent after a message text that reads like a
// final word before that line is taken as the answer's final word.
constexpr double kBodyLookAheadSec = 1.0;
}  // namespace

Executor::Answer Executor::collect(const std::string& wire,
                                   const std::optional<std::string>& sentText) {
    Answer a;
    const CommandRow row = rowOf(wire);
    FrameOptions fo = frameOptions();
    const bool sending = sentText.has_value();
    fo.afterText = sending;
    if (sending) fo.sentText = trim(*sentText);
    framer_.begin(row, wire, fo);
    const bool identity = !sending && isIdentityQuestion(wire);
    // A send waits longer: the phone answers once the network has taken the message.
    const double timeout = sending ? std::max(cfg_.timeoutSec, 60.0) : cfg_.timeoutSec;
    // Every line restarts the wait for silence; the whole answer still has
    // its limit, so a phone that talks without end cannot hold the run.
    const double limit = std::max(cfg_.commandLimitSec, timeout);
    const auto hardEnd = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(limit));
    std::optional<std::string> ahead;  // a line read ahead of its turn
    bool aheadBlank = false;
    for (;;) {
        const double left = std::chrono::duration<double>(hardEnd - Clock::now()).count();
        std::optional<std::string> line;
        if (ahead) {
            line.swap(ahead);
            afterBlank_ = aheadBlank;
        } else if (left > 0) {
            line = nextLine(std::min(timeout, left));
        }
        if (!line && Clock::now() >= hardEnd)
            throw NoAnswer(td::W("телефон не закончил ответ на команду ") + wire + " (" +
                           seconds(limit) + td::W(" с, CommandLimit)"));
        if (!line)
            throw NoAnswer(td::W("нет ответа телефона на команду ") + wire + " (" +
                           seconds(timeout) + td::W(" с)"));
        Framer::Take take = framer_.feed(*line, afterBlank_);
        if (take == Framer::Take::MaybeFinal) {
            // A text line that reads "OK" is followed by more of the answer;
            // the final word after a text by silence. A phone writes a list
            // in one go, so a second of silence tells it (a whole Timeout
            // would hold every list).
            if (left > 0) ahead = nextLine(std::min({timeout, left, kBodyLookAheadSec}));
            aheadBlank = afterBlank_;
            if (ahead) {
                framer_.wasText();
                take = Framer::Take::Body;
            } else {
                framer_.wasFinal();
                take = Framer::Take::Final;
            }
        }
        switch (take) {
            case Framer::Take::Echo:
                continue;
            case Framer::Take::Stale:
            case Framer::Take::Report:
                setAside(take, *line);
                continue;
            case Framer::Take::Final:
                if (obs_) obs_->received(*line, false);
                if (identity && !a.lines.empty()) {
                    a.lines = {labelIdentityAnswer(wire, a.lines)};
                    if (!quiet_) out_.log.line(a.lines.front());
                }
                a.final = *line;
                a.whole = framer_.whole();
                if (!quiet_) out_.log.line(*line);
                framer_.idle();
                return a;
            default:
                break;
        }
        if (obs_) obs_->received(*line, false);
        if (identity) {
            a.lines.push_back(*line);  // labelled and logged whole with the final word
            continue;
        }
        std::string logged = labelIdentityAnswer(wire, *line);
        if (!quiet_) out_.log.line(logged);
        a.lines.push_back(logged);
    }
}

void Executor::noteSettings(const std::string& cmd, const Answer& a) {
    const std::string prefix = commandPrefix(cmd);
    if (prefix == "+CSMP" && cmd.find('=') != std::string::npos &&
        finalResult(a.final, false) == Final::Ok) {
        // The data coding of text-mode sends: UCS2 wants the text as hex.
        auto f = td::rawFields(cmd.substr(cmd.find('=') + 1), true);
        if (f.size() >= 4) ucs2Text_ = (std::atoi(unquote(f[3]).c_str()) & 0xEC) == 0x08;
        return;
    }
    if (prefix == "E" && finalResult(a.final, false) == Final::Ok) {
        echo_ = td::upperAscii(trim(cmd)).ends_with("E1");
        return;
    }
    if (prefix == "Z" || (prefix == "&" && td::upperAscii(cmd).find("&F") != std::string::npos)) {
        // A reset puts the phone back in its default character set, which
        // the engine then asks before it reads texts again; whether it
        // repeats commands is not known any more.
        if (finalResult(a.final, false) == Final::Ok) charsetKnown_ = ucs2_ = gsm_ = echo_ = false;
        return;
    }
    if (prefix != "+CSCS" && prefix != "+CMGF") return;
    std::string value;
    size_t eq = cmd.find('=');
    if (eq != std::string::npos && cmd.find('?') == std::string::npos) {
        if (finalResult(a.final, false) != Final::Ok) return;
        value = unquote(cmd.substr(eq + 1));
    } else {
        for (const auto& l : a.lines)
            if (auto named = td::charsetAnswer(td::upperAscii(trim(l)), prefix))
                value = named->name;
        if (value.empty()) return;
    }
    value = td::upperAscii(trim(value));
    if (prefix == "+CSCS" && eq != std::string::npos && cmd.find('?') == std::string::npos)
        charsetCmd_ = trim(cmd);
    if (prefix == "+CSCS") {
        ucs2_ = value == "UCS2";
        gsm_ = value == "GSM";
        charsetKnown_ = true;
    } else {
        pdu_ = value == "0";
    }
}

bool Executor::routed(const std::string& cmd) const {
    const std::string p = commandPrefix(cmd);
    return std::find(routedPrefixes_.begin(), routedPrefixes_.end(), p) != routedPrefixes_.end();
}

void Executor::learnCharset() {
    // A phone keeps its character set from an earlier run until it is reset:
    // ask it before the first text is read or written. The question is the
    // engine's own and stays out of the log.
    charsetKnown_ = true;
    quiet_ = true;
    try {
        t_.write("AT+CSCS?\r");
        Answer a = collect("AT+CSCS?");
        quiet_ = false;
        noteSettings("AT+CSCS?", a);
    } catch (const NoAnswer&) {
        // No answer: the phone cannot say, and the set stays the default.
        // An answer that comes later must not be taken for the next
        // command's: the line is brought into step again.
        quiet_ = false;
        synchronise();
    }
}

void Executor::route(const std::string& cmd, const Answer& a) {
    const std::string p = commandPrefix(cmd);
    auto is = [&](const std::string& cfgPrefix) { return p == td::upperAscii(trim(cfgPrefix)); };
    WorkFile* file = nullptr;
    if (is(cfg_.pbPrefix)) {
        file = &out_.pb;
        file->line(cmd);
        for (const auto& l : phoneBookLines(a.lines, trim(cfg_.pbPrefix), ucs2_)) file->line(l);
    } else if (is(cfg_.smsPrefix) || is(cfg_.motoSmsPrefix)) {
        file = &out_.sms;
        file->line(cmd);
        std::string prefix = is(cfg_.smsPrefix) ? cfg_.smsPrefix : cfg_.motoSmsPrefix;
        for (const auto& r : buildSmsRecords(a.lines, trim(prefix), ucs2_, gsm_)) file->line(r);
    } else if (is(cfg_.mdbrPrefix) || is(cfg_.mdbadPrefix)) {
        file = &out_.mdb;
        // The date book file names the character set its titles were read
        // in, so that a backup made of it writes them back in the same one.
        if (charsetCmd_ != mdbCharsetCmd_) {
            file->line(charsetCmd_);
            mdbCharsetCmd_ = charsetCmd_;
        }
        file->line(cmd);
        const std::string prefix = trim(is(cfg_.mdbrPrefix) ? cfg_.mdbrPrefix : cfg_.mdbadPrefix);
        for (const auto& l : a.lines) file->line(ucs2_ ? dateBookLine(l, prefix) : l);
    }
    if (file) file->line(a.final);
}

void Executor::command(const std::string& cmd) {
    const CommandRow row = rowOf(cmd);
    if (!charsetKnown_ && row.charset) learnCharset();
    // The log keeps the command as written; the phone gets its texts in the
    // character set it was told to use, as its answers are read.
    const std::string wire = ucs2_ ? encodeUcs2WriteText(cmd) : cmd;
    out_.log.line(cmd);
    if (obs_) obs_->sent(cmd);
    t_.write(wire + "\r");
    Answer a = collect(wire);
    // A busy SIM (still loading its books, say) takes the command a moment
    // later: a few tries, further apart each time, before it counts.
    for (int retry = 0; retry < row.busyRetries && phoneBusy(a.final); ++retry) {
        // 0.5, 1, 2 s, never longer than the wait for an answer.
        const double sec = std::min(0.5 * (1 << retry), cfg_.timeoutSec);
        out_.log.line(td::W("~телефон занят, повтор через ") + seconds(sec) + td::W(" с"));
        if (t_.canWait()) pause(sec, false);
        out_.log.line(cmd);
        if (obs_) obs_->sent(cmd);
        t_.write(wire + "\r");
        a = collect(wire);
    }
    noteSettings(cmd, a);
    if (!a.whole) {
        out_.log.line(td::W("Ошибка: ответ на команду ") + cmd + td::W(" пришёл не целиком"));
        broken_.push_back(cmd);
    }
    route(cmd, a);
    if (finalResult(a.final, row.call) == Final::Error && row.mustSucceed && !isProbe(cmd))
        refused(cmd, a.final);
}

}  // namespace celltalk
