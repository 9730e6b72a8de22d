// A phone-book answer line (+CPBR) as the phone book window parses it, and
// the round trip of a record through its LastPBook.txt line.
#include <cstdint>

#include "formats/pbrecord.h"
#include "fuzzsupport.h"
#include "phonebook/pbparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    // Whatever the phone sent, a record the parser makes of it must come
    // back from its last-copy line as it was.
    for (const std::string& prefix : {std::string("+CPBR"), std::string("+CPBF")}) {
        auto r = td::parsePhoneBookLine(line, prefix);
        if (!r) continue;
        // A phone number holds no "=" (the format relies on it), and the
        // window's own line splitting never hands over a line break.
        // A name with an earlier version's time mark reads as that mark.
        if (r->number.find('=') != std::string::npos ||
            r->number.find_first_of("\r\n") != std::string::npos ||
            r->name.find_first_of("\r\n") != std::string::npos ||
            r->name.find("\ttime:") != std::string::npos)
            continue;
        std::vector<td::PBRecord> back{td::splitRecordLine(td::recordLine(*r))};
        td::attachCallTimes(back, td::callTimeLines({*r}));
        fuzz::expectEqual("name", r->name, back[0].name);
        fuzz::expectEqual("number", r->number, back[0].number);
        fuzz::expectEqual("time", r->time, back[0].time);
    }
    // Any name and any number without "=" (a phone number holds none).
    auto parts = fuzz::split(line, '\n');
    if (parts.size() == 2 && !parts[1].empty() && parts[1] != " " &&
        parts[1].find('=') == std::string::npos && parts[0].find('\r') == std::string::npos &&
        parts[1].find('\r') == std::string::npos && parts[0].find("\ttime:") == std::string::npos) {
        td::PBRecord r{parts[0], parts[1]};
        td::PBRecord back = td::splitRecordLine(td::recordLine(r));
        fuzz::expectEqual("name", r.name, back.name);
        fuzz::expectEqual("number", r.number, back.number);
    }
    return 0;
}
