#include "app/cli.h"

#include <signal.h>

#include <set>

#include "app/backup.h"
#include "app/folderlock.h"
#include "engine/launcher.h"
#include "engine/settingkeys.h"
#include "engine/settings.h"
#include "exchange/exchangefile.h"
#include "formats/ownbook.h"
#include "formats/pbrecord.h"
#include "formats/smslistfile.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/services.h"

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
    "  --import-datebook ФАЙЛ.ics            добавить события из iCalendar в последнюю\n"
    "                                        копию ежедневника; ничего не заменяет\n"
    "  --export-sms ВИД ФАЙЛ.csv             список SMS (sent, unread или all) в CSV\n"
    "  --backup ПАПКА                        весь телефон (книги, SMS, пропущенные вызовы,\n"
    "                                        ежедневник) в папку резервной копии\n"
    "  --restore ПАПКА                       записать копию в подключённый телефон:\n"
    "                                        только недостающее, ничего не заменяет\n"
    "  --help                                эта справка\n"
    "Коды выхода: 0 - выполнено, 1 - ошибка или не всё принято, 2 - неверный вызов.\n";

// Runs with the folder's settings: the start folder, the own ini and the
// operations ini the windows would use.
struct Folder {
    std::string ownIni;
    explicit Folder(const std::string& exeName) {
        Prog& p = prog();
        p.StartDir = files::currentDir();
        p.OperIniName = operIniNameFor(exeName);
        ownIni = startPath(OwnIniName);
        readOperFiles(IniFile(startPath(p.OperIniName)), p);
    }
};

class Run {
  public:
    explicit Run(std::ostream& err) : err_(err) {}
    void say(const std::string& cp1251) { err_ << "tapdeck: " << cp1251ToUtf8(cp1251) << "\n"; }
    int fail(const std::string& cp1251) {
        say(cp1251);
        return ExitFailed;
    }
    // Tells the outcome; 0 when the file was done with nothing refused.
    int tell(const FileOutcome& o) {
        for (const std::string& m : o.messages) say(m);
        return o.ok && o.complete ? ExitOk : ExitFailed;
    }
    bool read(const std::string& path, std::vector<std::string>& lines) {
        if (files::exists(path) && files::readLines(path, lines)) return true;
        say(W("- Файл ") + path + W(" - не найден"));
        return false;
    }

  private:
    std::ostream& err_;
};

std::string notFound(const std::string& path) {
    return W("- Файл ") + path + W(" - не найден");
}

int exportBook(Run& run, const Folder& f, const std::string& file) {
    if (!files::exists(f.ownIni)) return run.fail(notFound(f.ownIni));
    return run.tell(exportBookFile(file, loadOwnBook(f.ownIni).rows));
}

int importBook(Run& run, const Folder& f, const std::string& file) {
    if (!files::exists(f.ownIni)) return run.fail(notFound(f.ownIni));
    std::vector<PBRecord> rows = loadOwnBook(f.ownIni).rows;
    MergeReport report;
    FileOutcome o = importBookFile(file, rows, &report);
    int code = run.tell(o);
    if (report.added > 0) {
        OwnBookSave saved = saveOwnBook(f.ownIni, rows);
        if (saved.refused) return run.fail(ownBookRefusal(saved, rows));
        if (!saved) return run.fail(W("- Не удаётся записать файл \"") + f.ownIni + "\"");
    }
    return code;
}

int exportDateBook(Run& run, const std::string& file) {
    std::vector<std::string> lines;
    if (!run.read(autoRunPath(DateBookListName), lines)) return ExitFailed;
    return run.tell(exportDateBookFile(file, lines, prog().PrefixDateBook));
}

int importDateBook(Run& run, const std::string& file) {
    return run.tell(importDateBookCopy(file, autoRunPath(DateBookListName), prog().PrefixDateBook,
                                       nullptr, autoRunPath(DateBookPendingName)));
}

int exportSms(Run& run, const std::string& kind, const std::string& file) {
    std::vector<std::string> lines, names;
    if (!run.read(autoRunPath(kind + prog().SMSFile), lines)) return ExitFailed;
    files::readLines(autoRunPath(PhoneBookCopyName), names);  // no copy: numbers only
    return run.tell(
        exportSmsFile(file, lines, {prog().PrefixSmsList, prog().PrefixMotoSmsList}, names));
}

volatile sig_atomic_t stopAsked = 0;

// Backup and restore: the phone through the engine's batch runs, progress on
// the standard error, Ctrl-C (SIGINT) or SIGTERM stopping the run in turn.
int phoneCopy(Run& run, const std::string& option, const std::string& dir) {
    // The batch operation the windows keep in the operations ini.
    IniFile oper(startPath(prog().OperIniName));
    const std::string ops(S::OperationsSection);
    if (oper.readString(ops, BatchOperName, "") != BatchOperCmd &&
        !oper.writeString(ops, BatchOperName, BatchOperCmd))
        return run.fail(W("- Не удаётся записать операцию пакета в ") + prog().OperIniName);
    stopAsked = 0;
    struct sigaction sa {
    }, oldInt{}, oldTerm{};
    sa.sa_handler = [](int) { stopAsked = 1; };
    ::sigaction(SIGINT, &sa, &oldInt);
    ::sigaction(SIGTERM, &sa, &oldTerm);
    backup::RunBatch runner =
        backup::engineRunner([](int ms) { pump().sleep(ms); }, [] { return stopAsked != 0; });
    auto say = [&](const std::string& line) { run.say(line); };
    backup::Outcome o;
    if (option == "--backup")
        o = backup::backupPhone(dir, runner, say,
                                formatLocalTime(clock().now(), "yyyy-MM-dd HH:mm:ss"));
    else
        o = backup::restorePhone(dir, runner, say, [](const std::string&) { return true; });
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    for (const std::string& n : o.notWritten) run.say(W("- Не записано: ") + n);
    if (!o.failure.empty()) return run.fail(o.failure);
    if (option == "--backup")
        run.say(W("Резервная копия записана в ") + dir);
    else
        run.say(o.ok ? W("Восстановление закончено")
                     : W("Восстановление закончено, но не всё записано"));
    return o.ok ? ExitOk : ExitFailed;
}

}  // namespace

std::vector<std::string> commandLineArgs(const std::vector<std::string>& args) {
    // Qt's options of one dash: those that take a value, then the flags.
    static const std::set<std::string> valued = {"-platform",
                                                 "-platformpluginpath",
                                                 "-platformtheme",
                                                 "-plugin",
                                                 "-qmljsdebugger",
                                                 "-qwindowgeometry",
                                                 "-qwindowicon",
                                                 "-qwindowtitle",
                                                 "-session",
                                                 "-display",
                                                 "-geometry",
                                                 "-style",
                                                 "-stylesheet",
                                                 "-title",
                                                 "-name",
                                                 "-visual",
                                                 "-ncols",
                                                 "-cmap",
                                                 "-font",
                                                 "-fn",
                                                 "-bg",
                                                 "-fg",
                                                 "-btn",
                                                 "-background",
                                                 "-foreground",
                                                 "-button"};
    static const std::set<std::string> flags = {"-reverse", "-widgetcount", "-nograb",
                                                "-dograb",  "-sync",        "-testability"};
    std::vector<std::string> out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (valued.count(a) && i + 1 < args.size())
            ++i;
        else if (a.rfind("-style=", 0) == 0 || a.rfind("-stylesheet=", 0) == 0 || flags.count(a))
            continue;
        else
            out.push_back(a);
    }
    return out;
}

bool wantsCommandLine(const std::vector<std::string>& args) {
    return !commandLineArgs(args).empty();
}

void ConsoleDialogs::message(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\r') c = '\n';
    err_ << "tapdeck: " << cp1251ToUtf8(line) << "\n";
}

bool ConsoleDialogs::confirm(const std::string& text) {
    message(text + W(" - нет"));
    return false;
}

void keepRunningPastFileSizeLimit() {
    ::signal(SIGXFSZ, SIG_IGN);
}

int runCommandLine(const std::vector<std::string>& given, const std::string& exeName,
                   std::ostream& out, std::ostream& err, const std::string& callerDir) {
    const std::vector<std::string> args = commandLineArgs(given);
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
    const bool copy = option == "--backup" || option == "--restore";
    if (option != "--export-phonebook" && option != "--import-phonebook" &&
        option != "--export-datebook" && option != "--import-datebook" && !sms && !copy)
        return usage(option.rfind('-', 0) == 0 ? "unknown option " + option
                                               : option + ": a file needs an option before it");
    if (args.size() != want) return usage(option + ": wrong number of arguments");
    std::string file = files::fromOsPath(args.back());
    if (!callerDir.empty() && !file.empty() && file[0] != '/') file = files::join(callerDir, file);
    Folder folder(exeName);
    if (option == "--export-phonebook") {
        if (bookFormat(file).empty()) return usage(option + ": the file must end in .vcf or .csv");
        return exportBook(run, folder, file);
    }
    // An import writes the folder's files: never under a running program's
    // window, whose own closing write would put its older copy back.
    FolderLock lock(files::currentDir(), exeBaseName(exeName));
    qint64 holder = 0;
    if ((option.rfind("--import-", 0) == 0 || copy) && !lock.take(holder))
        return run.fail(W("- В этой папке работает программа (процесс ") + std::to_string(holder) +
                        (copy ? W("): телефоном сейчас занимается она.\r"
                                  "Закройте программу или сделайте это через её окно.")
                              : W("): импорт записал бы под её окном, и окно затёрло бы его.\r"
                                  "Закройте программу или добавьте записи через её окно.")));
    if (copy) return phoneCopy(run, option, file);
    if (option == "--import-phonebook") return importBook(run, folder, file);
    if (option == "--export-datebook") return exportDateBook(run, file);
    if (option == "--import-datebook") return importDateBook(run, file);
    const std::string kind = args[1];
    if (kind == "sent") return exportSms(run, sms::SentKind, file);
    if (kind == "unread") return exportSms(run, sms::UnReadKind, file);
    if (kind == "all") return exportSms(run, sms::AllKind, file);
    return usage(option + ": the kind is sent, unread or all");
}

}  // namespace td::exchange
