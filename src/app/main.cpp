#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include "app/forms.h"
#include "engine/settings.h"
#include "main/TapdeckP.h"
#include "platform/qtservices.h"
#include "platform/services.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    td::installQtServices();
    if (argc > 0) {
        td::prog().ExeFileName = td::toWin(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    }
    td::useLocaleFormats(td::clock(), QLocale::system());

    td::createForms();
    TForm1* main = td::forms().Form1;
    main->show();
    QString shot = qEnvironmentVariable("TAPDECK_SCREENSHOT");
    if (!shot.isEmpty()) screenshotWhenReady(main, shot);
    int rc = app.exec();
    td::destroyForms();
    return rc;
}
