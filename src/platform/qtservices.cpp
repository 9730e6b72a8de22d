#include "platform/qtservices.h"

#include <cstdio>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "platform/cp1251.h"
#include "platform/files.h"

namespace td {

QString fromWin(const std::string& cp1251) {
    std::u16string u = cp1251ToUtf16(cp1251);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string toWin(const QString& text) {
    return utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<size_t>(text.size())));
}

std::string outsideWin(const QString& text) {
    std::string named;
    for (char32_t cp : text.toUcs4()) {
        if (unicodeToCp1251(cp) >= 0) continue;
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
        if (named.find(code) != std::string::npos) continue;
        named += (named.empty() ? "" : ", ") + std::string(code);
    }
    return named;
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
    box.button(QMessageBox::Yes)->setText(fromWin(W("Да")));
    box.button(QMessageBox::No)->setText(fromWin(W("Нет")));
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

void QtEventPump::later(int ms, std::function<void()> f) {
    QTimer::singleShot(ms, QCoreApplication::instance(), std::move(f));
}

void noAutoDefault(QWidget* window) {
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

int ModalRunner::showModal(QWidget* w) {
    noAutoDefault(w);
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

namespace {
std::string osToWin(const QString& name) {
    return name.isEmpty() ? std::string()
                          : files::fromOsPath(QFile::encodeName(name).toStdString());
}

FileChooser*& currentChooser() {
    static FileChooser* c = nullptr;
    return c;
}
}  // namespace

std::string FileChooser::saveName(QWidget* parent, const std::string& title,
                                  const std::string& suggested, const std::string& filter) {
    QString start = QDir(QFile::decodeName(files::toOsPath(files::currentDir()).c_str()))
                        .filePath(fromWin(suggested));
    return osToWin(QFileDialog::getSaveFileName(parent, fromWin(title), start, fromWin(filter)));
}

std::string FileChooser::openName(QWidget* parent, const std::string& title,
                                  const std::string& filter) {
    QString start = QFile::decodeName(files::toOsPath(files::currentDir()).c_str());
    return osToWin(QFileDialog::getOpenFileName(parent, fromWin(title), start, fromWin(filter)));
}

FileChooser& fileChooser() {
    static FileChooser qtChooser;
    return currentChooser() ? *currentChooser() : qtChooser;
}

void setFileChooser(FileChooser* c) {
    currentChooser() = c;
}

namespace {
int g_signalPipe[2] = {-1, -1};

extern "C" void onSignal(int sig) {
    unsigned char b = static_cast<unsigned char>(sig);
    ssize_t n = ::write(g_signalPipe[1], &b, 1);  // async-signal-safe; the window thread reads it
    (void)n;
}
}  // namespace

void onTerminationSignal(std::function<void(int)> handler) {
    if (g_signalPipe[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler] {
        unsigned char b = 0;
        if (::read(g_signalPipe[0], &b, 1) == 1) handler(b);
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGUSR1}) ::sigaction(sig, &sa, nullptr);
}

void useLocaleFormats(Clock& clock, const QLocale& locale) {
    std::string date = clockDateFormat(toWin(locale.dateFormat(QLocale::ShortFormat)));
    std::string time = clockTimeFormat(toWin(locale.timeFormat(QLocale::LongFormat)));
    if (!date.empty()) clock.shortDateFormat = date;
    if (!time.empty()) clock.longTimeFormat = time;
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
