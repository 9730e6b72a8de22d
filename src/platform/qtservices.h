#pragma once
// The Qt versions of the platform services and the conversion of texts at
// the widget boundary.

#include <QString>
#include <functional>
#include <string>

#include "platform/services.h"

class QLocale;
class QWidget;

namespace td {

QString fromWin(const std::string& cp1251);
std::string toWin(const QString& text);  // characters outside the code page become "?"
// The characters of `text` Windows-1251 cannot hold, each once, written
// "U+1F600" (empty when toWin keeps the whole text).
std::string outsideWin(const QString& text);

class QtDialogs : public Dialogs {
  public:
    void message(const std::string& text) override;
    bool confirm(const std::string& text) override;
};

class QtFeedback : public Feedback {
  public:
    void beep() override;
    void setHourglass(bool on) override;

  private:
    bool on_ = false;
};

class QtEventPump : public EventPump {
  public:
    void processEvents() override;
    void sleep(int ms) override;  // nested event loop ended by a timer
    long long nowMs() override;
    void later(int ms, std::function<void()> f) override;  // a single-shot timer
};

// No button of the window is pressed by Enter: none is the default or an
// auto-default one (a dialog makes every button auto-default otherwise).
void noAutoDefault(QWidget* window);

// Shows a window modally (with noAutoDefault). Tests replace it so that a "modal" window runs a
// scripted action and closes instead of blocking.
class ModalRunner {
  public:
    virtual ~ModalRunner() = default;
    virtual int showModal(QWidget* w);
};
ModalRunner& modalRunner();
void setModalRunner(ModalRunner* r);  // nullptr restores the Qt one

// Asks the user for a file to write or to read (the system's file dialog).
// Names are Windows-1251 paths (platform/files.h); "" when the user cancels.
// Tests replace it with scripted answers.
class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // `filter` as Qt writes it: "vCard (*.vcf);;CSV (*.csv)".
    virtual std::string saveName(QWidget* parent, const std::string& title,
                                 const std::string& suggested, const std::string& filter);
    virtual std::string openName(QWidget* parent, const std::string& title,
                                 const std::string& filter);
};
FileChooser& fileChooser();
void setFileChooser(FileChooser* c);  // nullptr restores the Qt one

// Installs the Qt services; the program calls it once at start.
void installQtServices();

// Runs handler(signal) on the window thread when the program gets SIGTERM,
// SIGHUP or SIGINT (killed, its terminal gone, interrupted), instead of
// dying on the spot, and SIGUSR1 (a second copy asks this one to come
// forward). Needs the application object.
void onTerminationSignal(std::function<void(int)> handler);

// Gives the clock the locale's short date and long time formats where they
// are sound, else keeps its own ("dd.MM.yyyy", "HH:mm:ss").
void useLocaleFormats(Clock& clock, const QLocale& locale);

}  // namespace td
