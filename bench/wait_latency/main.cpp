// How long the phone book window takes to handle a click or a repaint while
// a read cycle waits for the engine, measured over one whole wait in a real
// Qt event loop. Two waits run one after the other: the program's own
// (sleeping in a nested event loop) and, for comparison, a blocking wait that
// sleeps a whole poll interval before it lets pending events run.
//
// A helper thread posts a mouse click on a button and a repaint request every
// few milliseconds; the latency is the time from posting to handling. The
// engine is simulated: its run marker exists throughout and no answer comes,
// so the cycle runs its full length. The poll interval is shortened (see
// kInterval) to keep the run short; the latency depends on the interval only
// in the blocking design.

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "app/forms.h"
#include "engine/readcycle.h"
#include "engine/settings.h"
#include "phonebook/GetPBook.h"
#include "phonebook/pbcycle.h"
#include "phonebook/pblist.h"
#include "platform/files.h"
#include "platform/qtservices.h"
#include "verdict.h"
#include "widgets/stringgrid.h"

namespace {

constexpr int kInterval = 400;    // poll interval of the fast pair, ms (the program uses 2000)
constexpr int kCount = 12;        // polls after the first (the program uses 25)
constexpr int kFirstDelay = 500;  // ms (the program uses 2500)
constexpr int kPostEveryMs = 4;

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Silent stand-ins: no message box may block the measurement, no engine starts.
struct SilentDialogs : td::Dialogs {
    void message(const std::string&) override {}
    bool confirm(const std::string&) override { return true; }
};
struct NoEngine : td::ProcessStarter {
    int open(const std::string&, const std::string&, const std::string&, int) override {
        return 42;
    }
};

// The design the program avoids: sleep the whole slice, then run events.
struct BlockingPump : td::EventPump {
    void processEvents() override { QCoreApplication::processEvents(); }
    void sleep(int ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        processEvents();
    }
    long long nowMs() override { return 0; }
    void later(int ms, std::function<void()> f) override {
        QTimer::singleShot(ms, QCoreApplication::instance(), std::move(f));
    }
};

struct Latencies {
    std::mutex m;
    std::vector<Clock::time_point> pendingClicks, pendingPaints;
    std::vector<double> clicks, paints;
};

class PaintProbe : public QObject {
  public:
    explicit PaintProbe(Latencies& l) : l_(l) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            std::lock_guard<std::mutex> g(l_.m);
            for (auto t : l_.pendingPaints) l_.paints.push_back(msSince(t));
            l_.pendingPaints.clear();
        }
        return false;
    }

  private:
    Latencies& l_;
};

struct Figures {
    double max, p99;
    size_t n;
};
Figures figures(std::vector<double> v) {
    if (v.empty()) return {0, 0, 0};
    std::sort(v.begin(), v.end());
    size_t i99 = std::min(v.size() - 1, static_cast<size_t>(v.size() * 0.99));
    return {v.back(), v[i99], v.size()};
}

struct Result {
    Figures clicks, paints;
    double seconds;
};

Result measure(TForm4* window, QPushButton* target) {
    Latencies lat;
    QObject::connect(target, &QPushButton::clicked, target, [&lat] {
        std::lock_guard<std::mutex> g(lat.m);
        if (!lat.pendingClicks.empty()) {
            lat.clicks.push_back(msSince(lat.pendingClicks.front()));
            lat.pendingClicks.erase(lat.pendingClicks.begin());
        }
    });
    QWidget* viewport = window->findChild<StringGrid*>("StringGridMobilePB")->viewport();
    PaintProbe probe(lat);
    viewport->installEventFilter(&probe);

    // The pointing device is made here: the helper thread may not create objects.
    const QPointingDevice* mouse = QPointingDevice::primaryPointingDevice();
    std::atomic<bool> stop{false};
    std::thread poster([&] {
        QPointF at(target->width() / 2.0, target->height() / 2.0);
        bool paintTurn = false;
        while (!stop) {
            {
                std::lock_guard<std::mutex> g(lat.m);
                if (paintTurn)
                    lat.pendingPaints.push_back(Clock::now());
                else
                    lat.pendingClicks.push_back(Clock::now());
            }
            if (paintTurn) {
                QMetaObject::invokeMethod(
                    viewport, [viewport] { viewport->update(); }, Qt::QueuedConnection);
            } else {
                QCoreApplication::postEvent(
                    target, new QMouseEvent(QEvent::MouseButtonPress, at, at, at, Qt::LeftButton,
                                            Qt::LeftButton, Qt::NoModifier, mouse));
                QCoreApplication::postEvent(
                    target, new QMouseEvent(QEvent::MouseButtonRelease, at, at, at, Qt::LeftButton,
                                            Qt::NoButton, Qt::NoModifier, mouse));
            }
            paintTurn = !paintTurn;
            std::this_thread::sleep_for(std::chrono::milliseconds(kPostEveryMs));
        }
    });

    td::ReadFlags flags;
    flags.update = true;
    td::ReadCycleConfig config = td::phoneBookCycleConfig("bench", "", td::phoneBookTexts(), flags);
    config.firstDelayMs = kFirstDelay;
    config.fastInterval = config.slowInterval = kInterval;
    config.fastCount = config.slowCount = kCount;
    td::GridReadView view(window->findChild<StringGrid*>("StringGridMobilePB"),
                          window->findChild<QPushButton*>("bbGetPBook"),
                          window->findChild<QLabel*>("Panel5"));
    td::ReadCycle cycle(config, view);
    auto start = Clock::now();
    cycle.run();
    double seconds = msSince(start) / 1000.0;

    stop = true;
    poster.join();
    QCoreApplication::processEvents();
    viewport->removeEventFilter(&probe);
    QObject::disconnect(target, &QPushButton::clicked, target, nullptr);
    std::lock_guard<std::mutex> g(lat.m);
    return {figures(lat.clicks), figures(lat.paints), seconds};
}

void print(const char* name, const Result& r) {
    std::printf(
        "%-34s %6.1f s  clicks n=%-5zu max %7.2f ms  p99 %7.2f ms   "
        "repaints n=%-5zu max %7.2f ms  p99 %7.2f ms\n",
        name, r.seconds, r.clicks.n, r.clicks.max, r.clicks.p99, r.paints.n, r.paints.max,
        r.paints.p99);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    td::installQtServices();
    SilentDialogs dialogs;
    NoEngine engine;
    td::services().dialogs = &dialogs;
    td::services().starter = &engine;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    td::prog().StartDir = td::files::currentDir();
    td::files::makeDir(td::autoRunPath(""));
    td::files::createEmpty(td::startPath(td::RunMarkerName));  // the engine "runs" throughout

    auto* window = new TForm4;
    td::forms().Form4 = window;
    window->show();
    QCoreApplication::processEvents();
    QPushButton* target =
        window->findChild<QPushButton*>("bbDelete");  // its click only shows a (silent) message

    std::printf(
        "Read cycle wait: first delay %d ms, 5 slices of %d ms, %d polls of %d ms "
        "(shortened from 2500/600/26x2000)\n",
        kFirstDelay, kInterval * 3 / 10, kCount + 1, kInterval);
    Result nested = measure(window, target);
    print("nested event loop (this program)", nested);

    BlockingPump blocking;
    td::EventPump* own = td::services().pump;
    td::services().pump = &blocking;
    Result blocked = measure(window, target);
    td::services().pump = own;
    print("blocking sleep, then events", blocked);

    const double worst = std::max(nested.clicks.max, nested.paints.max);
    bench::verdict("wait_latency: longest click or repaint delay while a read waits",
                   bench::number("%.2f ms", worst), "under 20 ms", worst < 20.0);
    td::forms() = td::Forms{};
    delete window;
    return 0;
}
