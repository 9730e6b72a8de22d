// The date book window's reads: from the phone and from the last copy, the
// save under a dated name, and the unload into a batch file for the engine.
// Both the read and the unload run the one read cycle.

#include <QLabel>
#include <QPushButton>

#include "datebook/MemDayBook.h"
#include "datebook/mdbcycle.h"
#include "engine/launcher.h"
#include "engine/operlookup.h"
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

namespace {

int runSlot(MdbRun kind) {
    return kind == MdbRun::Read ? 0 : kind == MdbRun::Unload ? 1 : 2;
}

}  // namespace

td::ReadCycle& TForm9::cycle(MdbRun kind) {
    std::unique_ptr<td::ReadCycle>& c = kind == MdbRun::Unload  ? unload_
                                        : kind == MdbRun::Write ? write_
                                                                : read_;
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
    if (kind != MdbRun::Unload) {
        // A write reads the date book again in the same run: its answer is
        // shown and kept as a read's is.
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
    td::GridReadView& view = kind == MdbRun::Unload  ? *unloadView_
                             : kind == MdbRun::Write ? *writeView_
                                                     : *readView_;
    c = std::make_unique<td::ReadCycle>(td::ReadCycleConfig{}, view, std::move(h));
    return *c;
}

// The bound operation is looked up again before each outermost run: the
// main window's activation may have bound another one.
template <class F>
void TForm9::enter(MdbRun kind, F f) {
    int& depth = depth_[runSlot(kind)];
    if (depth == 0) {
        const td::Prog& p = td::prog();
        const std::string& op = kind == MdbRun::Unload  ? p.UnloadMemDayBookName
                                : kind == MdbRun::Write ? td::BatchOperName
                                                        : p.MemDayBookName;
        td::ReadCycleConfig c = td::dateBookCycleConfig(op, kind, flags_);
        if (kind == MdbRun::Write) {
            c.question = td::toPhoneQuestion(pendingLines().size());
            c.idleHint = td::toPhoneHint(pendingLines().size());
        }
        cycle(kind).setConfig(std::move(c));
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
    // Events added from a file that the phone does not hold yet stay in the
    // copy; those it holds now wait no longer.
    const std::string pendingPath = td::autoRunPath(td::DateBookPendingName);
    std::vector<std::string> pending = pendingLines();
    if (!pending.empty()) {
        pending = td::stillPending(pending, lines, p.PrefixDateBook);
        if (pending.empty())
            td::files::remove(pendingPath);
        else
            writeFile(pendingPath, pending);
    }
    const std::vector<std::string> list = td::withPending(
        td::mdbLastCopy(std::move(lines), weeks_, autoDeleteText_, p.PrefixAutoDelete), pending,
        {p.PrefixDateBook, p.PrefixAutoDelete, p.PrefixDateBookWrite, p.PrefixCharset});
    if (!list.empty()) writeFile(td::autoRunPath(td::DateBookListName), list);
    showPending();
}

std::vector<std::string> TForm9::pendingLines() const {
    std::vector<std::string> lines;
    const std::string path = td::autoRunPath(td::DateBookPendingName);
    if (td::files::exists(path)) td::files::readLines(path, lines);
    return td::stillPending(lines, {}, td::prog().PrefixDateBook);
}

void TForm9::showPending() {
    const std::size_t n = pendingLines().size();
    bbToPhone->setEnabled(n > 0);
    bbToPhone->setToolTip(td::hintText(td::toPhoneHint(n)));
}

// The events added from a file go into free positions of the phone, and the
// same engine run reads the date book again. A refused write fails the run:
// the events stay pending and the engine's reason is told.
void TForm9::bbToPhoneClick() {
    const td::Prog& p = td::prog();
    const bool running = depth_[2] > 0;
    std::vector<std::string> pending = pendingLines(), refused;
    if (!running) {
        if (pending.empty()) return;
        const std::string read = td::GetOperByName(p.OperIniName, p.MemDayBookName);
        if (read.empty()) return;
        const std::vector<std::string> batch = td::pendingWriteBatch(
            pending, read,
            {p.PrefixDateBook, p.PrefixAutoDelete, p.PrefixDateBookWrite, p.PrefixCharset},
            &refused);
        if (!refused.empty()) td::dialogs().message(td::toPhoneRefusedText(refused));
        if (refused.size() == pending.size()) return;  // no event to write
        if (!writeFile(td::startPath(td::DateBookWriteBatName), batch)) return;
    }
    enter(MdbRun::Write, [&] {
        td::ReadCycle& c = cycle(MdbRun::Write);
        c.refreshClick();
        if (depth_[2] != 1) return;  // an abort click during the wait
        const td::ReadOutcome o = c.outcome();
        if (o == td::ReadOutcome::Parsed || o == td::ReadOutcome::TooFewLines) {
            // Written: only what could not be made a write command still waits.
            const std::string path = td::autoRunPath(td::DateBookPendingName);
            if (refused.empty())
                td::files::remove(path);
            else
                writeFile(path, refused);
        } else if (o == td::ReadOutcome::EngineFailed) {
            std::vector<std::string> error;
            td::files::readLines(td::startPath(td::EngineErrorName), error);
            td::dialogs().message(td::toPhoneFailedText(td::EngineReason(error)));
        }
        afterPhoneRead(static_cast<int>(o));
        showPending();
    });
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
        td::dialogs().message(td::toPhoneRefusedText(refused));
}

bool TForm9::writeFile(const std::string& path, const std::vector<std::string>& lines) {
    if (td::files::writeLines(path, lines)) return true;
    td::dialogs().message(td::W("- Не удаётся записать файл \"") + path + "\"");
    return false;
}
