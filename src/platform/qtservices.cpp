#include "platform/qtservices.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "platform/cp1251.h"

namespace td {

QString fromWin(const std::string& cp1251) {
    std::u16string u = cp1251ToUtf16(cp1251);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string toWin(const QString& text) {
    return utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<size_t>(text.size())));
}

namespace {
// "\r" separates the lines of the program's messages.
QString messageText(const std::string& text) {
    QString s = fromWin(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}
QWidget* owner() {
    return QApplication::activeWindow();
}
}  // namespace

void QtDialogs::message(const std::string& text) {
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(),
                    messageText(text), QMessageBox::Ok, owner());
    box.exec();
}

bool QtDialogs::confirm(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                    messageText(text), QMessageBox::Yes | QMessageBox::No, owner());
    box.setButtonText(QMessageBox::Yes, fromWin(W("Да")));
    box.setButtonText(QMessageBox::No, fromWin(W("Нет")));
    return box.exec() == QMessageBox::Yes;
}

void QtFeedback::beep() {
    QApplication::beep();
}

void QtFeedback::setHourglass(bool on) {
    if (on == on_) return;
    on_ = on;
    if (on)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

void QtEventPump::processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::sleep(int ms) {
    if (ms <= 0) {
        processEvents();
        return;
    }
    // A nested loop: every event that arrives during the wait is handled at once.
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::AllEvents);
}

long long QtEventPump::nowMs() {
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t.elapsed();
}

int ModalRunner::showModal(QWidget* w) {
    if (auto* d = qobject_cast<QDialog*>(w)) return d->exec();
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    QEventLoop loop;
    while (w->isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents);
    return 0;
}

namespace {
ModalRunner*& currentRunner() {
    static ModalRunner* r = nullptr;
    return r;
}
}  // namespace

ModalRunner& modalRunner() {
    static ModalRunner qtRunner;
    return currentRunner() ? *currentRunner() : qtRunner;
}

void setModalRunner(ModalRunner* r) {
    currentRunner() = r;
}

void installQtServices() {
    static QtDialogs dialogs;
    static QtFeedback feedback;
    static QtEventPump pump;
    static SystemProcessStarter starter;
    static SystemClock clock;
    installServices(dialogs, feedback, pump, starter, clock);
}

}  // namespace td
