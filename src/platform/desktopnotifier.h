#pragma once
// Notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus, with a "default"
// action for the click); where no service answers, through a tray icon's
// balloon; where there is no tray either, silently nothing.

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <string>

#include "platform/notifier.h"

class QSystemTrayIcon;

namespace td {

class DesktopNotifier : public QObject, public Notifier {
    Q_OBJECT
  public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override;
    void notify(const std::string& title, const std::string& body,
                std::function<void()> clicked) override;

  private slots:
    void actionInvoked(uint id, const QString& action);
    void closed(uint id, uint reason);

  private:
    void balloon(const QString& title, const QString& body, std::function<void()> clicked);
    bool listening_ = false;                        // the service's signals connected
    std::map<uint, std::function<void()>> clicks_;  // shown notifications with a click
    QPointer<QSystemTrayIcon> tray_;
    std::function<void()> balloonClick_;  // the last balloon's
};

}  // namespace td
