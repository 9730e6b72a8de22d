#include <signal.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>
#include <iostream>

#include "app/cli.h"
#include "app/folderlock.h"
#include "app/forms.h"
#include "app/livephone.h"
#include "engine/settings.h"
#include "engine/userfolder.h"
#include "main/TapdeckP.h"
#include "main/mainlogic.h"
#include "phonecheck/CheckPhone.h"
#include "platform/desktopnotifier.h"
#include "platform/files.h"
#include "platform/keptprocess.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace {

// TAPDECK_SCREENSHOT=<file.png>: once the first activation is over, save a
// picture of the main window and close it (for runs without a display).
void screenshotWhenReady(TForm1* form, const QString& path) {
    QTimer::singleShot(200, form, [form, path] {
        if (!form->firstActivationDone()) {
            screenshotWhenReady(form, path);
            return;
        }
        form->grab().save(path);
        form->close();
    });
}

// TAPDECK_PHONECHECK=<file>: once the first activation is over, check the
// phone as the phone check window's update does, write what that window then
// shows (its status line, each value, its report) to the file in UTF-8 and
// close (the package check runs the installed program so).
void phoneCheckWhenReady(TForm1* form, const QString& path) {
    QTimer::singleShot(200, form, [form, path] {
        if (!form->firstActivationDone()) {
            phoneCheckWhenReady(form, path);
            return;
        }
        TForm10* check = td::forms().Form10;
        if (check && check->CreCheckList()) {
            check->readFlags().update = true;
            check->ReadPropertiesPhone();
            check->readFlags().update = false;
        }
        QFile out(path);
        if (check && out.open(QIODevice::WriteOnly)) {
            for (const char* name : {"Panel5", "lFirmName", "lModelName", "lIMEIValue",
                                     "lSoftVersion", "lBatteryValue", "lSignalValue"})
                if (auto* l = check->findChild<QLabel*>(name))
                    out.write((l->text() + "\n").toUtf8());
            if (auto* memo = check->findChild<QPlainTextEdit*>("Memo1"))
                out.write((memo->toPlainText() + "\n").toUtf8());
        }
        form->close();
    });
}

// Once the first activation is over (the start folder and the switches
// read), the live phone starts: it follows the phone's news and keeps the
// resident engine when asked to.
void startLivePhoneWhenReady(TForm1* form, td::LivePhone* live) {
    QTimer::singleShot(200, form, [form, live] {
        if (form->firstActivationDone())
            live->start();
        else
            startLivePhoneWhenReady(form, live);
    });
}

// Started outside a folder of its own, the program works in the per-user
// folder, made from the templates installed beside it.
void enterStartFolder() {
    std::string exe = td::files::fromOsPath(
        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    td::StartFolder start = td::chooseStartFolder(
        td::files::currentDir(), td::userDataFolder(td::systemEnv()), td::templateFolderFor(exe));
    if (start.moved && !td::files::setCurrentDir(start.folder)) {
        start.error = td::files::toOsPath(start.folder) + ": не удаётся войти в папку";
        start.folder = td::files::currentDir();
    }
    if (!start.error.empty()) {
        qWarning("tapdeck: per-user folder not used: %s", start.error.c_str());
        td::dialogs().message(td::startFolderProblem(start));
    }
}

// The command line's exports and imports run without a display or a window.
int runCommandLine(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Without windows every message goes to the standard error (a per-user
    // folder that cannot be used, a file that cannot be saved).
    static td::exchange::ConsoleDialogs console(std::cerr);
    static td::SystemClock clock;
    static td::QtEventPump pump;  // a backup waits for the engine in an event loop
    td::services().dialogs = &console;
    td::services().clock = &clock;
    td::services().pump = &pump;
    const std::string caller = td::files::currentDir();  // the files named are taken from here
    enterStartFolder();
    std::string exe = td::files::fromOsPath(
        QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toLocal8Bit().toStdString());
    return td::exchange::runCommandLine(std::vector<std::string>(argv + 1, argv + argc), exe,
                                        std::cout, std::cerr, caller);
}

}  // namespace

int main(int argc, char** argv) {
    td::exchange::keepRunningPastFileSizeLimit();
    if (td::exchange::wantsCommandLine(std::vector<std::string>(argv + 1, argv + argc)))
        return runCommandLine(argc, argv);
    QApplication app(argc, argv);
    td::installQtServices();
    enterStartFolder();
    if (argc > 0) {
        td::prog().ExeFileName = td::toWin(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    }
    td::useLocaleFormats(td::clock(), QLocale::system());
    // Bringing the other copy's window forward is a request: its window
    // manager may keep the focus where it is. Until this copy can answer
    // such a request (onTerminationSignal below), it ignores it.
    ::signal(SIGUSR1, SIG_IGN);
    td::FolderLock folderLock(td::files::currentDir(),
                              td::mainlogic::exeBaseName(td::prog().ExeFileName));
    if (!folderLock.claim([](qint64 pid) { ::kill(static_cast<pid_t>(pid), SIGUSR1); })) return 0;

    td::createForms();
    TForm1* main = td::forms().Form1;
    // Killed, hung up or logged out: the same closing write-back as a close
    // by the user (it runs once; after it nothing more is written).
    QPointer<TForm1> mainWindow = main;
    td::onTerminationSignal([mainWindow](int sig) {
        if (sig == SIGUSR1) {  // a second copy started in this folder
            if (mainWindow) {
                mainWindow->showNormal();
                mainWindow->raise();
                mainWindow->activateWindow();
            }
            return;
        }
        QCoreApplication::quit();  // every waiting loop ends; a message box shown now returns
        if (mainWindow) mainWindow->close();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, main,
                     [mainWindow](QSessionManager&) {
                         if (mainWindow) mainWindow->close();
                     });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, main, [mainWindow] {
        if (mainWindow) mainWindow->FormClose();
    });
    td::DesktopNotifier notifier;
    td::ChildProcess residentEngine;
    td::LivePhone live(notifier, residentEngine);
    td::wireLivePhone(live, td::forms());
    main->show();
    startLivePhoneWhenReady(main, &live);
    QString shot = qEnvironmentVariable("TAPDECK_SCREENSHOT");
    if (!shot.isEmpty()) screenshotWhenReady(main, shot);
    QString checkReport = qEnvironmentVariable("TAPDECK_PHONECHECK");
    if (!checkReport.isEmpty()) phoneCheckWhenReady(main, checkReport);
    int rc = app.exec();
    live.stop();  // the resident engine ends with the program
    td::destroyForms();
    return rc;
}
