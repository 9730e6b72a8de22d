#include <QApplication>

#include "app/forms.h"
#include "main/TapdeckP.h"
#include "platform/qtservices.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    td::installQtServices();
    td::createForms();
    td::forms().Form1->show();
    int rc = app.exec();
    td::destroyForms();
    return rc;
}
