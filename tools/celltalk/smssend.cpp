// Sending a message: the phone's "> " prompt awaited, the text given in the
// form the phone's mode and character set want, and a text too long for
// one text-mode message sent as PDU parts.

#include <ctime>

#include "answers.h"
#include "engine/settingkeys.h"
#include "executor.h"
#include "formats/fieldcursor.h"
#include "formats/sentlog.h"
#include "gsmtext.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "runinternal.h"
#include "smspdu.h"

namespace celltalk {

using td::trim;

void Executor::cancelMessageEntry() {
    // A prompt that comes late would take the next command for the message
    // text; ESC makes the phone drop the message and leave the entry mode.
    try {
        t_.write("\x1B");
    } catch (const TransportError&) {
        // The link is gone: nothing is waiting for the text any more.
    }
}

bool Executor::waitPrompt(const std::string& cmd, std::string& refusal,
                          const std::string* textLine) {
    // The prompt "> " ends no line, so lines are taken here only when they are
    // complete: the prompt may follow the echo, an unsolicited report or a
    // lone line end in a later read, and must still be seen when it comes.
    // The command's repetition, the phone's reports and a refusal are told
    // by the framing; the prompt itself ends no line.
    FrameOptions fo = frameOptions();
    fo.echo = false;
    if (textLine) {
        // The prompt again after a line of the text: its repetition comes first.
        fo.afterText = true;
        fo.sentText = trim(*textLine);
    }
    framer_.begin(rowOf(cmd), cmd, fo);
    auto span = [](double sec) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(sec));
    };
    Clock::time_point deadline = Clock::now() + span(cfg_.timeoutSec);
    const Clock::time_point hardEnd =
        Clock::now() + span(std::max(cfg_.commandLimitSec, cfg_.timeoutSec));
    for (;;) {
        size_t first = buf_.find_first_not_of("\r\n");
        buf_.erase(0, first == std::string::npos ? buf_.size() : first);
        if (!buf_.empty() && buf_[0] == '>') {
            buf_.erase(0, buf_.size() > 1 && buf_[1] == ' ' ? 2 : 1);
            return true;
        }
        size_t eol = buf_.find_first_of("\r\n");
        if (eol != std::string::npos) {
            std::string line = buf_.substr(0, eol);
            buf_.erase(0, eol);
            if (trim(line).empty()) continue;
            const Framer::Take take = framer_.feed(line, false);
            switch (take) {
                case Framer::Take::Echo:
                    continue;
                case Framer::Take::Stale:
                case Framer::Take::Report:
                    setAside(take, line);
                    continue;
                case Framer::Take::Final:
                    out_.log.line(line);
                    if (obs_) obs_->received(line, false);
                    refusal = line;
                    framer_.idle();
                    return false;
                default:
                    break;
            }
            out_.log.line(line);
            if (obs_) obs_->received(line, false);
            // A line resets the wait for silence, never the command's limit.
            deadline = std::min(hardEnd, Clock::now() + span(cfg_.timeoutSec));
            continue;
        }
        if (interruptRequested()) {
            cancelMessageEntry();
            throw Interrupted{};
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        std::string data = t_.read(static_cast<int>(std::min<long long>(left.count(), 100)));
        if (data.empty() && !t_.canWait()) break;
        buf_ += data;
    }
    cancelMessageEntry();
    throw EngineError(td::W("нет приглашения \"> \" телефона на команду ") + cmd + " (" +
                      seconds(cfg_.timeoutSec) + td::W(" с)"));
}

std::string Executor::sendWithPrompt(const std::string& cmd, const std::string& body,
                                     const std::string& shown, std::optional<int>* reference) {
    out_.log.line(cmd);
    if (obs_) obs_->sent(cmd);
    t_.write(cmd + "\r");
    std::string refusal;
    if (!waitPrompt(cmd, refusal)) return refusal;
    // The log and the window show the text as written when the phone gets
    // it in another form (the GSM alphabet's bytes, "@" a NUL among them).
    out_.log.line(shown.empty() ? body : shown);
    if (obs_) obs_->sent(shown.empty() ? body : shown);
    // A line break of a text-mode message goes as CR, which the phone keeps
    // in the message and answers with its prompt again (27.005); a lone LF
    // would be no line break to it. A PDU or hex text holds none.
    std::vector<std::string> lines{""};
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r' || body[i] == '\n') {
            if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += body[i];
        }
    }
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        t_.write(lines[i] + "\r");
        if (!waitPrompt(cmd, refusal, &lines[i])) return refusal;
    }
    t_.write(lines.back() + "\x1A");
    // With echo on, the phone repeats the text first; it is not the answer
    // even when the text reads "OK".
    Answer a = collect(cmd, lines.back());
    if (reference)
        for (const std::string& l : a.lines) {
            td::FieldCursor c(l);
            if (!c.skipPrefix("+CMGS")) continue;
            if (auto mr = c.number(); mr && *mr >= 0 && *mr <= 255) *reference = int(*mr);
        }
    return a.final;
}

namespace {
// Sets TP-SRR in the first octet of an SMS-SUBMIT given as hex (after its
// service centre address): the network then reports the delivery.
void requestStatusReport(std::string& hex) {
    auto sca = td::fromHex(std::string_view(hex).substr(0, 2));
    const size_t at = sca ? 2 + 2 * static_cast<size_t>((*sca)[0]) : hex.size();
    auto first = td::fromHex(std::string_view(hex).substr(std::min(at, hex.size()), 2));
    if (!first || first->size() != 1) return;
    hex.replace(at, 2, td::toHex(std::vector<uint8_t>{static_cast<uint8_t>((*first)[0] | 0x20)}));
}
}  // namespace

std::string Executor::askStatusReport() {
    // In text mode the first octet +CSMP sets carries TP-SRR (49 instead of
    // the usual 17). The phone's parameters are read first and given back
    // after the send; a phone that does not tell them gets the usual ones.
    std::string fields;
    if (auto a = ask("AT+CSMP?"))
        for (const std::string& l : *a) {
            td::FieldCursor c(l);
            if (c.skipPrefix("+CSMP")) fields = trim(c.rest());
        }
    if (fields.empty()) fields = std::string("17,167,0,") + (ucs2Text_ ? "8" : "0");
    td::FieldCursor c(fields);
    const std::optional<long long> first = c.number();
    if (!first || *first < 0 || *first > 255 || (*first & 0x20)) return {};
    const std::string rest(c.rest());
    if (!ask("AT+CSMP=" + std::to_string(*first | 0x20) + (rest.empty() ? "" : "," + rest)))
        return {};
    return "AT+CSMP=" + fields;
}

void Executor::recordSend(const std::string& number, const std::vector<std::optional<int>>& refs) {
    // The message references tie the network's reports to this send; a
    // send whose references the phone did not give cannot be told apart.
    td::SentEntry e{td::sentStamp(std::time(nullptr)), "sent", number, {}, args_.arg2};
    for (const auto& r : refs) {
        if (!r) {
            out_.log.line(
                td::W("Номер сообщения (+CMGS) не получен: отчёт о доставке не "
                      "будет сопоставлен"));
            return;
        }
        e.refs.push_back(*r);
    }
    const std::string path = td::files::join(cfg_.autoRunDir(), td::SentLogName);
    td::files::makeDir(cfg_.autoRunDir());
    if (!td::appendSentLog(path, e)) out_.log.line(td::W("Не записан ") + path);
}

void Executor::sendSms(const std::string& number) {
    const std::string& text = args_.arg2;
    size_t digits = 0;
    for (char c : number) digits += (c >= '0' && c <= '9') || c == '*' || c == '#';
    if (digits > gsmcodec::kMaxAddressDigits)
        throw EngineError(td::W("номер получателя длиннее ") +
                              std::to_string(gsmcodec::kMaxAddressDigits) + td::W(" цифр: ") +
                              number,
                          2);
    if (!pdu_ && !charsetKnown_) learnCharset();
    const std::u32string chars = gsmcodec::cp1251Decode(text);
    // In the GSM set a character of the extension table ({ } [ ] ~ \ ^ | and
    // the euro) takes an escape, 1B, which a phone typing a text-mode message
    // takes as "cancel": such a text goes as a PDU, whose septets carry the
    // escape safely, and the phone is put back in text mode after it.
    bool escapes = false;
    if (!pdu_ && gsm_ && !ucs2Text_)
        for (uint8_t septet : gsmcodec::toGsm7Septets(chars)) escapes = escapes || septet == 0x1B;
    // A text-mode message is one SMS (160 GSM characters, or 70 in UCS2): a
    // longer text goes as the concatenated parts of PDU mode the same way.
    const bool longer =
        gsmcodec::fitsGsm7(chars) ? gsmcodec::toGsm7Septets(chars).size() > 160 : chars.size() > 70;
    // A text the phone's set cannot give exactly (a dash or quotes outside
    // the GSM alphabet, a letter outside ASCII in IRA) would reach it as "?":
    // it goes as a PDU, in the GSM alphabet where that holds it, else in UCS2.
    bool inexact = false;
    if (!pdu_ && !ucs2_ && !ucs2Text_) {
        if (gsm_)
            inexact = !gsmcodec::fitsGsm7(chars);
        else
            for (unsigned char c : text) inexact = inexact || c >= 0x80;
    }
    if (!pdu_ && !escapes && !longer && !inexact) {
        std::string body;
        if (ucs2_ || ucs2Text_) {
            body = gsmcodec::cp1251::toUcs2Hex(text);
        } else if (gsm_) {
            // One byte a character of the GSM alphabet ("@" is 00, "$" 02,
            // "_" 11); a character it lacks becomes "?".
            for (uint8_t septet : gsmcodec::toGsm7Septets(chars)) body += static_cast<char>(septet);
        } else {
            for (unsigned char c : text) {
                if (c == 0x1A || c == 0x1B) continue;
                body += c >= 0x80 ? '?' : static_cast<char>(c);
            }
        }
        std::string num = ucs2_ ? gsmcodec::cp1251::toUcs2Hex(number) : number;
        const std::string cmd = "AT+CMGS=\"" + num + "\"";
        const std::string restore = cfg_.statusReport ? askStatusReport() : "";
        std::optional<int> ref;
        std::string final =
            sendWithPrompt(cmd, body, gsm_ && !ucs2_ && !ucs2Text_ ? text : "", &ref);
        if (!restore.empty()) ask(restore);
        if (finalResult(final, false) != Final::Ok)
            refused(cmd + " (!sms " + number + ")", final);
        else if (cfg_.statusReport)
            recordSend(number, {ref});
        return;
    }
    const bool textMode = !pdu_;
    if (textMode) {
        command("AT+CMGF=0");
        if (!pdu_ && escapes)
            throw EngineError(td::W("телефон не перешёл в режим PDU (AT+CMGF=0), а текст в "
                                    "алфавите GSM с символами { } [ ] ~ \\ ^ | € в текстовом "
                                    "режиме не передать"),
                              1);
        if (!pdu_ && inexact && !longer)
            throw EngineError(td::W("телефон не перешёл в режим PDU (AT+CMGF=0), а символы "
                                    "текста вне набора телефона в текстовом режиме не передать"),
                              1);
        if (!pdu_)
            throw EngineError(td::W("телефон не перешёл в режим PDU (AT+CMGF=0), а текст "
                                    "длиннее одного SMS в текстовом режиме не передать"),
                              1);
    }
    auto parts = gsmcodec::encodeSubmit(number, chars, static_cast<uint8_t>(smsRef_++ & 0xFF));
    std::vector<std::optional<int>> refs;
    bool sent = true;
    for (auto& p : parts) {
        if (cfg_.statusReport) requestStatusReport(p.hex);
        const std::string cmd = "AT+CMGS=" + std::to_string(p.tpduLength);
        std::string final = sendWithPrompt(cmd, p.hex, {}, &refs.emplace_back());
        if (finalResult(final, false) != Final::Ok) {
            refused(cmd + " (!sms " + number + ")", final);
            sent = false;
            break;
        }
    }
    if (cfg_.statusReport && sent) recordSend(number, refs);
    if (textMode) command("AT+CMGF=1");
}

}  // namespace celltalk
