#include "framing.h"

#include <optional>

#include "formats/fieldcursor.h"
#include "platform/cp1251.h"
#include "platform/gsm7.h"

namespace celltalk {

namespace {

// The most lines a report's quoted text may run over (a USSD menu has a
// handful); a quote a phone never closes must not swallow the answers after it.
constexpr int kMaxQuotedLines = 32;

}  // namespace

bool hexLine(std::string_view line) {
    line = td::trimView(line);
    return !line.empty() && td::fromHex(line).has_value();
}

void Framer::begin(const CommandRow& row, std::string_view commandLine, const FrameOptions& opts) {
    row_ = row;
    opts_ = opts;
    command_ = td::trimView(commandLine);
    prefix_ = commandPrefix(commandLine);
    name_ = answerName(row);
    if (name_.empty()) name_ = prefix_;
    headerUp_ = td::upperAscii(name_) + ":";
    whole_ = true;
    pduLength_ = -1;
    // After a send's text the command's repetition came before the prompt.
    first_ = !opts_.afterText;
    state_ = opts_.echo && first_ ? State::Echo : State::Answer;
}

void Framer::idle() {
    state_ = State::Idle;
    row_ = {};
    name_.clear();
    prefix_.clear();
}

bool Framer::header(std::string_view line) const {
    return td::upperAscii(td::trimView(line)).starts_with(headerUp_);
}

bool Framer::reportContinues(std::string_view line) {
    if (reportLines_ == 0) return false;
    if (reportLines_ > 0) {
        --reportLines_;
        return true;
    }
    // A text in quotes: up to the line that closes them. A final word or the
    // command's repetition is never part of it.
    if (finalResult(line, false) != Final::None || td::equalsNoCase(td::trimView(line), command_) ||
        ++quotedLines_ > kMaxQuotedLines) {
        reportLines_ = 0;
        return false;
    }
    if (quoteOpen(line)) reportLines_ = 0;
    return true;
}

bool Framer::startReport(std::string_view line, bool strict) {
    const ReportRow* r = reportOf(line, prefix_);
    if (!r || (strict && !reportShaped(line))) return false;
    reportLines_ = 0;
    if (r->body == ReportRow::Body::NextLine && reportHasBodyLine(line)) reportLines_ = 1;
    if (r->body == ReportRow::Body::QuotedText && quoteOpen(line)) {
        reportLines_ = -1;
        quotedLines_ = 0;
    }
    return true;
}

void Framer::checkPduLength(std::string_view pdu) {
    pdu = td::trimView(pdu);
    if (pduLength_ < 0 || pdu.size() < 2) return;
    const long long octets = static_cast<long long>(pdu.size() / 2);
    const long long sca = td::fromHex(pdu.substr(0, 2)).value_or(std::vector<uint8_t>{0})[0];
    // With the service centre's address first (27.005), or without it.
    if (octets != 1 + sca + pduLength_ && octets != pduLength_) whole_ = false;
    pduLength_ = -1;
}

Framer::Take Framer::feed(std::string_view line, bool afterBlank) {
    if (reportContinues(line)) return Take::Report;
    switch (state_) {
        case State::Echo:
            if (td::equalsNoCase(td::trimView(line), command_)) {
                state_ = State::Answer;
                first_ = false;
                return Take::Echo;
            }
            return startReport(line, false) ? Take::Report : Take::Stale;
        case State::Answer:
            return inAnswer(line);
        case State::MessageLine:
            return inMessageLine(line);
        case State::MessageText:
            return inMessageText(line, afterBlank);
        case State::Idle:
        case State::Done:
            break;
    }
    return startReport(line, false) ? Take::Report : Take::Stale;
}

Framer::Take Framer::inAnswer(std::string_view line) {
    const std::string_view t = td::trimView(line);
    if (first_) {
        first_ = false;
        if (td::equalsNoCase(t, command_)) return Take::Echo;
    }
    // The phone repeats a send's text first; it is no answer even when it reads "OK".
    if (!opts_.sentText.empty() && t == opts_.sentText) {
        opts_.sentText.clear();
        return Take::Echo;
    }
    if (finalResult(line, row_.call) != Final::None) {
        state_ = State::Done;
        return Take::Final;
    }
    if (startReport(line, false)) return Take::Report;
    if (!answerFits(command_, line)) return Take::Stale;
    if (row_.body == CommandRow::Body::Message && header(line)) {
        state_ = opts_.textLines && !opts_.pdu ? State::MessageText : State::MessageLine;
        if (opts_.pdu) {
            // The header's last field is the length of the PDU that follows.
            td::FieldCursor c(t.substr(t.find(':') + 1));
            std::optional<std::string> f, last;
            while ((f = c.raw(true))) last = f;
            auto n = last ? td::FieldCursor(*last).number() : std::nullopt;
            pduLength_ = n ? *n : -1;
        }
    }
    return Take::Line;
}

Framer::Take Framer::inMessageLine(std::string_view line) {
    if (hexLine(line)) {
        if (opts_.pdu) checkPduLength(line);
        state_ = State::Answer;
        return Take::Body;
    }
    // A PDU never fails to come after its header; an empty text does.
    if (header(line)) {
        if (opts_.pdu) whole_ = false;
        return inAnswer(line);
    }
    if (finalResult(line, false) != Final::None) {
        if (opts_.pdu) whole_ = false;
        state_ = State::Done;
        return Take::Final;
    }
    if (startReport(line, false)) return Take::Report;
    state_ = State::Answer;
    return Take::Body;  // a text the phone gave as it is
}

Framer::Take Framer::inMessageText(std::string_view line, bool afterBlank) {
    if (header(line)) return Take::Line;
    if (finalResult(line, false) != Final::None) {
        // A final word opens with its own CR LF, so an empty line stands
        // before it, where a line feed inside a text gives none.
        if (!afterBlank) return Take::MaybeFinal;
        state_ = State::Done;
        return Take::Final;
    }
    // Inside a text only a line of a report's exact shape is a report.
    if (startReport(line, true)) return Take::Report;
    return Take::Body;
}

void Framer::wasText() {}

void Framer::wasFinal() {
    state_ = State::Done;
}

}  // namespace celltalk
