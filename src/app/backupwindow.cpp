#include "app/backupwindow.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/backup.h"
#include "engine/launcher.h"
#include "engine/settings.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace td::backup {

namespace {

// The progress of one backup or restore: its lines, and a button that asks
// the engine's run to stop. Shown while the steps run (they wait in nested
// event loops, so the button is live).
class ProgressWindow : public QDialog {
  public:
    ProgressWindow(QWidget* parent, const std::string& title) : QDialog(parent) {
        setObjectName("BackupProgress");
        setWindowTitle(fromWin(title));
        setWindowModality(Qt::ApplicationModal);
        auto* box = new QVBoxLayout(this);
        memo_ = new QPlainTextEdit(this);
        memo_->setObjectName("Memo1");
        memo_->setReadOnly(true);
        memo_->setMinimumSize(460, 200);
        stop_ = new QPushButton(fromWin(W("Прервать")), this);
        stop_->setObjectName("bbStop");
        box->addWidget(memo_);
        box->addWidget(stop_, 0, Qt::AlignRight);
        connect(stop_, &QPushButton::clicked, this, [this] {
            stopAsked_ = true;
            stop_->setEnabled(false);
        });
        noAutoDefault(this);
    }
    void say(const std::string& line) {
        memo_->appendPlainText(fromWin(line));
        pump().processEvents();
    }
    bool stopAsked() const { return stopAsked_; }

  private:
    QPlainTextEdit* memo_;
    QPushButton* stop_;
    bool stopAsked_ = false;
};

// Runs the steps with the window shown; tells the outcome once.
void runShown(QWidget* parent, const std::string& title,
              const std::function<Outcome(const RunBatch&, const Say&)>& steps,
              const std::string& done) {
    if (CellBusy()) return;
    ProgressWindow w(parent, title);
    w.show();
    RunBatch run = engineRunner([](int ms) { pump().sleep(ms); }, [&w] { return w.stopAsked(); });
    feedback().setHourglass(true);
    Outcome o = steps(run, [&w](const std::string& l) { w.say(l); });
    feedback().setHourglass(false);
    w.hide();
    std::string text = o.failure.empty() ? done : o.failure;
    if (!o.notWritten.empty()) {
        text = W("- Не всё записано в телефон:");
        for (const auto& n : o.notWritten) text += "\r" + n;
    }
    dialogs().message(text);
}

}  // namespace

void backupFromWindow(QWidget* parent) {
    const std::string dir =
        fileChooser().saveName(parent, W("Резервная копия телефона: новая папка"),
                               startPath(W("Копия-") + fileStampNow()), "");
    if (dir.empty()) return;
    runShown(
        parent, W("Резервная копия телефона"),
        [&](const RunBatch& run, const Say& say) {
            return backupPhone(dir, run, say,
                               formatLocalTime(clock().now(), "yyyy-MM-dd HH:mm:ss"));
        },
        W("Резервная копия записана в ") + dir);
}

void restoreFromWindow(QWidget* parent) {
    const std::string manifest = fileChooser().openName(
        parent, W("Восстановить из копии: опись копии"), W("Опись копии (manifest.txt)"));
    if (manifest.empty()) return;
    std::string dir = manifest;
    dir.erase(dir.find_last_of('/') == std::string::npos ? 0 : dir.find_last_of('/'));
    if (dir.empty()) dir = ".";
    runShown(
        parent, W("Восстановление из копии"),
        [&](const RunBatch& run, const Say& say) {
            return restorePhone(dir, run, say, [](const std::string& counts) {
                return dialogs().confirm(counts + W("\rЗаписать недостающее в подключённый "
                                                    "телефон? Ничего в нём не заменяется."));
            });
        },
        W("Восстановление закончено: всё из копии есть в телефоне"));
}

}  // namespace td::backup
