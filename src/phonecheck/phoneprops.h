#pragma once
// The phone check without its window: the user's check list (which AT
// commands go to the phone, and with which values), the one batch line the
// engine executes for it, the reading of the engine's log into a
// PhoneProperties record, and the last-copy file "LastProp.txt" with its
// writer and reader. Texts are Windows-1251 byte strings.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace td {

// One entry of the check list: a command without its leading "at" (e.g.
// "+CSQ"), and the value it is set to before it is queried (empty: the
// command is only executed).
struct CheckEntry {
    std::string command;
    std::string value;
    bool operator==(const CheckEntry&) const = default;
};
using CheckList = std::vector<CheckEntry>;

constexpr std::size_t CheckEntryCount = 12;
// Only the values of the first entries count as capability answers.
constexpr std::size_t CapabilityValueEntries = 5;

extern const std::string CheckBatchName;  // "CheckPhone.bat"
extern const std::string PropCopyName;    // "LastProp.txt"

// "+CSCS-\"UCS2\"" -> {+CSCS, "UCS2"}: split at the first "-".
CheckEntry splitCheckEntry(const std::string& text);

// The entries stored under the keys "0", "1", ... "11", read in this order up
// to the first key whose value is empty or missing.
CheckList readCheckList(const std::function<std::string(const std::string& key)>& valueOf);

// What preparing the check came to.
enum class CheckBatchResult {
    NoOwnIni,      // the own ini is missing: nothing to do, nothing to say
    TooFew,        // fewer than 12 entries
    CannotCreate,  // the batch file could not be written
    Written,
};
// Reads the check list from the own ini and writes its batch line as the
// only line of the batch file. list receives the entries read.
CheckBatchResult prepareCheckBatch(const std::string& ownIniPath, const std::string& batchPath,
                                   CheckList& list);

// The engine's command text for the whole check: each entry as "at" +
// command, an entry with a value as "at<cmd>=<value>|at<cmd>?"; entries
// joined by "|".
std::string checkBatchLine(const CheckList& list);

// What the phone accepts. Index order is the order of the window's boxes,
// the report's lines and the last-copy file's lines.
enum Capability { CapUCS2, CapPCCP437, CapUTF8, CapUTF_8, CapTextSms, CapPduSms, CapCount };

struct PhoneProperties {
    std::array<bool, CapCount> caps{};
    // Texts; nothing = no answer has set it yet.
    std::optional<std::string> firm, model, imei, soft, battery, signal;
    // From the battery answer; nothing = no battery answer yet. Never stored.
    std::optional<bool> charging;
    bool operator==(const PhoneProperties&) const = default;
};

// The capability's name as the last-copy file keys it ("UCS2", "UTF-8",
// "TEXTSMS", ...).
const std::string& capabilityName(Capability c);

// The signal text of a +CSQ answer's first field (read as a number): the
// strength in percent of the scale 0..31 with "%" after it; "" when the
// phone says it has no measurement (99, or anything above 31); nothing when
// the field is no number or negative (the signal is then left as it was).
std::optional<std::string> signalText(std::optional<long long> rssi);

// Reads the engine's log lines into props. Only lines that begin like the
// first command of the list are looked at (so the engine's echo of the
// commands is not). Capability flags are only ever set here: the caller
// clears them before a fresh check. Texts that no line sets keep their
// values; when several lines set one field, the last one wins.
void parsePhoneLog(const std::vector<std::string>& lines, const CheckList& list,
                   PhoneProperties& props);

// The lines of "LastProp.txt": the six capabilities as "<NAME>=Yes|No",
// then "Firm=", "Model=", "IMEI=", "Soft=", "Battery=", "Signal=" for every
// text that is set.
std::vector<std::string> propertiesCopyLines(const PhoneProperties& props);

// Reads "LastProp.txt" lines into props: keys are found anywhere in the
// upper-cased line and the text after them is taken (upper-cased). Every
// capability is set from its line ("YES" sets it, anything else or no line
// clears it); a text whose key is missing keeps the value props held.
void readPropertiesCopy(const std::vector<std::string>& lines, PhoneProperties& props);

// The report lines of the window: the heading, then one line per
// capability saying whether the engine's operations that use it will work.
std::vector<std::string> checkReport(const std::array<bool, CapCount>& caps);

}  // namespace td
