#pragma once
// The engine's window: the operation, the step it is at, every line sent to
// the phone and every line it answers, and at the end the outcome. The run
// works on a thread of its own and only queues what it reports; the window
// takes the queue in on a timer, so it never holds the line up.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <mutex>
#include <vector>

#include "windowrun.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace celltalk {

// Collects the run's reports from the run's thread (Windows-1251 texts).
class ReportQueue : public RunObserver {
  public:
    struct Event {
        enum class Kind { Started, Step, Sent, Received, Unsolicited, Finished } kind;
        std::string text;
        std::size_t index = 0, total = 0;
        StepKind step = StepKind::Command;
        int code = 0;
    };
    void started(const std::string& operation) override;
    void step(std::size_t index, std::size_t total, StepKind kind,
              const std::string& text) override;
    void sent(const std::string& text) override;
    void received(const std::string& line, bool unsolicited) override;
    void finished(int code, const std::string& reason) override;
    std::vector<Event> take();

  private:
    void push(Event e);
    std::mutex m_;
    std::vector<Event> events_;
};

class RunWindow : public QWidget {
    Q_OBJECT
  public:
    RunWindow(const WindowRun& run, ReportQueue& queue);
    // Test hooks: a screenshot at the end of the run, the widgets' texts.
    void setGrabPath(const QString& path) { grabPath_ = path; }
    bool writeDump(const QString& path) const;
    bool ended() const { return ended_; }

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    void tick();
    void apply(const ReportQueue::Event& e);
    void end(int code, const QString& reason);
    void stopOrClose();
    QString text(const std::string& cp1251) const;

    const WindowRun& run_;
    ReportQueue& queue_;
    QLabel* lOperation_;
    QLabel* lStep_;
    QProgressBar* pbSteps_;
    QPlainTextEdit* mLog_;
    QLabel* lOutcome_;
    QPushButton* bbStop_;
    QTimer tick_;
    bool ended_ = false;
    bool beeped_ = false;
    QString grabPath_;
};

}  // namespace celltalk
