// The date book window's reads: from the phone and from the last copy, the
// save under a dated name, and the unload into a batch file for the engine.
// Both the read and the unload run the one read cycle.

#include <QLabel>
#include <QPushButton>

#include "datebook/MemDayBook.h"
#include "datebook/mdbcycle.h"
#include "engine/launcher.h"
#include "engine/readcycle.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"
#include "widgets/gridview.h"
#include "widgets/stringgrid.h"

using td::fromWin;
using td::MdbRun;
using td::MdbSource;

td::ReadCycle& TForm9::cycle(MdbRun kind) {
    std::unique_ptr<td::ReadCycle>& c = kind == MdbRun::Unload ? unload_ : read_;
    if (c) return *c;
    td::ReadCycleHooks h;
    h.onCycleStart = [this] {
        lGetRecordCount->setText("0");
        if (flags_.update) {
            shownLines_.clear();
            reader_ = td::MdbReader(td::prog().PrefixDateBook, td::prog().PrefixAutoDelete);
        }
    };
    h.beepWanted = [this] { return beepWanted && beepWanted(); };
    if (kind == MdbRun::Read) {
        h.beforeLastCopy = [this] { shownLines_.clear(); };
        h.loadLastCopy = [this](const std::vector<std::string>& lines) {
            shownLines_ = lines;
            td::MdbReader fresh(td::prog().PrefixDateBook, td::prog().PrefixAutoDelete);
            display(td::showDateBook(fresh, lines, MdbSource::LastCopy), MdbSource::LastCopy);
        };
        h.parse = [this](const std::vector<std::string>& lines) {
            Panel5->setText(fromWin(td::W("Текущая книга напоминаний из мобильного телефона")));
            display(td::showDateBook(reader_, lines, MdbSource::Result), MdbSource::Result);
        };
    } else {
        h.parse = [this](const std::vector<std::string>& lines) {
            Panel5->setText(fromWin(
                td::W("Выгрузка завершена/Текущая книга напоминаний из мобильного телефона")));
            // The grid and its count show the events just unloaded.
            td::MdbReader fresh(td::prog().PrefixDateBook, td::prog().PrefixAutoDelete);
            display(td::showDateBook(fresh, lines, MdbSource::Result), MdbSource::Result);
            writeUnload(lines);
        };
    }
    td::GridReadView& view = kind == MdbRun::Unload ? *unloadView_ : *readView_;
    c = std::make_unique<td::ReadCycle>(td::ReadCycleConfig{}, view, std::move(h));
    return *c;
}

// The bound operation is looked up again before each outermost run: the
// main window's activation may have bound another one.
template <class F>
void TForm9::enter(MdbRun kind, F f) {
    int& depth = depth_[kind == MdbRun::Unload ? 1 : 0];
    if (depth == 0) {
        const td::Prog& p = td::prog();
        const std::string& op = kind == MdbRun::Unload ? p.UnloadMemDayBookName : p.MemDayBookName;
        cycle(kind).setConfig(td::dateBookCycleConfig(op, kind, flags_));
    }
    ++depth;
    struct Leave {
        int& d;
        ~Leave() { --d; }
    } leave{depth};
    f();
}

void TForm9::ReadMemDayBook() {
    enter(MdbRun::Read, [this] {
        td::ReadCycle& c = cycle(MdbRun::Read);
        afterPhoneRead(static_cast<int>(c.run()));
    });
}

void TForm9::bbLastCopyClick() {
    enter(MdbRun::Read, [this] { cycle(MdbRun::Read).lastCopyClick(); });
}

void TForm9::bbGetMDBookClick() {
    enter(MdbRun::Read, [this] {
        td::ReadCycle& c = cycle(MdbRun::Read);
        c.refreshClick();
        // A click during the wait (an abort) returns here first, with nothing run.
        if (depth_[0] == 1) afterPhoneRead(static_cast<int>(c.outcome()));
    });
}

// After the answer of a read from the phone has been shown: the setting as
// the log has it, then the last copy of the answer with that setting.
void TForm9::afterPhoneRead(int outcome) {
    using td::ReadOutcome;
    const auto o = static_cast<ReadOutcome>(outcome);
    if (o != ReadOutcome::Parsed && o != ReadOutcome::TooFewLines && o != ReadOutcome::NotFound)
        return;
    td::Prog& p = td::prog();
    td::feedback().setHourglass(false);
    if (o == ReadOutcome::TooFewLines) StringGridMobileMDB->setRows(100);

    weeks_ = td::AutoDeleteUnknown;
    const std::string log = td::autoRunPath(p.LogFile);
    if (td::files::exists(log)) {
        shownLines_.clear();
        td::files::readLines(log, shownLines_);
        td::MdbShown s = td::showDateBook(reader_, shownLines_, MdbSource::Log);
        if (s.panel) {
            showPanel(*s.panel);
            PanelAutoDel->show();
            weeks_ = s.panel->weeks;
        }
    }
    const std::string result = td::autoRunPath(p.MDBFile);
    std::vector<std::string> lines;
    if (td::files::exists(result)) td::files::readLines(result, lines);
    const std::vector<std::string> list =
        td::mdbLastCopy(std::move(lines), weeks_, autoDeleteText_, p.PrefixAutoDelete);
    if (!list.empty()) writeFile(td::autoRunPath(td::DateBookListName), list);
}

void TForm9::bbSaveMDBListClick() {
    td::Prog& p = td::prog();
    const std::string target =
        td::autoRunPath(td::savedDateBookName(td::fileStampNow(), p.MDBFile));
    const std::string result = td::autoRunPath(p.MDBFile);
    std::optional<std::vector<std::string>> lines;
    if (td::files::exists(result)) {
        lines.emplace();
        td::files::readLines(result, *lines);
    }
    td::MdbSave save =
        td::dateBookToSave(lines, weeks_, autoDeleteText_, shownLines_, p.PrefixAutoDelete);
    if (!save.lines.empty()) writeFile(target, save.lines);
}

void TForm9::bbUnloadMemBookClick() {
    if (td::CellBusy()) return;
    if (!td::unloadAllowed(td::AltVersion, td::prog().ProgVersion)) {
        td::dialogs().message(td::laterVersionText());
        return;
    }
    enter(MdbRun::Unload, [this] {
        cycle(MdbRun::Unload).refreshClick();
        if (depth_[1] == 1 && cycle(MdbRun::Unload).outcome() != td::ReadOutcome::None) {
            bbUnloadMemBook->setToolTip(td::hintText(td::unloadIdleHint()));
            td::feedback().setHourglass(false);
        }
    });
}

void TForm9::writeUnload(const std::vector<std::string>& input) {
    td::Prog& p = td::prog();
    std::vector<std::string> refused;
    shownLines_ = td::unloadFile(
        input, {p.PrefixDateBook, p.PrefixAutoDelete, p.PrefixDateBookWrite, p.PrefixCharset},
        &refused);
    const std::string path = td::autoRunPath(td::unloadFileName(td::fileStampNow(), p.MDBFile));
    if (writeFile(path, shownLines_) && !refused.empty())
        td::dialogs().message(td::unloadRefusedText(refused));
}

bool TForm9::writeFile(const std::string& path, const std::vector<std::string>& lines) {
    if (td::files::writeLines(path, lines)) return true;
    td::dialogs().message(td::W("- Не удаётся записать файл \"") + path + "\"");
    return false;
}
