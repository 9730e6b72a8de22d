#include "runwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace celltalk {

namespace {
constexpr int kTickMs = 40;
constexpr int kLingerOkMs = 1500;    // long enough to see that it went well
constexpr int kLingerFailMs = 6000;  // long enough to read why it did not

int lingerMs(bool ok) {
    bool set = false;
    int ms = qEnvironmentVariableIntValue("CELLTALK_WINDOW_LINGER_MS", &set);
    return set ? ms : (ok ? kLingerOkMs : kLingerFailMs);
}

QString stepText(RunObserver::StepKind kind, const QString& text) {
    switch (kind) {
        case RunObserver::StepKind::Delay:
            return QStringLiteral("пауза %1 с").arg(text);
        case RunObserver::StepKind::SendSms:
            return QStringLiteral("SMS на номер %1").arg(text);
        case RunObserver::StepKind::StoreSms:
            return QStringLiteral("SMS в память: %1").arg(text);
        case RunObserver::StepKind::Command:
            break;
    }
    return QStringLiteral("команда %1").arg(text);
}
}  // namespace

// ---------------------------------------------------------------- the queue

void ReportQueue::push(Event e) {
    std::lock_guard<std::mutex> lock(m_);
    events_.push_back(std::move(e));
}
void ReportQueue::started(const std::string& operation) {
    push({Event::Kind::Started, operation});
}
void ReportQueue::step(std::size_t index, std::size_t total, StepKind kind,
                       const std::string& text) {
    push({Event::Kind::Step, text, index, total, kind});
}
void ReportQueue::sent(const std::string& text) {
    push({Event::Kind::Sent, text});
}
void ReportQueue::received(const std::string& line, bool unsolicited) {
    push({unsolicited ? Event::Kind::Unsolicited : Event::Kind::Received, line});
}
void ReportQueue::finished(int code, const std::string& reason) {
    Event e{Event::Kind::Finished, reason};
    e.code = code;
    push(std::move(e));
}
std::vector<ReportQueue::Event> ReportQueue::take() {
    std::lock_guard<std::mutex> lock(m_);
    std::vector<Event> out;
    out.swap(events_);
    return out;
}

// ---------------------------------------------------------------- the window

RunWindow::RunWindow(const WindowRun& run, ReportQueue& queue)
    : run_(run),
      queue_(queue),
      lOperation_(new QLabel(this)),
      lStep_(new QLabel(QStringLiteral("Подготовка…"), this)),
      pbSteps_(new QProgressBar(this)),
      mLog_(new QPlainTextEdit(this)),
      lOutcome_(new QLabel(this)),
      bbStop_(new QPushButton(QStringLiteral("Прервать"), this)) {
    setObjectName("CellTalkWindow");
    setWindowTitle(QStringLiteral("CellTalk — ") + text(run.operation));
    lOperation_->setObjectName("lOperation");
    lOperation_->setText(text(run.operation));
    QFont bold = lOperation_->font();
    bold.setBold(true);
    lOperation_->setFont(bold);
    lStep_->setObjectName("lStep");
    pbSteps_->setObjectName("pbSteps");
    pbSteps_->setRange(0, 1);
    pbSteps_->setValue(0);
    pbSteps_->setFormat(QStringLiteral("%v из %m"));
    mLog_->setObjectName("mLog");
    mLog_->setReadOnly(true);
    mLog_->setMaximumBlockCount(20000);
    mLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
    mLog_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lOutcome_->setObjectName("lOutcome");
    lOutcome_->setWordWrap(true);
    bbStop_->setObjectName("bbStop");
    bbStop_->setAutoDefault(false);
    connect(bbStop_, &QPushButton::clicked, this, [this] { stopOrClose(); });

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(lOperation_);
    lay->addWidget(lStep_);
    lay->addWidget(pbSteps_);
    lay->addWidget(mLog_, 1);
    lay->addWidget(lOutcome_);
    lay->addWidget(bbStop_, 0, Qt::AlignRight);
    resize(620, 380);

    connect(&tick_, &QTimer::timeout, this, [this] { tick(); });
    tick_.start(kTickMs);
}

QString RunWindow::text(const std::string& cp1251) const {
    return QString::fromStdString(run_.toUtf8(cp1251));
}

void RunWindow::tick() {
    for (const auto& e : queue_.take()) apply(e);
    // A signal while the window lingers ends it at once, as it ends a run.
    if (ended_ && run_.stopRequested()) close();
}

void RunWindow::apply(const ReportQueue::Event& e) {
    using K = ReportQueue::Event::Kind;
    switch (e.kind) {
        case K::Started:
            lOperation_->setText(text(e.text));
            break;
        case K::Step:
            pbSteps_->setRange(0, static_cast<int>(e.total));
            pbSteps_->setValue(static_cast<int>(e.index));
            lStep_->setText(QStringLiteral("Шаг %1 из %2: %3")
                                .arg(e.index)
                                .arg(e.total)
                                .arg(stepText(e.step, text(e.text))));
            break;
        case K::Sent:
            mLog_->appendPlainText(QStringLiteral("> ") + text(e.text));
            break;
        case K::Received:
            mLog_->appendPlainText(QStringLiteral("< ") + text(e.text));
            break;
        case K::Unsolicited:
            mLog_->appendPlainText(QStringLiteral("~ ") + text(e.text) +
                                   QStringLiteral("   (без запроса)"));
            break;
        case K::Finished:
            end(e.code, text(e.text));
            break;
    }
}

void RunWindow::end(int code, const QString& reason) {
    ended_ = true;
    const bool ok = code == 0;
    lOutcome_->setText(ok ? QStringLiteral("Готово") : QStringLiteral("Ошибка: ") + reason);
    lOutcome_->setStyleSheet(ok ? QStringLiteral("color: #006400; font-weight: bold")
                                : QStringLiteral("color: #b00000; font-weight: bold"));
    bbStop_->setText(QStringLiteral("Закрыть"));
    if (!grabPath_.isEmpty()) grab().save(grabPath_);
    if (run_.stopRequested()) {
        close();  // stopped by a signal or by the user: nothing left to show
        return;
    }
    if (run_.beep) {
        QApplication::beep();
        beeped_ = true;
    }
    QTimer::singleShot(lingerMs(ok), this, [this] { close(); });
}

void RunWindow::stopOrClose() {
    if (!ended_) run_.stop();  // the run sees it at its next wait and ends cleanly
    close();
}

void RunWindow::closeEvent(QCloseEvent* e) {
    if (!ended_) run_.stop();
    e->accept();
}

bool RunWindow::writeDump(const QString& path) const {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QString out;
    for (const QLabel* l : findChildren<QLabel*>())
        out += "@" + l->objectName() + "\n" + l->text() + "\n";
    out += "@" + pbSteps_->objectName() + "\n" + QString::number(pbSteps_->value()) + "/" +
           QString::number(pbSteps_->maximum()) + "\n";
    out += "@" + mLog_->objectName() + "\n" + mLog_->toPlainText() + "\n";
    out += "@" + bbStop_->objectName() + "\n" + bbStop_->text() + "\n";
    out += QStringLiteral("@title\n") + windowTitle() + "\n";
    out += QStringLiteral("@maximized\n") + (isMaximized() ? "1" : "0") + "\n";
    out += QStringLiteral("@beeped\n") + (beeped_ ? "1" : "0") + "\n";
    return f.write(out.toUtf8()) >= 0;
}

}  // namespace celltalk
