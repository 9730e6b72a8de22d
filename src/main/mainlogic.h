#pragma once
// Computations of the main window that need no widgets: the engine wait
// time, the exe-derived names, the SMS histories in the own ini, the
// recipient lists, the texts that go onto the engine's command line and the
// re-send choice.

#include <optional>
#include <string>
#include <vector>

#include "engine/settings.h"

namespace td {
class IniFile;
}

namespace td::mainlogic {

// Half of a wait time, rounded to the nearest whole number with halves going
// to the even neighbour: 5 -> 2, 3 -> 2, 7 -> 4, 10 -> 5.
long long halfToEven(long long seconds);

// The wait time in force: WaitSec when it is a whole number, else 5.
std::string effectiveWaitSec(const std::string& waitSec);

// The exe-derived names (engine/settings.h).
using td::exeBaseName;
using td::exeIniName;

// The settings check box for the engine's window from Common/Window
// (upper-cased): "MIN" clears it, "NORM" and "MAX" tick it, anything else
// leaves it alone (nothing).
std::optional<bool> engineWindowTick(const std::string& upperWindow);

// The non-empty values of keys "0" to HistoryMax+1 of a history section.
std::vector<std::string> readHistory(const IniFile& ini, const std::string& section);
// Erases the section and stores at most HistoryMax+1 lines under "0", "1", ...
void writeHistory(IniFile& ini, const std::string& section, const std::vector<std::string>& lines);

// The recipient list after choosing a name whose number is given: several
// recipients are kept blank-separated, a single one replaces the list. A
// name without a number adds nothing.
std::string addRecipient(const std::string& list, const std::string& number, bool several);
// True when the list names at least one number.
bool hasRecipient(const std::string& list);

// SMS text rules.
bool sendableText(const std::string& text);            // neither empty nor one blank
std::string commandLineText(const std::string& text);  // double quotes -> apostrophes
std::string latinOnly(const std::string& text);        // bytes >= 128 -> "."

// Long messages: the Latin box sends GSM 7-bit text (160 septets alone, 153
// per part of a longer message; "^{}[]~|\\" take an escape and count twice),
// the Cyrillic box UCS2 (70 alone, 67 per part); at most SmsMaxParts parts.
constexpr int SmsMaxParts = 10;
int smsUnits(const std::string& text, bool wide);  // septets or UCS2 characters
int smsSingleUnits(bool wide);                     // the units of one SMS: 160 or 70
int smsMaxUnits(bool wide);                        // the units of SmsMaxParts parts
struct SmsSize {
    int parts = 0;  // 0 for an empty text
    int left = 0;   // units still free in the last part
};
SmsSize smsSize(int units, bool wide);
// The counter beside the text: empty for a message of one part, else
// "2 SMS, осталось 120".
std::string smsPartsText(int units, bool wide);
// What the counter says when a pasted or inserted text was cut to the
// longest one the parts can carry: "обрезано до 1530".
std::string smsCutText(int units);
// The longest start of the text that fits SmsMaxParts parts.
std::string smsFit(const std::string& text, bool wide);

// What the Call button does with a number: a number of digits, "*" and "#"
// is dialled as it is, one that begins with "+" through the batch file; one
// with a "+" further on, or any other character, is not dialled.
enum class DialKind { Empty, National, International, Ignored };
DialKind classifyDial(const std::string& number);

// The one line of the batch file for an international number: the "+"
// keypad prefix, then the call operation's command text (upper-cased) with
// the number, without its "+", in place of the number mark.
std::string internationalBatchLine(const std::string& plusPrefix, const std::string& callCommand,
                                   const std::string& number);

// The prompt line that stands in an empty re-send list.
const std::string& reSendPrompt();

// The storage index to re-send when line k of the re-send list (lineCount
// lines) is chosen, or nothing when the line is the prompt, k is out of
// range, or no index belongs to the line.
std::optional<std::string> reSendChoice(const std::string& line, int k, int lineCount,
                                        const std::vector<std::string>& indexes);

}  // namespace td::mainlogic
