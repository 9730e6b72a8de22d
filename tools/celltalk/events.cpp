#include "events.h"

#include <ctime>
#include <utility>

#include "answers.h"
#include "formats/fieldcursor.h"
#include "formats/smsrecord.h"
#include "platform/cp1251.h"

namespace celltalk {

using td::trim;

namespace {

std::string field(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

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
    char stamp[32];
    std::tm tm{};
    ::localtime_r(&when, &tm);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::string text = field(e.text);
    if (text.size() > kEventTextChars) text.resize(kEventTextChars);  // one byte a character
    return std::string(stamp) + "\t" + e.kind + "\t" + field(e.number) + "\t" + field(e.index) +
           "\t" + text;
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

void EventWatcher::line(const std::string& text, Clock::time_point now) {
    if (cmtHeader_) {
        // The message line of a +CMT: its text or PDU.
        if (auto e = messageEvent({*cmtHeader_, text}, "", false, false)) events_.push_back(*e);
        cmtHeader_.reset();
        return;
    }
    if (td::startsWithNoCase(text, "+CMTI:")) {
        // +CMTI: "SM",5 -- the message is read in the memory the phone reads from.
        std::vector<std::string> f = td::rawFields(afterColon(text), true);
        if (f.size() >= 2 && !trim(f[1]).empty()) reads_.push_back(trim(f[1]));
    } else if (td::startsWithNoCase(text, "+CMT:")) {
        cmtHeader_ = text;
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

}  // namespace celltalk
