#include "platform/desktopnotifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QIcon>
#include <QStyle>
#include <QSystemTrayIcon>
#include <utility>

#include "platform/qtservices.h"

namespace td {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

DesktopNotifier::~DesktopNotifier() {
    delete tray_;
}

void DesktopNotifier::notify(const std::string& title, const std::string& body,
                             std::function<void()> clicked) {
    const QString t = fromWin(title), b = fromWin(body);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        balloon(t, b, std::move(clicked));
        return;
    }
    if (!listening_) {
        bus.connect(kService, kPath, kInterface, "ActionInvoked", this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, "NotificationClosed", this,
                    SLOT(closed(uint, uint)));
        listening_ = true;
    }
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    QStringList actions;
    if (clicked) actions << QStringLiteral("default") << QString::fromUtf8("Открыть");
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tapdeck"));
    m << QStringLiteral("Tapdeck") << uint(0) << QStringLiteral("tapdeck") << t << b << actions
      << hints << int(-1);
    // Asked without waiting: the answer (the notification's id, or that no
    // service is there) comes back through the event loop.
    auto* watch = new QDBusPendingCallWatcher(bus.asyncCall(m), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this,
            [this, t, b, clicked = std::move(clicked)](QDBusPendingCallWatcher* w) mutable {
                w->deleteLater();
                QDBusPendingReply<uint> reply = *w;
                if (reply.isError()) {
                    balloon(t, b, std::move(clicked));
                    return;
                }
                if (clicked) clicks_[reply.value()] = std::move(clicked);
            });
}

void DesktopNotifier::actionInvoked(uint id, const QString& action) {
    auto it = clicks_.find(id);
    if (it == clicks_.end() || action != QLatin1String("default")) return;
    std::function<void()> f = std::move(it->second);
    clicks_.erase(it);
    f();
}

void DesktopNotifier::closed(uint id, uint) {
    clicks_.erase(id);
}

void DesktopNotifier::balloon(const QString& title, const QString& body,
                              std::function<void()> clicked) {
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) return;
    if (!tray_) {
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
        tray_ = new QSystemTrayIcon(icon);
        connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] {
            if (auto f = std::exchange(balloonClick_, {})) f();
        });
        tray_->show();
    }
    balloonClick_ = std::move(clicked);
    tray_->showMessage(title, body, QSystemTrayIcon::Information);
}

}  // namespace td
