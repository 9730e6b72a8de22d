#include "platform/qtservices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLocale>
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

namespace {

struct FixedTime : td::Clock {
    std::time_t now() override { return t; }
    std::time_t t = 0;
};

// The locales a user may run under: what the clock shows, writes into a
// marker and puts into a file name stays sound in each.
TEST(LocaleFormats, SoundInEveryLocale) {
    app();
    struct Case {
        QLocale locale;
        const char* name;
        bool twelveHour;
    };
    const Case cases[] = {
        {QLocale(QLocale::Russian, QLocale::Russia), "ru_RU", false},
        {QLocale(QLocale::English, QLocale::UnitedStates), "en_US", true},
        {QLocale::c(), "C", false},
        {QLocale(QLocale::German, QLocale::Germany), "de_DE", false},
    };
    for (const Case& c : cases) {
        FixedTime clock;
        std::tm tm{};
        tm.tm_year = 2026 - 1900;
        tm.tm_mon = 11;
        tm.tm_mday = 7;
        tm.tm_hour = 14;
        tm.tm_min = 5;
        tm.tm_sec = 9;
        tm.tm_isdst = -1;
        clock.t = std::mktime(&tm);
        td::useLocaleFormats(clock, c.locale);
        std::string time = clock.longTime(clock.t);
        EXPECT_EQ(time.find("PM") != std::string::npos, c.twelveHour) << c.name << ": " << time;
        EXPECT_NE(time.find("05:09"), std::string::npos) << c.name << ": " << time;
        EXPECT_EQ(clock.markerDate(clock.t), "07.12.2026") << c.name;
        std::string stamp = clock.fileStamp(clock.t);
        EXPECT_EQ(stamp.find_first_of("/:"), std::string::npos) << c.name << ": " << stamp;
        EXPECT_EQ(stamp.rfind("07.12.2026 ", 0), 0u) << c.name << ": " << stamp;
        std::string date = clock.shortDate(clock.t);
        EXPECT_NE(date.find("7"), std::string::npos) << c.name << ": " << date;
        EXPECT_NE(date.find("12"), std::string::npos) << c.name << ": " << date;
    }
}

}  // namespace
