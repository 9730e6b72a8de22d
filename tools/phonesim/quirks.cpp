#include "quirks.h"

#include <array>

#include "state.h"

namespace phonesim {
namespace {

struct Knob {
    const char* name;
    int Quirks::*field;
};

constexpr std::array<Knob, 10> kKnobs = {{
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
