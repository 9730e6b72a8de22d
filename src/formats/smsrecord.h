#pragma once
// The SMS list record: one line per message in the engine's SMS result file
// and in the SMS windows' last copies. The engine writes the lines with
// writeSmsRecord; the windows read them with readSmsRecord. Windows-1251
// bytes, one character per byte; no widgets here.
//
// A record reads: answer prefix, "=", index, ",", status, ",", number
// (further ","-separated fields may follow it), "}", text. A message joined
// from the parts of a longer one ends its fields with "parts:" and the
// indexes of its stored parts in part order, ";" between them ("parts:9;4;8"
// for the record listed at 4): the number is quoted, so a reader that knows
// nothing of it passes it over with the further fields.
//
// The reader cuts the fields thus: the rest of the line after its first
// "=", the index up to the first ",", the status up to the next ",", the
// number up to the first "}", the text after that "}" (further "}" and ","
// stay in the text). The index and the number lose their quotes (the part
// between the first and the second double quote, if they hold one); the
// text loses a pair of quotes only when it begins and ends with one; the
// status keeps its quotes. A line is a record when it is at least 17
// characters long and holds an answer prefix followed by "="; a record whose
// index holds "(" or is longer than 4 characters (the list command's echo,
// the answer to a range query) gives no message.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td::sms {

constexpr std::size_t MinRecordLength = 17;

// What the engine knows of one listed message.
struct SmsRecord {
    std::string index;               // the phone's storage index
    std::string status;              // the status word, without quotes ("REC READ")
    std::string number;              // the correspondent, without quotes
    std::vector<std::string> extra;  // further fields of the answer (name, time), as answered
    std::string text;
    // The indexes of the stored parts when the message is joined from
    // several, in part order (the record's own index is among them; it is
    // the part listed first). Empty for a message of one part.
    std::vector<std::string> parts;
};

// The record line the engine writes. It is built so that the reader gets
// back exactly index, "\"" + status + "\"", number and text:
// - control characters (line breaks, NUL, ...) in any field become blanks;
// - a "}" before the text would end the number early, so it becomes ")" in
//   the status, the number and the further fields; a "," in the status would
//   end it early and becomes ";"; a double quote inside the quoted status or
//   number becomes an apostrophe; the index keeps only what is not ",", "}"
//   or a double quote;
// - a text that begins and ends with a double quote is written inside one
//   more pair of quotes, which the reader removes again;
// - a line shorter than MinRecordLength gets empty fields after the number.
std::string writeSmsRecord(std::string_view prefix, const SmsRecord& r);

// The fields as the reader takes them.
struct SmsFields {
    std::string index;
    std::string status;  // as written, quotes included
    std::string number;
    std::string text;
    std::vector<std::string> parts;  // of a joined message, see above
};

// A line is a record: long enough, and holding one of the prefixes + "=".
bool isRecordLine(std::string_view line, const std::vector<std::string>& prefixes);
// Cuts a record line into its fields, quotes removed (no acceptance test).
SmsFields cutRecord(std::string_view line);
// The index of a message: digits (blanks around allowed), or none at all.
bool acceptedIndex(std::string_view index);
// Record test, cut and index test in one: the message of a line, if any.
std::optional<SmsFields> readSmsRecord(std::string_view line,
                                       const std::vector<std::string>& prefixes);

// The quote rules. Index and number: td::betweenQuotes (fieldcursor.h).
// Text: without its outer pair of quotes when it begins and ends with one (a
// lone quote gives an empty text).
std::string unquoteText(std::string_view text);

}  // namespace td::sms
