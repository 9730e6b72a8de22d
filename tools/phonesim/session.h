#pragma once
// The inside of the simulated phone shared by the command handlers: the
// stored state and the settings of the serial session (echo, error mode,
// character set, selected memories, the call in progress).

#include <chrono>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "atparse.h"
#include "charset.h"
#include "quirks.h"
#include "state.h"

namespace phonesim {

// What one command answers: information lines and its result.
struct Reply {
    enum Result { Ok, Error, CmeError, CmsError, Prompt, Word, NoCarrier };
    std::vector<std::string> lines;
    Result result = Ok;
    int code = 0;
    std::string word;  // Word: the final line a phone of some kind gives instead
    // Sent unasked after the command line's final result (a network's late
    // answer, such as +CUSD).
    std::vector<std::string> unsolicited = {};
};

inline Reply ok(std::vector<std::string> lines = {}) {
    return {std::move(lines), Reply::Ok, 0, {}};
}
inline Reply error() {
    return {{}, Reply::Error, 0, {}};
}
inline Reply cme(int code) {
    return {{}, Reply::CmeError, code, {}};
}
inline Reply cms(int code) {
    return {{}, Reply::CmsError, code, {}};
}

// Equipment error codes used by the handlers.
enum CmeCode {
    kCmeNotAllowed = 3,
    kCmeNotSupported = 4,
    kCmeMemoryFull = 20,
    kCmeInvalidIndex = 21,
    kCmeNotFound = 22,
    kCmeTextTooLong = 24,
    kCmeBadText = 25,
    kCmeDialTooLong = 26,
    kCmeBadDial = 27,
    kCmeNoNetwork = 30,
    kCmeBadParams = 50,
    kCmeUnknown = 100,
    kCmeBusy = 515,  // vendor code: please wait, initialising or busy
};
// Message service error codes.
enum CmsCode {
    kCmsNotAllowed = 302,
    kCmsNotSupported = 303,
    kCmsBadPdu = 304,
    kCmsBadText = 305,
    kCmsBadIndex = 321,
    kCmsMemoryFull = 322,
    kCmsNoNetwork = 331,
    kCmsUnknown = 500,
};

enum class CallState { Idle, Active, Incoming };

struct Session;
using Handler = Reply (*)(Session&, const Command&);
using Registry = std::map<std::string, Handler>;

// Text of a message being typed after the "> " prompt of AT+CMGS / AT+CMGW.
struct SmsEntry {
    bool send = true;  // CMGS (send and store) or CMGW (store only)
    bool pdu = false;  // PDU mode: hex PDU with the given TPDU length
    int tpduLength = 0;
    std::string number;
    SmsStatus status = SmsStatus::StoUnsent;  // CMGW's status
    std::string body;
};

struct Session {
    State state;
    std::string stateFile;

    bool echo = true;
    bool verbose = true;
    bool quiet = false;
    int cmee = 0;
    Charset charset = Charset::Gsm;
    int cmgf = 0;  // 0 PDU, 1 text
    int csdh = 0;
    int csmp[4] = {17, 167, 0, 0};
    int cnmi[5] = {0, 0, 0, 0, 0};
    std::string pbMemory = "SM";
    std::string smsMem[3] = {"SM", "SM", "SM"};
    int cfun = 1;
    int motoMode = 0;  // AT+MODE
    int clip = 0;
    int creg = 0;
    int datebookLocked = 0;  // AT+MDBL
    int cusd = 0;            // AT+CUSD presentation

    std::string dialBuffer;
    CallState call = CallState::Idle;
    std::string callNumber;
    bool callMobileTerminated = false;  // the active call was answered, not dialled

    std::optional<SmsEntry> entry;

    // Status reports the network owes on sent messages (state's delivery).
    struct OwedReport {
        int reference;
        std::string number;
        bool delivered;
        std::chrono::steady_clock::time_point due;
    };
    std::vector<OwedReport> owedReports;
    // Reports kept in the "SR" memory (AT+CNMI ds=2), announced by +CDSI.
    struct StoredReport {
        int reference;
        std::string number;
        int status;
        std::string time;
        bool read = false;
    };
    std::map<int, StoredReport> storedReports;

    Quirks quirks;         // of the phone's kind (state's profile)
    int busyAnswered = 0;  // list reads refused as busy in this session
    int urcsInLists = 0;   // unsolicited lines put into lists (quirk urc-in-lists)

    // Resets what ATZ / AT&F reset.
    void resetSettings();
    // Writes the state file after a change (no-op without a file).
    void changed();

    // Text in the current character set and back.
    std::string out(std::string_view utf8) const { return toCharset(utf8, charset); }
    std::optional<std::string> in(std::string_view bytes) const {
        return fromCharset(bytes, charset);
    }
    // A phone number as the host wrote it: plain digits, or UCS2 hex of them.
    std::optional<std::string> numberIn(std::string_view text) const;
};

void addGeneralCommands(Registry& r);
void addCallCommands(Registry& r);
void addPhonebookCommands(Registry& r);
void addSmsCommands(Registry& r);
void addDatebookCommands(Registry& r);
void addUssdCommands(Registry& r);

// A message routed straight to the host (+CNMI mt=2): the +CMT line and the
// message in the current mode (its PDU, or its text).
std::vector<std::string> deliverLines(const Session& s, const Sms& m);

// The status reports due by now, as the phone sends them unasked (+CDS after
// AT+CNMI ds=1, in the current mode); empty when none is due.
std::string statusReports(Session& s);

// Ends the "> " entry of a message: the text or PDU typed (without Ctrl-Z).
Reply finishSmsEntry(Session& s, const SmsEntry& entry);

// A list read while the phone is still busy (quirk sim-busy): the error to
// answer, counted; nothing once the phone is ready.
std::optional<Reply> stillBusy(Session& s);
// A list of entries the phone breaks off half-way (quirk break-list): the
// lines of the first entries and ERROR. `perEntry` lines make one entry.
// With quirk urc-in-lists N every N-th entry has an unsolicited line before
// it; of an entry of two lines (a message's header and text) every second
// such line comes between the two.
Reply listReply(Session& s, std::vector<std::string> lines, size_t perEntry);

// Helpers for handlers.
std::optional<std::vector<Param>> params(const Command& c);

// A setting with a small set of allowed values: "=?" lists range, "?" reads
// back "+NAME: v", "=v" sets it; any other value is a bad parameter.
Reply intSetting(const Command& c, int& value, std::initializer_list<int> allowed,
                 const std::string& range);
std::string dq(std::string_view s);
bool validDialString(std::string_view number);

}  // namespace phonesim
