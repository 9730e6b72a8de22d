#pragma once
// Desktop notifications: a short news item the desktop shows beside the
// windows. The program installs the desktop's own (desktopnotifier.h);
// tests install recording ones.

#include <functional>
#include <string>

namespace td {

class Notifier {
  public:
    virtual ~Notifier() = default;
    // Title and body are Windows-1251. `clicked`, when set, runs once the
    // user clicks the notification (from the event loop). Where the desktop
    // can show nothing, nothing happens.
    virtual void notify(const std::string& title, const std::string& body,
                        std::function<void()> clicked) = 0;
};

}  // namespace td
