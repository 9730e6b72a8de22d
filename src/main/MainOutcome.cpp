// How the main window runs the engine for one of its actions: the launch
// returns at once, the buttons stay free, and a watch on the run's end
// files, driven by the event loop, tells a failure in a box when the run
// ends. A send whose run failed leaves its band's history again.

#include <QComboBox>
#include <QVariant>

#include "main/TapdeckP.h"
#include "platform/files.h"
#include "platform/services.h"

namespace ml = td::mainlogic;

bool TForm1::runAction(ml::Action action, const std::string& operation,
                       const std::vector<std::string>& args, const std::string& subject) {
    // The busy test let this launch through: a watched run whose end is not
    // there yet would take this run's files for its own.
    if (pending_) {
        std::unique_ptr<PendingRun> old = std::move(pending_);
        if (std::optional<td::EngineRunEnd> end = old->watch.check()) endRun(*old, *end, false);
    }
    auto run = std::make_unique<PendingRun>();
    if (!run->watch.start(operation, args)) return false;
    run->action = action;
    run->subject = subject;
    run->serial = ++runs_;
    pending_ = std::move(run);
    watchRun(pending_->serial);
    return true;
}

void TForm1::watchRun(int serial) {
    QPointer<TForm1> self(this);
    td::pump().later(td::QuickPollMs, [self, serial] {
        if (!self || !self->pending_ || self->pending_->serial != serial) return;
        std::optional<td::EngineRunEnd> end = self->pending_->watch.check();
        if (!end) return self->watchRun(serial);
        std::unique_ptr<PendingRun> run = std::move(self->pending_);
        self->endRun(*run, *end, true);
    });
}

void TForm1::endRun(PendingRun& run, const td::EngineRunEnd& end, bool goOn) {
    if (td::files::writesEnded()) return;  // the program is closing
    if (run.history && !ml::keepInHistory(end)) dropHistoryEntry(run.history, run.entry);
    const std::string box = ml::actionOutcome(run.action, end, run.subject);
    if (!box.empty()) td::dialogs().message(box);
    // A joined message goes on with its next part; a failed part ends it.
    if (goOn && end.kind == td::EngineRunEnd::Done && !run.parts.empty())
        reSendParts(std::move(run.parts));
}

int TForm1::addHistoryEntry(QComboBox* history, const QString& text) {
    const QString shown = history->currentText();
    const int index = history->currentIndex();
    const int entry = ++historyEntries_;
    history->insertItem(0, text, entry);
    history->setCurrentIndex(index < 0 ? -1 : index + 1);
    history->setEditText(shown);
    return entry;
}

void TForm1::dropHistoryEntry(QComboBox* history, int entry) {
    const int at = history->findData(entry);
    if (at < 0) return;
    const QString shown = history->currentText();
    const int index = history->currentIndex();
    history->removeItem(at);
    history->setCurrentIndex(index == at ? -1 : (index > at ? index - 1 : index));
    history->setEditText(shown);
}
