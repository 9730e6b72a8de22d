#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include "app/forms.h"
#include "engine/settings.h"
#include "engine/userfolder.h"
#include "main/TapdeckP.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace {

// Qt's locale formats use the same letters as the program's clock; letters
// the clock does not know (am/pm, time zone) are dropped.
std::string clockFormat(const QString& qtFormat, const std::string& fallback) {
    QString out;
    for (QChar c : qtFormat)
        if (!c.isLetter() || QStringLiteral("dMyhHms").contains(c)) out += c;
    out = out.trimmed();
    return out.isEmpty() ? fallback : out.toStdString();
}

// TAPDECK_SCREENSHOT=<file.png>: once the first activation is over, save a
// picture of the main window and close it (for runs without a display).
void screenshotWhenReady(TForm1* form, const QString& path) {
    QTimer::singleShot(200, form, [form, path] {
        if (!td::prog().FirstActivationDone) {
            screenshotWhenReady(form, path);
            return;
        }
        form->grab().save(path);
        form->close();
    });
}

// Started outside a folder of its own, the program works in the per-user
// folder, made from the templates installed beside it.
void enterStartFolder() {
    std::string exe = td::files::fromOsPath(
        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    td::StartFolder start = td::chooseStartFolder(
        td::files::currentDir(), td::userDataFolder(td::systemEnv()), td::templateFolderFor(exe));
    if (start.moved && !td::files::setCurrentDir(start.folder))
        start.error = td::files::toOsPath(start.folder) + ": cannot enter the folder";
    if (!start.error.empty())
        qWarning("tapdeck: per-user folder not used: %s", start.error.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    td::installQtServices();
    enterStartFolder();
    if (argc > 0) {
        td::prog().ExeFileName = td::toWin(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    }
    QLocale locale = QLocale::system();
    td::Clock& clock = td::clock();
    clock.shortDateFormat =
        clockFormat(locale.dateFormat(QLocale::ShortFormat), clock.shortDateFormat);
    clock.longTimeFormat =
        clockFormat(locale.timeFormat(QLocale::LongFormat), clock.longTimeFormat);

    td::createForms();
    TForm1* main = td::forms().Form1;
    main->show();
    QString shot = qEnvironmentVariable("TAPDECK_SCREENSHOT");
    if (!shot.isEmpty()) screenshotWhenReady(main, shot);
    int rc = app.exec();
    td::destroyForms();
    return rc;
}
