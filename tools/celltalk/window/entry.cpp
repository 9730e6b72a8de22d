// The window module's entry: opens the window on the display the
// environment names and runs the operation on a thread of its own. When no
// window can be opened it starts nothing and says so, and the engine runs
// without one.

#include <QApplication>
#include <QTimer>
#include <thread>

#include "runwindow.h"

namespace {

// The platforms to try: the one asked for (or the usual ones), then the
// offscreen one, so that a display that cannot be reached is noticed
// instead of ending the process.
QByteArray platforms(bool& offscreenAsked) {
    QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    offscreenAsked = asked.startsWith("offscreen");
    if (offscreenAsked) return asked;
    if (asked.isEmpty())
        asked = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb" : "wayland;xcb";
    return asked + ";offscreen";
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int celltalk_window_run(
    const celltalk::WindowRun* run) {
    using namespace celltalk;
    bool offscreenAsked = false;
    QByteArray list = platforms(offscreenAsked);
    char arg0[] = "celltalk", arg1[] = "-platform";
    char* argv[] = {arg0, arg1, list.data(), nullptr};
    int argc = 3;
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == "offscreen" && !offscreenAsked) return kWindowNotStarted;

    ReportQueue queue;
    RunWindow win(*run, queue);
    const QString grab = qEnvironmentVariable("CELLTALK_WINDOW_GRAB");
    if (!grab.isEmpty()) win.setGrabPath(grab);
    if (run->maximized)
        win.showMaximized();
    else
        win.show();
    // Test hook: the user closes the window this many ms after it opened.
    bool closeSet = false;
    int closeMs = qEnvironmentVariableIntValue("CELLTALK_WINDOW_CLOSE_MS", &closeSet);
    if (closeSet) QTimer::singleShot(closeMs, &win, [&win] { win.close(); });

    int code = 0;
    std::thread worker([&] { code = run->run(&queue); });
    app.exec();  // until the window closes
    worker.join();
    const QString dump = qEnvironmentVariable("CELLTALK_WINDOW_DUMP");
    if (!dump.isEmpty()) win.writeDump(dump);
    return code;
}
