// The engine's SMS record builder on any list answer (text and PDU mode),
// and the round trip of a record through its line: what the writer makes of
// a message, the reader gives back as the record format promises.
#include <cstdint>

#include "answers.h"
#include "fuzzsupport.h"
#include "formats/smsrecord.h"

namespace {

std::string blanks(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}
std::string swap(std::string s, char from, char to) {
    for (char& c : s)
        if (c == from) c = to;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool ucs2 = data[0] & 1;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> prefixes{"+CMGL"};
    // 1. An answer: every record the engine writes is a record the windows read.
    auto lines = fuzz::split(rest, '\n');
    for (const auto& record : celltalk::buildSmsRecords(lines, "+CMGL", ucs2)) {
        if (record.find_first_of("\r\n") != std::string::npos)
            fuzz::mismatch("record holds a line break", "", record);
        auto f = td::sms::cutRecord(record);
        if (!td::sms::isRecordLine(record, prefixes)) fuzz::mismatch("not a record", "", record);
        (void)f;
    }
    // 2. One message's fields: index (digits), status, number, text.
    auto parts = fuzz::split(rest, '\x01');
    if (parts.size() != 4 || parts[0].empty() || parts[0].size() > 4) return 0;
    for (char c : parts[0])
        if (c < '0' || c > '9') return 0;
    td::sms::SmsRecord r{parts[0], parts[1], parts[2], {}, parts[3]};
    std::string line = td::sms::writeSmsRecord("+CMGL", r);
    auto back = td::sms::readSmsRecord(line, prefixes);
    if (!back) fuzz::mismatch("record not read", line, "");
    fuzz::expectEqual("index", r.index, back->index);
    fuzz::expectEqual(
        "status", "\"" + swap(swap(swap(blanks(r.status), '}', ')'), ',', ';'), '"', '\'') + "\"",
        back->status);
    fuzz::expectEqual("number", swap(swap(blanks(r.number), '}', ')'), '"', '\''), back->number);
    fuzz::expectEqual("text", blanks(r.text), back->text);
    return 0;
}
