#pragma once
// Everything the simulated phone remembers between runs: identity, phone books
// and call lists, stored short messages, the date book and a few settings.
// Texts are UTF-8. The state file is sectioned text, one record per line.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "smspdu.h"

namespace phonesim {

struct PbEntry {
    std::string number;
    int type = 129;  // 145 when the number starts with "+"
    std::string name;
    std::string time;  // a call list entry's "yyyy/MM/dd,hh:mm"; may be empty
};

struct PhoneBook {
    int capacity = 100;
    std::map<int, PbEntry> entries;  // by index, 1-based
};

enum class SmsStatus { RecUnread = 0, RecRead = 1, StoUnsent = 2, StoSent = 3 };
enum class SmsCoding { Gsm7, Ucs2 };

struct Sms {
    SmsStatus status = SmsStatus::RecUnread;
    std::string number;
    std::string time;  // "yy/MM/dd,hh:mm:ss+zz" for received messages, else empty
    SmsCoding coding = SmsCoding::Gsm7;
    std::string text;
    gsmcodec::PartInfo part;  // one part of a longer message (ref -1: a whole one)
};

struct SmsStore {
    int capacity = 30;
    std::map<int, Sms> messages;  // by index, 1-based (0-based with some profiles)
};

struct Event {
    std::string title;
    int timed = 1;     // the event has a start time
    int alarm = 0;     // its alarm is on
    std::string time;  // "hh:mm"
    std::string date;  // "MM-DD-YYYY"
    int duration = 0;  // minutes
    std::string alarmTime, alarmDate;
    int repeat = 0;  // 0 none, 1 daily, 2 weekly, 3 monthly on the date,
                     // 4 monthly on the weekday, 5 yearly
};

struct State {
    std::string manufacturer, model, revision, imei, imsi, smsc, operatorName;
    int volume = 4;  // 0..7
    int batteryCharging = 0, batteryLevel = 80;
    int rssi = 20, ber = 99;
    int autoDelete = 1;  // weeks after which past events go; 0 = never
    int nextMessageRef = 1;
    // The network's status report on a sent message that asked for one:
    // "ok" (delivered), "fail" (not delivered) or "none", after delayMs.
    std::string delivery = "none";
    int deliveryDelayMs = 0;
    int network = 1;                         // 0: no network service, so no message can be sent
    std::map<std::string, PhoneBook> books;  // "SM", "ME", "MC", "RC", "DC"
    std::map<std::string, SmsStore> sms;     // "SM", "ME"
    int datebookCapacity = 500;
    std::map<int, Event> datebook;
    // The kind of phone whose habits it shows (quirks.h) and single habits
    // set apart from its kind's.
    std::string profile = "generic";
    std::map<std::string, int> quirks;
    // The network's answer to the balance request *100# (UTF-8).
    std::string ussdBalance;
};

const char* statusText(SmsStatus s);  // "REC UNREAD" ...
std::optional<SmsStatus> statusFromText(std::string_view text);

// The phone as it comes out of the box in these tests: names in both
// alphabets, missed calls, messages in every status, a few events.
State seedState();

std::string serializeState(const State& state);
// Parses a state file; on failure returns nullopt and describes the line.
std::optional<State> parseState(std::string_view text, std::string* error);

// File helpers; save writes a temporary file and renames it over the old one.
std::optional<State> loadStateFile(const std::string& path, std::string* error);
bool saveStateFile(const std::string& path, const State& state);

// A number's type of address: 145 for international ("+..."), else 129.
int numberType(std::string_view number);

// Puts a call at the top of a call list (index 1), moving the others down and
// dropping the oldest when the list is full. The name is looked up in the
// SM and ME phone books.
void addCall(State& state, const std::string& list, const std::string& number);
std::string nameForNumber(const State& state, std::string_view number);

}  // namespace phonesim
