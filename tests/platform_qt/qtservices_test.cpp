#include "platform/qtservices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include "platform/cp1251.h"

using namespace td;

namespace {

int argc = 1;
char arg0[] = "qtservices_tests";
char* argv[] = {arg0, nullptr};
QApplication* app() {
    static QApplication* a = new QApplication(argc, argv);
    return a;
}

TEST(WidgetText, ConvertsAtTheBoundary) {
    app();
    EXPECT_EQ(fromWin(W("Звонить №5")), QString::fromUtf8("Звонить №5"));
    EXPECT_EQ(toWin(QString::fromUtf8("Тише")), W("Тише"));
    EXPECT_EQ(toWin(QString::fromUtf8("日本 ok")), "?? ok");
    EXPECT_EQ(toWin(QString::fromUtf8("a😀b")), "a?b");
}

TEST(EventPump, SleepHandlesEventsWhileItWaits) {
    app();
    QtEventPump pump;
    bool firedDuringWait = false, sleeping = true;
    QTimer::singleShot(20, [&] { firedDuringWait = sleeping; });
    pump.sleep(300);
    sleeping = false;
    EXPECT_TRUE(firedDuringWait);
}

TEST(EventPump, SleepsAtLeastTheTimeAskedFor) {
    app();
    QtEventPump pump;
    long long t0 = pump.nowMs();
    pump.sleep(50);
    EXPECT_GE(pump.nowMs() - t0, 49);
}

TEST(ModalRunner, ReplaceableForTests) {
    app();
    struct Scripted : ModalRunner {
        int shown = 0;
        int showModal(QWidget*) override {
            ++shown;
            return 7;
        }
    } scripted;
    setModalRunner(&scripted);
    QDialog d;
    EXPECT_EQ(modalRunner().showModal(&d), 7);
    EXPECT_EQ(scripted.shown, 1);
    setModalRunner(nullptr);
    QTimer::singleShot(0, &d, &QDialog::accept);
    EXPECT_EQ(modalRunner().showModal(&d), QDialog::Accepted);
}

}  // namespace
