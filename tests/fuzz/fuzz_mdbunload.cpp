// A date-book event through a backup: event -> unload line -> the engine's
// expansion of the batch file -> exactly one write command carrying the
// same fields, whatever the title holds; an event whose fields a phone
// would never give writes nothing. No other command ever comes out.
#include <cstdint>

#include "datebook/mdblogic.h"
#include "fuzzsupport.h"
#include "oplang.h"

namespace {

std::string trimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A number field as a phone gives it: digits, blanks around allowed.
bool plainNumber(const std::string& s) {
    return trimBlanks(s).find_first_not_of("0123456789") == std::string::npos;
}

// What the phone can give in a quoted field: no quote, no control
// character but a tab.
bool plainText(const std::string& s) {
    for (unsigned char c : s)
        if (c == '"' || (c < 0x20 && c != '\t') || c == 0x7F) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto f = fuzz::split(std::string_view(reinterpret_cast<const char*>(data), size), '\n');
    f.resize(10);
    const td::MdbRecord event{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]};
    const std::string line = td::writeMdbRecord(event);
    bool plain = true;
    for (int k : {0, 2, 3, 6, 9}) plain = plain && plainNumber(f[k]);
    for (int k : {1, 4, 5, 7, 8}) plain = plain && plainText(f[k]);

    std::vector<std::string> refused;
    const std::vector<std::string> batch = td::unloadFile({line}, {}, &refused);
    std::vector<celltalk::Step> steps;
    try {
        steps = celltalk::expandOperation(
            "!bat[", {"unload.txt", ""},
            [&batch](const std::string&) { return std::optional(batch); });
    } catch (const celltalk::OpError& e) {
        fuzz::mismatch("expansion", "no error", e.what());
    }
    std::vector<std::string> writes;
    for (const auto& s : steps) {
        if (s.kind != celltalk::Step::Kind::Command) fuzz::mismatch("step kind", "command", s.text);
        if (s.text == "at+mdbl=1" || s.text == "at+mdbl=0") continue;
        if (s.text.rfind("AT+MDBW=", 0) != 0) fuzz::mismatch("command", "AT+MDBW=...", s.text);
        writes.push_back(s.text);
    }
    const bool written = plain && line.size() > 30;
    fuzz::expectEqual("writes", written ? "1" : "0", std::to_string(writes.size()));
    fuzz::expectEqual("refused", plain || line.size() <= 30 ? "0" : "1",
                      std::to_string(refused.size()));
    if (writes.empty()) return 0;
    auto back = td::readMdbRecord("+MDBR: " + writes[0].substr(8));
    if (!back) fuzz::mismatch("read back", line, writes[0]);
    const std::string* want[] = {&f[0], &f[1], &f[2], &f[3], &f[4],
                                 &f[5], &f[6], &f[7], &f[8], &f[9]};
    const std::string* got[] = {&back->index,     &back->title, &back->timed,    &back->alarm,
                                &back->time,      &back->date,  &back->duration, &back->alarmTime,
                                &back->alarmDate, &back->repeat};
    // Numbers compare without blanks around them (the expansion trims the
    // command's end); texts exactly.
    for (int k = 0; k < 10; ++k) {
        bool number = k == 0 || k == 2 || k == 3 || k == 6 || k == 9;
        fuzz::expectEqual("field", number ? trimBlanks(*want[k]) : *want[k],
                          number ? trimBlanks(*got[k]) : *got[k]);
    }
    return 0;
}
