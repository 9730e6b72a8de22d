#include "exchange/exchangefile.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <unordered_set>

#include "exchange/csvbook.h"
#include "exchange/icalbook.h"
#include "exchange/smscsv.h"
#include "exchange/textin.h"
#include "exchange/vcard.h"
#include "formats/mdbrecord.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/services.h"

namespace td::exchange {

std::string FileOutcome::text() const {
    std::string out;
    for (const std::string& m : messages) out += (out.empty() ? "" : "\r") + m;
    return out;
}

namespace {

FileOutcome written(const std::string& path, const std::string& bytes, const std::string& done) {
    FileOutcome o;
    int error = 0;
    o.ok = files::writeAll(path, bytes, &error);
    o.messages.push_back(
        o.ok ? done : W("- Не удаётся записать файл \"") + path + "\": " + unsavedReason(error));
    return o;
}

std::string lowerExt(const std::string& path) {
    std::string name = files::baseName(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return "";
    std::string ext;
    for (char c : name.substr(dot + 1)) ext += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return ext;
}

}  // namespace

std::string bookFormat(const std::string& path) {
    std::string ext = lowerExt(path);
    if (ext == "vcf" || ext == "vcard") return "vcf";
    return ext == "csv" ? "csv" : "";
}

FileOutcome exportBookFile(const std::string& path, const std::vector<PBRecord>& rows) {
    int count = 0;
    for (const PBRecord& r : rows) count += !trim(r.name).empty() && !trim(r.number).empty();
    std::string text = bookFormat(path) == "csv" ? writeBookCsv(rows) : writeVCards(rows);
    return written(path, text, W("Записей в файле \"") + path + "\": " + std::to_string(count));
}

FileOutcome importBookFile(const std::string& path, std::vector<PBRecord>& rows,
                           MergeReport* report) {
    FileOutcome o;
    std::string bytes;
    if (!files::exists(path) || !files::readAll(path, bytes)) {
        o.messages.push_back(W("- Файл ") + path + W(" - не найден"));
        return o;
    }
    std::string format = bookFormat(path);
    TextIn text = readText(bytes, format != "csv");
    if (format.empty())
        format = upperAscii(text.utf8.substr(0, 64)).find("BEGIN:VCARD") != std::string::npos
                     ? "vcf"
                     : "csv";
    if (format == "csv" && text.encoding == "Windows-1251" && !text.binary)
        text = readText(bytes);  // the cells too, not only the bytes
    ContactsRead read;
    if (text.binary)
        read.refused.push_back({1, W("файл не текстовый (в нём управляющие байты)")});
    else
        read = format == "vcf" ? readVCards(text.utf8) : readBookCsv(text.utf8);
    if (read.contacts.empty() && read.refused.empty())
        read.refused.push_back({1, format == "vcf" ? W("в файле нет ни одной карточки vCard")
                                                   : W("в файле нет ни одной записи")});
    MergeReport m = mergeContacts(rows, read);
    o.ok = true;
    o.complete = m.refused.empty();
    o.messages = mergeSummary(m, files::baseName(path));
    if (text.encoding != "UTF-8" && !text.binary)
        o.messages.insert(o.messages.begin() + 1,
                          files::baseName(path) + W(": прочитан в кодировке ") + text.encoding);
    if (report) *report = std::move(m);
    return o;
}

FileOutcome exportDateBookFile(const std::string& path, const std::vector<std::string>& lines,
                               const std::string& prefix) {
    std::vector<MdbRecord> events;
    for (const std::string& line : lines)
        if (auto r = readMdbRecord(line, prefix)) events.push_back(*r);
    ICalWritten w = writeICalendar(events, std::time(nullptr));
    FileOutcome o =
        written(path, w.text, W("Событий в файле \"") + path + "\": " + std::to_string(w.written));
    o.complete = w.refused.empty();
    for (const Refusal& r : w.refused)
        o.messages.push_back(W("- Событие ") + std::to_string(r.line) + W(" не записано: ") +
                             r.reason);
    return o;
}

FileOutcome importDateBookFile(const std::string& path, std::vector<std::string>& lines,
                               const std::string& prefix, int* added,
                               std::vector<std::string>* freshLines) {
    FileOutcome o;
    if (added) *added = 0;
    std::string bytes;
    if (!files::exists(path) || !files::readAll(path, bytes)) {
        o.messages.push_back(W("- Файл ") + path + W(" - не найден"));
        return o;
    }
    ICalRead read = readICalendar(bytes);
    // New events go after the last event, numbered on from the highest
    // index; the auto-delete line, if any, stays after them.
    std::unordered_set<std::string> seen;  // the events there, by mdbSameEventKey
    long highest = 0;
    for (const std::string& line : lines)
        if (auto r = readMdbRecord(line, prefix)) {
            seen.insert(mdbSameEventKey(*r));
            highest = std::max(highest, std::strtol(r->index.c_str(), nullptr, 10));
        }
    const size_t at = mdbEventsEnd(lines, prefix);
    int count = 0;
    std::vector<std::string> fresh, told;
    for (MdbRecord& e : read.events) {
        if (!seen.insert(mdbSameEventKey(e)).second) {
            told.push_back(W("- Событие \"") + mdbTitleText(e.title) +
                           W("\" уже есть в ежедневнике"));
            continue;
        }
        e.index = std::to_string(++highest);
        fresh.push_back(writeMdbRecord(e, prefix));
        ++count;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), fresh.begin(), fresh.end());
    o.ok = true;
    o.complete = read.refused.empty() && read.notes.empty();
    o.messages.push_back(W("Событий добавлено в ежедневник из \"") + files::baseName(path) +
                         "\": " + std::to_string(count));
    for (const Refusal& r : read.refused)
        o.messages.push_back(W("- Событие ") + std::to_string(r.line) + W(" не принято: ") +
                             r.reason);
    for (const Refusal& r : read.notes)
        o.messages.push_back(W("- Событие ") + std::to_string(r.line) + W(" принято, но ") +
                             r.reason);
    o.messages.insert(o.messages.end(), told.begin(), told.end());
    if (added) *added = count;
    if (freshLines) *freshLines = std::move(fresh);
    return o;
}

FileOutcome importDateBookCopy(const std::string& path, const std::string& copy,
                               const std::string& prefix, int* added, const std::string& pending) {
    std::vector<std::string> lines;
    if (files::exists(copy) && !files::readLines(copy, lines)) {
        FileOutcome o;
        o.messages.push_back(W("- Не удаётся прочитать файл \"") + copy + "\"");
        return o;
    }
    int count = 0;
    std::vector<std::string> fresh;
    FileOutcome o = importDateBookFile(path, lines, prefix, &count, &fresh);
    const size_t slash = copy.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "." : copy.substr(0, slash);
    if (count > 0 && !(files::makeDir(folder) && files::writeLines(copy, lines))) {
        o.ok = false;
        count = 0;
        o.messages.push_back(W("- Не удаётся записать файл \"") + copy + "\"");
    }
    // The added events wait in the pending file until they are written into
    // the phone; the copy already holds them, so a failed note is told.
    if (count > 0 && !pending.empty()) {
        std::vector<std::string> waiting;
        if (files::exists(pending)) files::readLines(pending, waiting);
        waiting.insert(waiting.end(), fresh.begin(), fresh.end());
        if (!files::writeLines(pending, waiting)) {
            o.complete = false;
            o.messages.push_back(W("- Не удаётся записать файл \"") + pending + "\"");
        }
    }
    if (added) *added = count;
    return o;
}

FileOutcome exportSmsFile(const std::string& path, const std::vector<std::string>& lines,
                          const std::vector<std::string>& prefixes,
                          const std::vector<std::string>& nameList) {
    return written(path, smsListCsv(lines, prefixes, nameList),
                   W("Список SMS записан в файл \"") + path + "\"");
}

}  // namespace td::exchange
