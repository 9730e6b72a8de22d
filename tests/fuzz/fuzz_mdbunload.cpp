// A date-book event through a backup: event -> unload line -> the engine's
// expansion of the batch file -> exactly one write command carrying the
// same fields, whatever the title holds; an event whose fields a phone
// would never give writes nothing. No other command ever comes out. And a
// title a phone in UCS2 gives (any UTF-16 units) goes through the engine's
// result file and the backup back to the phone as the same hex.
#include <cstdint>

#include "answers.h"
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

std::vector<std::string> batchWrites(const std::vector<std::string>& batch) {
    std::vector<celltalk::Step> steps;
    try {
        steps = celltalk::expandOperation(
            "!bat[", {"unload.txt", ""},
            [&batch](const std::string&) { return std::optional(batch); });
    } catch (const celltalk::OpError& e) {
        fuzz::mismatch("expansion", "no error", e.what());
    }
    std::vector<std::string> writes;
    for (const auto& s : steps)
        if (s.text.rfind("AT+MDBW=", 0) == 0) writes.push_back(s.text);
    return writes;
}

// The bytes as UTF-16 units in hex, as a phone in UCS2 gives a title.
void ucs2TitleComesBack(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
    if (hex.size() % 4) hex += "00";
    if (hex.empty()) return;
    const std::string rest = ",1,0,\"13:00\",\"06-20-2025\",90,\"00:00\",\"00-00-2000\",4";
    const std::string line = celltalk::dateBookLine("+MDBR: 1,\"" + hex + "\"" + rest, "+MDBR");
    std::vector<std::string> refused;
    const std::vector<std::string> writes = batchWrites(td::unloadFile({line}, {}, &refused));
    fuzz::expectEqual("ucs2 writes", "1", std::to_string(writes.size()));
    if (writes.size() != 1) return;
    fuzz::expectEqual("ucs2 sent", "AT+MDBW=1,\"" + hex + "\"" + rest,
                      celltalk::encodeUcs2WriteText(writes[0]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto f = fuzz::split(std::string_view(reinterpret_cast<const char*>(data), size), '\n');
    f.resize(10);
    ucs2TitleComesBack(f[1]);
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
