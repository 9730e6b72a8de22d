#include "exchange/cli.h"

#include <ctime>

#include "datebook/mdbrecord.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "exchange/csvbook.h"
#include "exchange/icalbook.h"
#include "exchange/smscsv.h"
#include "exchange/vcard.h"
#include "main/mainlogic.h"
#include "phonebook/ownbook.h"
#include "phonebook/pbrecord.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "sms/smslist.h"

namespace td::exchange {

namespace {

namespace S = setting;

const char* const Usage =
    "Использование: tapdeck [ПАРАМЕТР]\n"
    "Без параметров открывает окна программы. Параметры для сценариев работают\n"
    "с tapdeck.ini и последними копиями списков текущей папки, без окон:\n"
    "  --export-phonebook ФАЙЛ.vcf|ФАЙЛ.csv  свою телефонную книгу в vCard 4.0 или CSV\n"
    "  --import-phonebook ФАЙЛ               добавить в свою книгу записи из vCard\n"
    "                                        (2.1, 3.0, 4.0) или CSV; ничего не заменяет\n"
    "  --export-datebook ФАЙЛ.ics            ежедневник (последнюю копию) в iCalendar\n"
    "  --export-sms ВИД ФАЙЛ.csv             список SMS (sent, unread или all) в CSV\n"
    "  --help                                эта справка\n"
    "Коды выхода: 0 - выполнено, 1 - ошибка или не всё принято, 2 - неверный вызов.\n";

std::string lowerExt(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = upperAscii(path.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

// Runs with the folder's settings: the start folder, the own ini and the
// operations ini the windows would use.
struct Folder {
    std::string ownIni;
    explicit Folder(const std::string& exeName) {
        Prog& p = prog();
        p.StartDir = files::currentDir();
        p.OperIniName = mainlogic::exeIniName(exeName);
        if (upperAscii(p.OperIniName) == upperAscii(OwnIniName)) p.OperIniName = EngineIniName;
        ownIni = startPath(OwnIniName);
        IniFile oper(startPath(p.OperIniName));
        p.SMSFile = readSetting(oper, S::SMSFile);
        p.PrefixSmsList = readSetting(oper, S::PrefixSmsList);
        p.PrefixMotoSmsList = readSetting(oper, S::PrefixMotoSmsList);
        p.PrefixDateBook = readSetting(oper, S::PrefixDateBook);
    }
};

class Run {
  public:
    Run(std::ostream& err) : err_(err) {}
    int fail(const std::string& cp1251) {
        say(cp1251);
        return ExitFailed;
    }
    void say(const std::string& cp1251) { err_ << "tapdeck: " << cp1251ToUtf8(cp1251) << "\n"; }
    bool write(const std::string& path, const std::string& bytes) {
        if (files::writeAll(path, bytes)) return true;
        say(W("- Не удалось записать файл ") + path);
        return false;
    }
    bool read(const std::string& path, std::vector<std::string>& lines) {
        if (files::exists(path) && files::readLines(path, lines)) return true;
        say(W("- Файл ") + path + W(" - не найден"));
        return false;
    }

  private:
    std::ostream& err_;
};

int exportBook(Run& run, const Folder& f, const std::string& file) {
    std::string ext = lowerExt(file);
    if (!files::exists(f.ownIni)) return run.fail(W("- Файл ") + f.ownIni + W(" - не найден"));
    std::vector<PBRecord> rows = loadOwnBook(f.ownIni).rows;
    std::string text = ext == "csv" ? writeBookCsv(rows) : writeVCards(rows);
    if (!run.write(file, text)) return ExitFailed;
    int count = 0;
    for (const PBRecord& r : rows) count += !trim(r.name).empty() && !trim(r.number).empty();
    run.say(file + W(": записей ") + std::to_string(count));
    return ExitOk;
}

int importBook(Run& run, const Folder& f, const std::string& file) {
    std::string bytes;
    if (!files::exists(file) || !files::readAll(file, bytes))
        return run.fail(W("- Файл ") + file + W(" - не найден"));
    if (!files::exists(f.ownIni)) return run.fail(W("- Файл ") + f.ownIni + W(" - не найден"));
    std::string ext = lowerExt(file);
    bool vcard =
        ext == "vcf" || ext == "vcard" ||
        (ext != "csv" && upperAscii(bytes.substr(0, 40)).find("BEGIN:VCARD") != std::string::npos);
    ContactsRead read = vcard ? readVCards(bytes) : readBookCsv(bytes);
    std::vector<PBRecord> rows = loadOwnBook(f.ownIni).rows;
    MergeReport report = mergeContacts(rows, read);
    for (const std::string& line : mergeSummary(report, file)) run.say(line);
    if (report.added > 0) {
        OwnBookSave saved = saveOwnBook(f.ownIni, rows);
        if (saved.refused) return run.fail(ownBookRefusal(saved, rows));
        if (!saved) return run.fail(W("- Не удалось записать файл ") + f.ownIni);
    }
    return report.refused.empty() ? ExitOk : ExitFailed;
}

int exportDateBook(Run& run, const std::string& file) {
    std::vector<std::string> lines;
    if (!run.read(autoRunPath(DateBookListName), lines)) return ExitFailed;
    std::vector<MdbRecord> events;
    for (const std::string& line : lines)
        if (auto r = readMdbRecord(line, prog().PrefixDateBook)) events.push_back(*r);
    ICalWritten w = writeICalendar(events, std::time(nullptr));
    for (const Refusal& r : w.refused)
        run.say(W("событие ") + std::to_string(r.line) + ": " + r.reason);
    if (!run.write(file, w.text)) return ExitFailed;
    run.say(file + W(": событий ") + std::to_string(w.written));
    return w.refused.empty() ? ExitOk : ExitFailed;
}

int exportSms(Run& run, const std::string& kind, const std::string& file) {
    std::vector<std::string> lines, names;
    if (!run.read(autoRunPath(kind + prog().SMSFile), lines)) return ExitFailed;
    files::readLines(autoRunPath(PhoneBookCopyName), names);  // no copy: numbers only
    std::string text = smsListCsv(lines, {prog().PrefixSmsList, prog().PrefixMotoSmsList}, names);
    return run.write(file, text) ? ExitOk : ExitFailed;
}

}  // namespace

bool wantsCommandLine(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0 || a == "-h") return true;
    return false;
}

int runCommandLine(const std::vector<std::string>& args, const std::string& exeName,
                   std::ostream& out, std::ostream& err) {
    Run run(err);
    auto usage = [&](const std::string& why) {
        err << "tapdeck: " << why << "\n" << Usage;
        return ExitUsage;
    };
    if (args.empty()) return usage("no option");
    const std::string& option = args[0];
    if (option == "--help" || option == "-h") {
        if (args.size() != 1) return usage("--help takes no argument");
        out << Usage;
        return ExitOk;
    }
    const bool sms = option == "--export-sms";
    const size_t want = sms ? 3 : 2;
    if (option != "--export-phonebook" && option != "--import-phonebook" &&
        option != "--export-datebook" && !sms)
        return usage("unknown option " + option);
    if (args.size() != want) return usage(option + ": wrong number of arguments");
    const std::string file = files::fromOsPath(args.back());
    Folder folder(exeName);
    if (option == "--export-phonebook") {
        std::string ext = lowerExt(file);
        if (ext != "vcf" && ext != "vcard" && ext != "csv")
            return usage(option + ": the file must end in .vcf or .csv");
        return exportBook(run, folder, file);
    }
    if (option == "--import-phonebook") return importBook(run, folder, file);
    if (option == "--export-datebook") return exportDateBook(run, file);
    const std::string kind = args[1];
    if (kind == "sent") return exportSms(run, sms::SentKind, file);
    if (kind == "unread") return exportSms(run, sms::UnReadKind, file);
    if (kind == "all") return exportSms(run, sms::AllKind, file);
    return usage(option + ": the kind is sent, unread or all");
}

}  // namespace td::exchange
