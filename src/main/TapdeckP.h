#pragma once
// The main window: dialing and volume, SMS composing, re-sending and the
// buttons that open every other window. Its activation is the point where
// the program (re)reads its settings (TapdeckP.cpp); the engine actions live
// in MainActions.cpp and the controls are built in MainLayout.cpp.

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/readcycle.h"
#include "main/actionoutcome.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Window events; also callable directly (the buttons that open a child
    // window run FormActivate again once it has closed).
    void FormCreate();
    void FormShow();
    void FormActivate();
    bool FormCanResize(int& newWidth, int& newHeight);
    // The closing write-back, once: after it nothing more is written. Also
    // run on SIGTERM, SIGHUP and the end of the desktop session (src/app).
    void FormClose();
    void FormDestroy();

    // Title of the call row.
    void Panel2Click();

    // Dialing and volume. The missed-calls window uses the call and hang-up.
    void ComboBoxAbonentNameSelect(int index);
    void ComboBoxAbonentNameEdited(const QString& text);
    void bbCallClick();
    void bbHangUpClick();
    void bbSoundUpClick();
    void bbSoundDownClick();

    // SMS composing and sending.
    void ComboBoxSmsRecepterSelect(int index);
    void ComboBoxSmsRecepterRusSelect(int index);
    void RecepterKeyPress();  // a character typed into a recipient box
    void sbClearLatPhoneClick();
    void sbClearRusPhoneClick();
    void leLatSMSTextChange();
    void leRusSMSTextChange();
    void cbLatSMSHistorySelect(int index);
    void cbRusSMSHistorySelect(int index);
    void bbASCIISendSMSClick();
    void bbRUSSendSMSClick();
    void ComboBoxSMSTextSelect(int index);
    void bbReSendClick();  // also run by the sent-SMS window's re-send button

    // Navigation.
    void bbHelpClick();
    void bbUssdClick();  // the USSD window (balance)
    void bbSetUpClick();
    void bbPhoneBookClick();
    void bbMissCallClick();
    void bbSentSMSClick();
    void bbUnReadSMSClick();
    void bbAllSMSClick();
    void bbMemDayBookClick();
    void bbPBookModifyClick();

    // Explains to the user, when found is false, that a function's binding
    // is not among the engine's operations (the settings window asks).
    void ButtonMess(bool found, const std::string& caption, const std::string& operation);

    // What ending the program at once means (the one-satellite question);
    // tests replace it.
    std::function<void()> terminateApp;
    bool terminated() const { return terminated_; }
    // The first activation has read the inis (the start is over).
    bool firstActivationDone() const { return firstActivationDone_; }
    // This program's satellite marker file ("" while it has none).
    const std::string& satelliteMarker() const { return satelliteMarker_; }
    // The number the call button dials.
    const std::string& dialNumber() const { return dialNumber_; }
    // An action's engine run is still watched (its outcome not yet told).
    bool actionWatched() const { return pending_ != nullptr; }
    // Calls this number (the missed calls window's call back).
    void callNumber(const std::string& number);

    // Designed outer size; the window system's caption and frame take
    // FrameAllowance pixels of the height.
    static constexpr int DesignWidth = 702;
    static constexpr int DesignHeight = 535;
    static constexpr int FrameAllowance = 24;
    // The outer height as designed: client height plus the frame allowance.
    int designedOuterHeight() const;

    // What the main window needs from the windows around it. Wired once
    // where the windows are created (src/app); a missing window or an unset
    // hook is skipped.
    struct Links {
        // Windows its buttons open modally.
        QPointer<QWidget> help, settings, phoneBook, missCalls, sentSms, unreadSms, allSms,
            dateBook, ussd;
        // The settings window's options.
        std::function<bool()> multiPhoneTicked;
        std::function<bool()> engineWindowTicked;
        std::function<void(bool)> setBeepTick;
        std::function<void(bool)> setEngineWindowTick;
        // The own phone book may no longer read the phone's book (switch PBookRead).
        std::function<void()> phoneBookReadOff;
        // Sets the abort flag of every reading window's reader (the close).
        std::function<void()> abortReads;
        // The SMS windows look names up in the phone book copy afresh.
        std::function<void()> forgetSmsNames;
        // The storage indexes of every part of the stored message at an
        // index, in part order (the SMS lists know which are joined).
        std::function<std::vector<std::string>(const std::string& index)> messageParts;
        // The window's menu: the whole phone into a backup folder, and back.
        std::function<void()> backupPhone, restorePhone;
    };
    Links links;

    // Hand-overs the other windows make; their hooks call these.
    void clearReSendBox();  // every line, their indexes and the edit text
    void addReSendLine(const std::string& line);
    // The storage indexes of the box's lines, in order: choosing line k
    // re-sends indexes[k].
    void setReSendIndexes(const std::vector<std::string>& indexes);
    // The message chosen in the sent list: the box's text, the index the
    // re-send button sends; the button is on from the next activation.
    void setReSendText(const std::string& text, const std::string& index);
    bool reSendReady() const { return reSendReady_; }
    // Re-sends the message stored at this index (the sent window's button).
    void reSend(const std::string& index);
    std::vector<std::string> abonentNames() const;  // the number field's list, in order
    // The own phone book's numbers, index-aligned with abonentNames.
    const std::vector<std::string>& abonentNumbers() const { return phoneNumbers_; }
    // Both recipient boxes show text; an index >= 0 also chooses that entry.
    // The next activation shows this recipient again (a reply).
    void setRecipientText(const std::string& text, int index);
    // The recipient lists of both bands, and their number labels.
    void setRecipients(const std::string& lat, const std::string& rus);
    const std::string& latRecipients() const { return latRecipients_; }
    const std::string& rusRecipients() const { return rusRecipients_; }

  protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void writeBack();  // the settings FormClose writes back
    // Bands.
    QLabel* Panel2 = nullptr;
    QFrame* PanelDirectCall = nullptr;
    QLabel* Panel3 = nullptr;
    QFrame* Panel9 = nullptr;
    QLabel* Panel4 = nullptr;
    QFrame* Panel10 = nullptr;
    QLabel* Panel11 = nullptr;
    QFrame* Panel12 = nullptr;

    // Call row.
    QPushButton* bbHelp = nullptr;
    QPushButton* bbUssd = nullptr;
    QPushButton* bbSetUp = nullptr;
    QComboBox* ComboBoxAbonentName = nullptr;
    QLabel* LabelPhoneNumber = nullptr;
    QPushButton* bbCall = nullptr;
    QPushButton* bbHangUp = nullptr;
    QPushButton* bbSoundUp = nullptr;
    QPushButton* bbSoundDown = nullptr;
    QPushButton* bbPhoneBook = nullptr;
    QPushButton* bbPBookModify = nullptr;
    QPushButton* bbMemDayBook = nullptr;
    QPushButton* bbMissCall = nullptr;
    QPushButton* bbUnReadSMS = nullptr;
    QPushButton* bbAllSMS = nullptr;
    QPushButton* bbTestPhone = nullptr;  // never shown

    // Re-send band.
    QComboBox* ComboBoxSMSText = nullptr;
    QPushButton* bbReSend = nullptr;
    QPushButton* bbSentSMS = nullptr;
    QCheckBox* CheckBoxCycleResent = nullptr;

    // Latin band.
    QComboBox* ComboBoxSmsRecepter = nullptr;
    QToolButton* sbClearLatPhone = nullptr;
    QLabel* lLatSMSPhoneNumber = nullptr;
    QLabel* lLatSMSTextCaption = nullptr;
    QLineEdit* leLatSMSText = nullptr;
    QLabel* lLatSMSLen = nullptr;
    QLabel* lLatSMSMax = nullptr;
    QLabel* lLatSMSParts = nullptr;
    QPushButton* bbASCIISendSMS = nullptr;
    QComboBox* cbLatSMSHistory = nullptr;
    QLabel* lLatHistoryNote = nullptr;
    QCheckBox* CheckBoxCycleSendLat = nullptr;

    // Cyrillic band.
    QComboBox* ComboBoxSmsRecepterRus = nullptr;
    QToolButton* sbClearRusPhone = nullptr;
    QLabel* lRusSMSPhoneNumber = nullptr;
    QLabel* lRusSMSTextCaption = nullptr;
    QLineEdit* leRusSMSText = nullptr;
    QLabel* lRusSMSLen = nullptr;
    QLabel* lRusSMSMax = nullptr;
    QLabel* lRusSMSParts = nullptr;
    QPushButton* bbRUSSendSMS = nullptr;
    QComboBox* cbRusSMSHistory = nullptr;
    QLabel* lRusHistoryNote = nullptr;
    QCheckBox* CheckBoxCycleSendRus = nullptr;

    // One SMS band's controls and values, so both bands share one routine.
    struct SmsBand {
        QComboBox* recipients;
        QLabel* number;
        QLineEdit* text;
        QLabel* length;
        QLabel* limit;  // "==>160"
        QLabel* parts;  // the parts of a longer message
        bool wide;      // UCS2 (the Cyrillic band)
        QPushButton* send;
        QComboBox* history;
        std::string* list;  // latRecipients_ or rusRecipients_
        const std::string* operation;
    };
    SmsBand latBand();
    SmsBand rusBand();
    bool chooseRecipient(const SmsBand& b, int index);  // false: refused (told)
    void addRecipientNumber(const SmsBand& b, const std::string& number);
    // A number typed into the recipient box becomes a recipient; false when
    // the text is no phone number (told to the user).
    bool takeTypedRecipient(const SmsBand& b);
    void clearRecipients(const SmsBand& b);
    void textChanged(const SmsBand& b);
    void textCut(const SmsBand& b);  // the box cut an insertion at its limit
    QLineEdit* cutBox_ = nullptr;    // the box that has just cut one
    void historyChosen(const SmsBand& b, int index);
    void sendSms(const SmsBand& b);
    void volume(const std::string& operation);
    static constexpr int DialNumberPointSize = 11;
    void showDialNumber();  // dialNumber_ on its label

    // Starts one engine operation of an action and returns at once (false
    // when the engine could not be started, told already); the run is then
    // watched from the event loop, and a failure told in a box when it ends
    // (MainOutcome.cpp). One run is watched at a time: a new launch first
    // tells the watched run's end if it is there, else stops watching it.
    struct PendingRun {
        td::EngineRunWatch watch;
        td::mainlogic::Action action{};
        std::string subject;
        QComboBox* history = nullptr;  // a send's history box and its entry
        int entry = 0;
        std::vector<std::string> parts;  // storage indexes a re-send has still to send
        int serial = 0;
    };
    bool runAction(td::mainlogic::Action action, const std::string& operation,
                   const std::vector<std::string>& args, const std::string& subject);
    void watchRun(int serial);
    void endRun(PendingRun& run, const td::EngineRunEnd& end, bool goOn);
    void reSendParts(std::vector<std::string> parts);
    // Puts a sent text at the top of a history box, tagged so that it can be
    // taken out again; the box's own text stays as it was.
    int addHistoryEntry(QComboBox* history, const QString& text);
    void dropHistoryEntry(QComboBox* history, int entry);
    std::unique_ptr<PendingRun> pending_;
    int runs_ = 0, historyEntries_ = 0;

    void buildLayout();  // MainLayout.cpp
    void connectSignals();
    void readOwnIni();
    void readOperIni();
    void applySwitches();
    void applySmsLimits();  // one SMS or several parts (switch LongSms)
    void applyPreset();
    void lockSize();
    void openChild(QWidget* window);

    int abonentChosen_ = -1;                 // list entry chosen in the number field, -1 none
    std::vector<std::string> phoneNumbers_;  // the own book's numbers (a name's may be empty)
    // The own book as last read, kept while its section stays as it was
    // (IniFile::sectionStamp).
    struct BookCopy {
        std::uint64_t stamp = 0;
        QStringList names;
        std::vector<std::string> numbers;
    } book_;
    std::string dialNumber_;
    std::string satelliteMarker_;
    bool firstActivationDone_ = false;
    std::string latRecipients_, rusRecipients_;
    std::vector<std::string> reSendIndexes_;  // of the re-send box's lines, in order
    std::string reSendIndex_;                 // what the re-send button sends
    bool reSendReady_ = false;
    // A reply's recipient, shown again by the next activation.
    struct Preset {
        std::string text;
        int index = -1;  // in the own book, -1 outside it
    };
    std::optional<Preset> preset_;
    bool shownOnce_ = false;
    bool eventActivationDone_ = false;
    bool terminated_ = false;
    bool satelliteAsked_ = false;  // the one-satellite question asked in this run
    bool sizeLocked_ = false;      // the size is fixed after the first activation
    bool takingTyped_ = false;     // a typed recipient is being taken (or refused)
};
