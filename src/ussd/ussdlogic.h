#pragma once
// USSD requests without widgets: what a request may hold, and the network's
// answer taken from the engine's log. The answer comes as a line
//   +CUSD: <mode>[,"<text>"[,<dcs>]]
// (before or after the request's OK; the engine logs a late one with "~"
// in front). The text is GSM 7-bit packed into hex or UCS2 hex as the data
// coding scheme says, or plain text when it is not hex: GSM alphabet bytes
// when the phone was told to use the GSM character set (AT+CSCS="GSM"
// answered OK earlier in the log), the bytes as they are otherwise. A text
// may run over several log lines: the +CUSD line leaves its quote open and
// the line that closes it ends the text. A NUL ends a text (some phones pad
// the quotes after it). Texts returned are Windows-1251; a character it
// cannot hold shows as "?".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/readcycle.h"

namespace td::ussd {

extern const std::string DefaultCode;  // "*100#"

// A request the operation may carry: digits, "*", "#" and "+", 1 to 160 of
// them. Anything else could end the command's quotes or the operation's
// command list, so it is refused.
bool validRequest(std::string_view code);

struct Answer {
    int mode = 0;      // 0 done, 1 the network waits for a reply, 2 ended by the network
    std::string text;  // decoded, Windows-1251
};

// The answer of one +CUSD line (its text's lines joined by line feeds),
// nothing for any other line. `gsmCharset`: the phone uses the GSM set.
std::optional<Answer> parseCusd(std::string_view line, bool gsmCharset = false);
// The last answer among the log's lines.
std::optional<Answer> lastAnswer(const std::vector<std::string>& lines);
// The log's lines the answers are read from: each +CUSD line with the lines
// its text runs over, and the accepted character-set commands with their
// OK; nothing when the log holds no answer.
std::vector<std::string> answerLines(const std::vector<std::string>& lines);

// The text of an answer as its data coding scheme says (see above).
std::string decodeText(std::string_view text, int dcs, bool gsmCharset = false);

// The texts the window shows (Windows-1251).
std::string modeNote(int mode);
std::string noAnswerText();  // the log holds no +CUSD line
std::string currentAnswerText();
std::string badRequestText(const std::string& request);

// The last copy of the answer lines, in AutoRun.
extern const std::string UssdCopyName;  // "LastUssd.txt"

// One request through the engine: the operation gets the request as its
// argument; the engine's log is watched and parsed, its +CUSD lines become
// the last copy. The flags are the window's own.
ReadCycleConfig ussdCycleConfig(const std::string& operation, const std::string& request,
                                bool* abortFlag, bool* updateFlag);

}  // namespace td::ussd
