#include "quirks.h"

#include <array>

#include "state.h"

namespace phonesim {
namespace {

struct Knob {
    const char* name;
    int Quirks::*field;
};

// Habits in no profile, set by a state file where a test wants them:
// - urc-in-lists: unsolicited lines amid a list answer, framed as phones send
//   them ("\r\n<line>\r\n"), in turn the shapes of gammu
//   tests/at-statemachine.c (+CMTI: "SM",1 and a Huawei modem's
//   ^NWTIME: 18/03/09,12:36:21+4,00 before an answer), ModemManager
//   src/tests/test-modem-helpers.c (test_creg1_unsolicited, "\r\n+CREG: 3\r\n"),
//   gammu tests/atgen/smsd-cancel-call.c (RING) and ModemManager's Huawei
//   plugin (its "\r\n^RSSI:\s*(\d+)\r\n" unsolicited line);
// - ussd-text: gammu tests/at-ussd/03-unknown.dump, a menu in the GSM set
//   inside the quotes, "Bitte w{hlen Sie: 1 Konto aufladen 2 CallNow
//   Transfer" ("{" is the GSM alphabet's a-umlaut) and no data coding. The
//   dump keeps the menu on one line; its items each on a line of their own,
//   as a menu shows them, is this phone's shape.
// - stored-reports: 27.005's +CDSI, the indication of a status report kept
//   in the phone's memory, for modules that offer no ds=1 routing.
constexpr std::array<Knob, 15> kKnobs = {{
    {"cmee", &Quirks::cmee},
    {"sim-busy", &Quirks::simBusyReads},
    {"refuse-send", &Quirks::refuseSend},
    {"break-list", &Quirks::breakListAfter},
    {"not-support", &Quirks::notSupportWord},
    {"no-motorola", &Quirks::noMotorola},
    {"sms-from-zero", &Quirks::smsFromZero},
    {"lf-in-number", &Quirks::lfInNumber},
    {"dated-entries", &Quirks::datedEntries},
    {"hex-names", &Quirks::hexNames},
    {"late-ms", &Quirks::lateMs},
    {"urc-in-lists", &Quirks::urcInLists},
    {"ussd-text", &Quirks::ussdText},
    {"ussd-nul", &Quirks::ussdNul},
    {"stored-reports", &Quirks::storedReports},
}};

struct Profile {
    const char* name;
    Quirks quirks;
};

Quirks make(std::initializer_list<std::pair<int Quirks::*, int>> set) {
    Quirks q;
    for (auto [field, value] : set) q.*field = value;
    return q;
}

const std::vector<Profile>& profiles() {
    static const std::vector<Profile> table = {
        {"generic", {}},
        // gammu tests/at-getmemory/ucs2-motorola.dump (a Motorola phone in
        // UCS2): +CPBR: 419,"030450566735",129,56697263686F77...333100 -- the
        // name unquoted, 8-bit hex, ending 00. Numeric errors from the start,
        // and the first reads of a session answered +CME ERROR: 515 (busy,
        // initialising) as phones do while they still read the SIM; that
        // shape comes from no capture of the suites.
        {"motorola",
         make({{&Quirks::hexNames, 1}, {&Quirks::cmee, 1}, {&Quirks::simBusyReads, 2}})},
        // gammu tests/at-getmemory/samsung.dump (Samsung): a line feed right
        // after the opening quote of the number. gammu
        // tests/at-getmemory/with-time.dump (the suite names no device; kept
        // with this kind): an empty field before the number and a date after
        // the name.
        {"samsung", make({{&Quirks::lfInNumber, 1}, {&Quirks::datedEntries, 1}})},
        // gammu tests/at-getmemory/nokia-2730.dump (Nokia 2730): an entry
        // with a name and no number, +CPBR: 16,"",,"0053...", which any
        // state file entry with an empty number gives; lists broken off
        // half-way and refused sends are set per test (quirk lines).
        {"nokia", make({{&Quirks::cmee, 1}})},
        // ModemManager src/mm-serial-parsers.c knows "COMMAND NOT SUPPORT" as
        // a modem's refusal, and its src/tests/test-modem-helpers.c
        // (test_cmgl_response_generic) lists a message stored at index 0,
        // "+CMGL: 0,1,,147"; neither names the device. Kept with the data
        // modem kind, which knows no Motorola commands.
        {"huawei", make({{&Quirks::notSupportWord, 1},
                         {&Quirks::noMotorola, 1},
                         {&Quirks::smsFromZero, 1},
                         {&Quirks::cmee, 1}})},
        // A phone reached over Bluetooth (an rfcomm serial link): every
        // answer comes about a second late. Captures hold no timings; the
        // delay is the one such links show in use. Served in-process the
        // phone cannot wait, and answers at once.
        {"bluetooth", make({{&Quirks::lateMs, 1000}})},
        // gammu tests/at-ussd/issue377-HE910-D.dump (Telit HE910-D): the
        // +CUSD text in UCS2 hex ends with 0000 and goes on with padding,
        // FFFF60B16260EEEE..., inside the quotes.
        {"telit", make({{&Quirks::ussdNul, 1}, {&Quirks::cmee, 1}})},
    };
    return table;
}

}  // namespace

bool knownProfile(std::string_view name) {
    for (const auto& p : profiles())
        if (name == p.name) return true;
    return false;
}

bool knownQuirk(std::string_view name) {
    for (const auto& k : kKnobs)
        if (name == k.name) return true;
    return false;
}

std::vector<std::string> profileNames() {
    std::vector<std::string> out;
    for (const auto& p : profiles()) out.push_back(p.name);
    return out;
}

Quirks quirksOf(const State& state) {
    Quirks q;
    for (const auto& p : profiles())
        if (state.profile == p.name) q = p.quirks;
    for (const auto& [name, value] : state.quirks)
        for (const auto& k : kKnobs)
            if (name == k.name) q.*k.field = value;
    return q;
}

}  // namespace phonesim
