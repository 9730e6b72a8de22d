#pragma once
// The one QApplication of a test program that builds windows, made on first
// use and kept until the program ends.

#include <QApplication>

namespace td::test {

inline QApplication* qtApp() {
    static int argc = 1;
    static char name[] = "tapdeck_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = QApplication::instance()
                                 ? qobject_cast<QApplication*>(QApplication::instance())
                                 : new QApplication(argc, argv);
    return a;
}

}  // namespace td::test
