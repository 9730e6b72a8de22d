#include "widgets/exchangeui.h"

#include "engine/settings.h"
#include "exchange/exchangefile.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace td {

namespace {

void tell(const exchange::FileOutcome& o) {
    dialogs().message(o.text());
}

// The lines of a last copy, or "" told as not found.
bool lastCopy(const std::string& path, std::vector<std::string>& lines) {
    if (files::exists(path) && files::readLines(path, lines)) return true;
    dialogs().message(W("- Файл ") + path + W(" - не найден"));
    return false;
}

}  // namespace

void exportOwnBookAsked(QWidget* parent, const std::vector<PBRecord>& rows) {
    std::string path = fileChooser().saveName(parent, W("Экспорт телефонной книги"),
                                              "phonebook.vcf", "vCard (*.vcf);;CSV (*.csv)");
    if (!path.empty()) tell(exchange::exportBookFile(path, rows));
}

bool importOwnBookAsked(QWidget* parent, std::vector<PBRecord>& rows) {
    std::string path = fileChooser().openName(parent, W("Импорт в телефонную книгу"),
                                              W("vCard или CSV (*.vcf *.vcard *.csv);;Все (*)"));
    if (path.empty()) return false;
    exchange::MergeReport report;
    tell(exchange::importBookFile(path, rows, &report));
    return report.added > 0;
}

void exportDateBookAsked(QWidget* parent) {
    std::vector<std::string> lines;
    if (!lastCopy(autoRunPath(DateBookListName), lines)) return;
    std::string path = fileChooser().saveName(parent, W("Ежедневник в iCalendar"), "datebook.ics",
                                              "iCalendar (*.ics)");
    if (!path.empty()) tell(exchange::exportDateBookFile(path, lines, prog().PrefixDateBook));
}

bool importDateBookAsked(QWidget* parent) {
    std::string path = fileChooser().openName(parent, W("Ежедневник из iCalendar"),
                                              W("iCalendar (*.ics *.ical);;Все (*)"));
    if (path.empty()) return false;
    int added = 0;
    tell(exchange::importDateBookCopy(path, autoRunPath(DateBookListName), prog().PrefixDateBook,
                                      &added, autoRunPath(DateBookPendingName)));
    return added > 0;
}

void exportSmsListAsked(QWidget* parent, const std::string& kind) {
    const Prog& p = prog();
    std::vector<std::string> lines, names;
    if (!lastCopy(autoRunPath(kind + p.SMSFile), lines)) return;
    std::string path =
        fileChooser().saveName(parent, W("Список SMS в CSV"), kind + "sms.csv", "CSV (*.csv)");
    if (path.empty()) return;
    files::readLines(autoRunPath(PhoneBookCopyName), names);  // no copy: numbers only
    tell(exchange::exportSmsFile(path, lines, {p.PrefixSmsList, p.PrefixMotoSmsList}, names));
}

}  // namespace td
