#pragma once
// Habits of real phones the simulated one can show: each kind of phone
// (profile) is a set of them, chosen in the state file ("profile huawei"),
// and single habits may be set apart from the kind's ("quirk sim-busy 3").
// The shapes follow replies captured from real devices; quirks.cpp names
// the capture each comes from. The generic profile has none of them.

#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

struct State;

struct Quirks {
    int cmee = 0;            // error mode at start and after ATZ
    int simBusyReads = 0;    // the first N list reads of a session: +CME ERROR: 515
    int refuseSend = 0;      // +CMGS is refused after the text: +CMS ERROR: 500
    int breakListAfter = 0;  // +CMGL, +CPBR, +MDBR stop with ERROR after N entries (0: never)
    int notSupportWord = 0;  // an unknown command ends "COMMAND NOT SUPPORT"
    int noMotorola = 0;      // Motorola's own commands (+MDB*, +MMG*, +MODE) are unknown
    int smsFromZero = 0;     // message storage is numbered from 0
    int lfInNumber = 0;      // a long number is split by a line feed inside its quotes
    int datedEntries = 0;    // +CPBR: <i>,,"<number>",<type>,"<name>","<date>"
    int hexNames = 0;        // in UCS2, a Latin name goes unquoted as 8-bit hex ending 00
    int lateMs = 0;          // on a pty, every command is answered this many ms late
    int urcInLists = 0;      // every N-th entry of a list gets an unsolicited line before it
    int ussdText = 0;        // +CUSD text in the character set, dcs 15, line breaks on the line
    int ussdNul = 0;         // +CUSD text followed by a NUL and padding inside the quotes
    int storedReports = 0;   // status reports only stored: +CNMI offers ds 0 and 2 (+CDSI)
};

bool knownProfile(std::string_view name);
bool knownQuirk(std::string_view name);
std::vector<std::string> profileNames();
// The profile's habits with the state's single quirks applied.
Quirks quirksOf(const State& state);

}  // namespace phonesim
