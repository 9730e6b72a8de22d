#include "events.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <span>
#include <utility>

#include "answers.h"
#include "formats/eventlog.h"
#include "formats/fieldcursor.h"
#include "formats/smsrecord.h"
#include "gsmtext.h"
#include "platform/cp1251.h"
#include "smspdu.h"

namespace celltalk {

using td::trim;

namespace {

// The text after "NAME:" of a report line, blanks trimmed.
std::string afterColon(std::string_view line) {
    size_t colon = line.find(':');
    return colon == std::string_view::npos ? "" : trim(line.substr(colon + 1));
}

bool word(std::string_view line, std::string_view w) {
    return td::equalsNoCase(trim(line), w);
}

}  // namespace

std::string eventLine(const PhoneEvent& e, std::time_t when) {
    return td::eventLogLine(e.kind, e.number, e.index, e.text, when);
}

std::optional<PhoneEvent> messageEvent(const std::vector<std::string>& answer,
                                       const std::string& index, bool ucs2, bool gsm) {
    if (answer.empty()) return std::nullopt;
    // The header of a read (+CMGR) or of a message routed to the host (+CMT)
    // written as a list's (+CMGL), which the engine's list reader takes: in
    // PDU mode its status and length, in text mode its status and number.
    std::vector<std::string> lines = answer;
    std::string& head = lines.front();
    const std::string rest = afterColon(head);
    if (td::startsWithNoCase(head, "+CMGR:"))
        head = "+CMGL: " + (index.empty() ? "0" : index) + "," + rest;
    else if (td::startsWithNoCase(head, "+CMT:"))
        head = std::string("+CMGL: 0,") + (rest.starts_with('"') ? "\"REC UNREAD\"," : "0,") + rest;
    else
        return std::nullopt;
    std::vector<std::string> records = buildSmsRecords(lines, "+CMGL", ucs2, gsm);
    if (records.empty()) return std::nullopt;
    td::sms::SmsFields f = td::sms::cutRecord(records.front());
    return PhoneEvent{"sms", f.number, index, td::sms::unquoteText(f.text)};
}

namespace {

std::optional<PhoneEvent> reportEvent(int reference, const std::string& number, int status) {
    // TP-Status: 0x00-0x1F done (delivered), 0x20-0x3F the centre still
    // tries (no news yet), from 0x40 given up.
    if (status >= 0x20 && status < 0x40) return std::nullopt;
    return PhoneEvent{status < 0x20 ? "delivered" : "not-delivered", number,
                      std::to_string(reference), std::to_string(status)};
}

std::optional<PhoneEvent> statusReportPdu(std::string_view hex) {
    auto o = td::fromHex(trim(hex));
    if (!o || o->empty()) return std::nullopt;
    const std::vector<uint8_t>& b = *o;
    size_t pos = 1u + b[0];  // after the service centre
    if (pos + 4 > b.size() || (b[pos] & 0x03) != 0x02) return std::nullopt;  // not a report
    const int reference = b[pos + 1];
    const size_t digits = b[pos + 2];
    const bool international = (b[pos + 3] & 0x70) == 0x10;
    pos += 4;
    const size_t addressOctets = (digits + 1) / 2;
    if (pos + addressOctets + 14 >= b.size()) return std::nullopt;
    std::string number =
        gsmcodec::decodeSemiOctets(std::span<const uint8_t>(b.data() + pos, addressOctets), digits);
    if (international) number = "+" + number;
    return reportEvent(reference, number, b[pos + addressOctets + 14]);
}

}  // namespace

void EventWatcher::line(const std::string& text, Clock::time_point now) {
    if (bodyOf_) {
        // The line after a +CMT (its text or PDU) or a +CDS in PDU mode.
        const std::string header = std::exchange(*bodyOf_, {});
        bodyOf_.reset();
        auto e = td::startsWithNoCase(header, "+CDS:")
                     ? statusReportPdu(text)
                     : messageEvent({header, text}, "", false, false);
        if (e) events_.push_back(*e);
        return;
    }
    if (td::startsWithNoCase(text, "+CDSI:")) {
        // +CDSI: "SR",3 -- a status report the phone stored instead of showing it.
        std::vector<std::string> f = td::rawFields(afterColon(text), true);
        const std::string memory = f.empty() ? "" : td::outerQuotes(trim(f[0]));
        const bool named =
            memory.size() <= 4 && std::all_of(memory.begin(), memory.end(), [](char c) {
                return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            });
        const std::string index = f.size() >= 2 ? trim(f[1]) : "";
        // Only a memory's name and a number go into the commands that read it.
        if (named && !index.empty() && index.find_first_not_of("0123456789") == std::string::npos)
            reportReads_.push_back({memory, index});
    } else if (td::startsWithNoCase(text, "+CMTI:")) {
        // +CMTI: "SM",5 -- the message is read in the memory the phone reads from.
        std::vector<std::string> f = td::rawFields(afterColon(text), true);
        if (f.size() >= 2 && !trim(f[1]).empty()) reads_.push_back(trim(f[1]));
    } else if (td::startsWithNoCase(text, "+CMT:")) {
        bodyOf_ = text;
    } else if (td::startsWithNoCase(text, "+CDS:")) {
        // Text mode: fo, mr, "ra", tora, "scts", "dt", st; PDU mode: the length.
        std::vector<std::string> f = td::rawFields(afterColon(text), true);
        if (f.size() >= 7) {
            if (auto e = reportEvent(std::atoi(trim(f[1]).c_str()), td::betweenQuotes(f[2]),
                                     std::atoi(trim(f[6]).c_str())))
                events_.push_back(*e);
        } else {
            bodyOf_ = text;
        }
    } else if (word(text, "RING") || td::startsWithNoCase(text, "+CRING:")) {
        if (!ringing_) callStarts();
        lastRing_ = now;
    } else if (td::startsWithNoCase(text, "+CLIP:")) {
        if (!ringing_) {
            callStarts();
            lastRing_ = now;
        }
        if (!called_) {
            number_ = td::betweenQuotes(afterColon(text));
            events_.push_back({"call", number_, "", ""});
            called_ = true;
        }
    } else if (ringing_ && (word(text, "NO CARRIER") || word(text, "3"))) {
        hungUp_ = true;
    }
}

void EventWatcher::callStarts() {
    ringing_ = true;
    called_ = hungUp_ = false;
    number_.clear();
}

bool EventWatcher::ringingStopped(Clock::time_point now) const {
    return ringing_ && (hungUp_ || now - lastRing_ >= std::chrono::duration<double>(ringGap_));
}

void EventWatcher::ringEnded(bool answered) {
    // A ring without the caller's number still was a call.
    if (!called_) events_.push_back({"call", "", "", ""});
    if (!answered) events_.push_back({"missed", number_, "", ""});
    ringing_ = called_ = hungUp_ = false;
}

std::vector<PhoneEvent> EventWatcher::takeEvents() {
    return std::exchange(events_, {});
}

std::vector<std::string> EventWatcher::takeReads() {
    return std::exchange(reads_, {});
}

std::vector<StoredReport> EventWatcher::takeReportReads() {
    return std::exchange(reportReads_, {});
}

std::optional<PhoneEvent> storedReportEvent(const std::vector<std::string>& answer) {
    for (size_t i = 0; i < answer.size(); ++i) {
        if (!td::startsWithNoCase(trim(answer[i]), "+CMGR:")) continue;
        std::vector<std::string> f = td::rawFields(afterColon(answer[i]), true);
        if (f.size() >= 8)
            return reportEvent(std::atoi(trim(f[2]).c_str()), td::betweenQuotes(f[3]),
                               std::atoi(trim(f[7]).c_str()));
        return i + 1 < answer.size() ? statusReportPdu(answer[i + 1]) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<DeliveryMatcher::Outcome> DeliveryMatcher::report(
    const PhoneEvent& part, const std::vector<td::SentEntry>& log, std::time_t now) {
    const int ref = std::atoi(part.index.c_str());
    const std::optional<size_t> at = td::sendOfReport(log, part.number, ref);
    if (!at) return Outcome{part, std::nullopt};
    if (td::outcomeOf(log, *at)) return std::nullopt;  // told already (a report repeated)
    const td::SentEntry& send = log[*at];
    std::set<int>& done = delivered_[td::sentLogLine(send)];
    if (part.kind == "delivered") {
        done.insert(ref);
        for (int r : send.refs)
            if (!done.count(r)) return std::nullopt;
    }
    delivered_.erase(td::sentLogLine(send));
    td::SentEntry entry{td::sentStamp(now), part.kind, send.number, send.refs, send.text};
    std::string refs;
    for (int r : send.refs) refs += (refs.empty() ? "" : ",") + std::to_string(r);
    return Outcome{{part.kind, send.number, refs, send.text}, entry};
}

}  // namespace celltalk
