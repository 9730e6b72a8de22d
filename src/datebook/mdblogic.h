#pragma once
// What the date book window makes of the engine's lines, without widgets:
// the grid rows of the events, the auto-delete panel, and the unload file
// that writes the same events back into a phone. Texts are Windows-1251.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "formats/mdbrecord.h"

namespace td {

constexpr int MdbColumns = 9;
using MdbRow = std::array<std::string, MdbColumns>;

// Column titles and widths of the events grid.
const MdbRow& mdbColumnTitles();
extern const std::array<int, MdbColumns> MdbColumnWidths;

// "Не повторять " (0 and any text that is no number), "Ежедневно",
// "Еженедельно", "Ежемесячно-число", "Ежемесячно-день", "Ежегодно";
// "???" for other numbers.
std::string repeatText(const std::string& field);

// Where a line comes from: the last copy, the result file or the engine's log.
enum class MdbSource { LastCopy, Result, Log };

// The auto-delete panel as one line leaves it.
struct AutoDeletePanel {
    std::string caption;
    std::string text;  // after the prefix and colon, unchanged
    int weeks = 0;
    bool never = false;          // the setting is 0
    bool setsNeverHint = false;  // the panel's hint follows the setting
};

// One read (a last copy, or the result file and log of one read from the
// phone): the "Да"/"Нет" words and the week unit carry over from line to line.
class MdbReader {
  public:
    explicit MdbReader(std::string recordPrefix = MdbRecordPrefix,
                       std::string autoDeletePrefix = MdbAutoDeletePrefix);

    // The row of an event line; nothing for other lines and for events
    // without a title (empty or one blank).
    std::optional<MdbRow> row(const std::string& line);
    // The panel after an auto-delete line; nothing for other lines.
    std::optional<AutoDeletePanel> autoDelete(const std::string& line, MdbSource source);

    bool isRecordLine(const std::string& line) const;
    bool isAutoDeleteLine(const std::string& line) const;

  private:
    std::string recordPrefix_, autoDeletePrefix_;
    std::string timed_, alarm_, unit_;
};

// What the window shows after a pass over the lines of one source.
struct MdbShown {
    std::vector<MdbRow> rows;
    int gridRows = 2;  // the header row included
    // The last auto-delete line met, and whether the panel stays visible.
    std::optional<AutoDeletePanel> panel;
    bool panelVisible = false;
};

// A pass over a last copy or a result file. In the last copy every line
// hides the panel first (so it stays only when the copy ends with the
// auto-delete line); from the phone an event line counts only when it is
// longer than 16 characters. The grid keeps a row for every event shown,
// even when the file has fewer other lines than events.
MdbShown showDateBook(MdbReader& reader, const std::vector<std::string>& lines, MdbSource source);

// What the save button writes under its dated name: the result file's lines
// (nothing when there is no result file) with the auto-delete line when the
// setting is known; without such lines, the list shown last (the last copy,
// or the log of a read). `fresh` tells that the lines came from the phone.
struct MdbSave {
    std::vector<std::string> lines;
    bool fresh = false;
};
MdbSave dateBookToSave(const std::optional<std::vector<std::string>>& resultFile, int weeks,
                       const std::string& autoDeleteText, const std::vector<std::string>& shown,
                       const std::string& autoDeletePrefix = MdbAutoDeletePrefix);

// ---- the unload ------------------------------------------------------------

struct UnloadPrefixes {
    std::string record = MdbRecordPrefix, autoDelete = MdbAutoDeletePrefix, write = "+MDBW",
                charset = "+CSCS";
};

// The unload is offered from these versions on (plain text comparison).
bool unloadAllowed(const std::string& altVersion, const std::string& progVersion);

// Upper-cases the ASCII letters outside double quotes: commands and prefixes
// change, quoted titles stay as the user wrote them.
std::string upperOutsideQuotes(const std::string& line);

// The unload file: "at+mdbl=1", the write commands made of the input lines,
// "at+mdbl=0". Each event is one write command whatever its title holds: the
// title stays in its double quotes, where a "|" is text to the engine. An
// event line whose fields are not what a phone gives (a quote inside a
// title, a line end in it, a field that should be a number and is not) is
// left out and listed in `refused`. Character-set and auto-delete lines
// count only when plain (a set name in quotes, a number of weeks).
std::vector<std::string> unloadFile(const std::vector<std::string>& input,
                                    const UnloadPrefixes& prefixes = {},
                                    std::vector<std::string>* refused = nullptr);

// ---- events not yet on the phone -----------------------------------------
//
// Events added from a file wait in the pending file (DateBookPendingName,
// record lines as in the last copy) until a write into the phone succeeded.

// The pending lines (records with `prefix`) whose events the phone's lines do
// not hold (every field but the index compared); other lines are dropped.
std::vector<std::string> stillPending(const std::vector<std::string>& pending,
                                      const std::vector<std::string>& phone,
                                      const std::string& prefix = MdbRecordPrefix);

// A last copy read from the phone with the events still pending put after
// its events (before the auto-delete line), numbered on from its highest
// index: a read never drops them.
std::vector<std::string> withPending(std::vector<std::string> copy,
                                     const std::vector<std::string>& pending,
                                     const UnloadPrefixes& prefixes = {});

// The batch that writes the pending events into the phone's free positions
// and reads the date book again: the character set UCS2 first (every title
// travels exactly, a "UCS2:" title as its own hex), the lock, one write
// command with an empty index (the first free position) per event, the
// unlock, then `readCommand`. Every event is one write command made as the
// unload makes it; one that cannot be is left out and listed in `refused`.
std::vector<std::string> pendingWriteBatch(const std::vector<std::string>& pending,
                                           const std::string& readCommand,
                                           const UnloadPrefixes& prefixes = {},
                                           std::vector<std::string>* refused = nullptr);

// Dated names in AutoRun: stamp + "-" + the result file's name (a saved
// list), "Unload-" + stamp + "-MemDay-" + the result file's name with the
// extension ".txt" (an unload).
std::string savedDateBookName(const std::string& stamp, const std::string& mdbFile);
std::string unloadFileName(const std::string& stamp, const std::string& mdbFile);

// Texts of the window.
std::string readQuestion();
std::string unloadQuestion();
std::string toPhoneQuestion(std::size_t count);
std::string toPhoneCaption();  // "В телефон"
std::string toPhoneHint(std::size_t count);
// A write the phone refused: the engine's reason; the events stay pending.
std::string toPhoneFailedText(const std::string& reason);
// The pending events that cannot be made a write command, one line each.
std::string toPhoneRefusedText(const std::vector<std::string>& refused);
std::string notCreatedText(const std::string& mdbFile);
// The events an unload left out, one line each.
std::string unloadRefusedText(const std::vector<std::string>& refused);
std::string laterVersionText();       // the unload and delete buttons
std::string autoDeleteLaterText();    // the auto-delete panel
std::string autoDeleteDefaultHint();  // the panel's hint when deletion is set
std::string autoDeleteNeverHint();    // ... when it is not

}  // namespace td
