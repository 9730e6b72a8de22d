#pragma once
// The exports and imports as one step each, from the book's rows or a last
// copy's lines to a file and back, with the message that tells the user the
// outcome (Windows-1251). The command line and the windows both use them.
// Paths are Windows-1251 (platform/files.h).

#include <string>
#include <vector>

#include "exchange/contacts.h"
#include "formats/pbrecord.h"

namespace td::exchange {

struct FileOutcome {
    bool ok = false;                    // the file was written (or read)
    bool complete = true;               // nothing was refused
    std::vector<std::string> messages;  // what to tell, one line each
    std::string text() const;           // the lines joined by "\r"
};

// "vcf"/"vcard" or "csv" (lower case) of a path; "" for anything else.
std::string bookFormat(const std::string& path);

// The rows as vCard 4.0 or CSV, by the file's extension (vCard when it is
// neither).
FileOutcome exportBookFile(const std::string& path, const std::vector<PBRecord>& rows);

// Reads a vCard or CSV file (by its extension, else by its first line) and
// merges it into rows (see mergeContacts).
FileOutcome importBookFile(const std::string& path, std::vector<PBRecord>& rows,
                           MergeReport* report = nullptr);

// The date book's last-copy lines (records with `prefix`) as iCalendar.
FileOutcome exportDateBookFile(const std::string& path, const std::vector<std::string>& lines,
                               const std::string& prefix);

// The events of an iCalendar file added to the date book's last-copy lines
// (records with `prefix`): after the last event, numbered on from the
// highest index, before the auto-delete line. An event already there (every
// field but the index equal) is told and not added; an event the phone
// cannot hold is refused by name (readICalendar). `added`: how many went in;
// `freshLines`: their lines.
FileOutcome importDateBookFile(const std::string& path, std::vector<std::string>& lines,
                               const std::string& prefix, int* added = nullptr,
                               std::vector<std::string>* freshLines = nullptr);

// The same into the last-copy file `copy` (made when missing): read, the
// events added, written back when any was; a failed write is told and
// nothing counts as added. With a `pending` file the added events' lines are
// appended to it too: the events still to be written into the phone.
FileOutcome importDateBookCopy(const std::string& path, const std::string& copy,
                               const std::string& prefix, int* added = nullptr,
                               const std::string& pending = "");

// An SMS list's lines as CSV (see smsListCsv).
FileOutcome exportSmsFile(const std::string& path, const std::vector<std::string>& lines,
                          const std::vector<std::string>& prefixes,
                          const std::vector<std::string>& nameList);

}  // namespace td::exchange
