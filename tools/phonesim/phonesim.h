#pragma once
// A simulated GSM phone with Motorola extensions. It takes the bytes a host
// sends over the serial line and returns the bytes a phone would answer.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

struct State;
struct Session;

class Phone {
  public:
    // Loads the state file, or seeds a new phone (and writes the file) when
    // it does not exist. An empty path keeps the state in memory only. A file
    // that cannot be read leaves it untouched: the phone then runs on the
    // seed in memory and loadError() says why.
    explicit Phone(std::string stateFile = {});
    ~Phone();
    Phone(const Phone&) = delete;
    Phone& operator=(const Phone&) = delete;

    // Feeds bytes from the host; returns everything the phone sends back
    // (echo when on, answers, result codes, the "> " prompt of a send).
    std::string input(std::string_view bytes);

    // Writes the state file (also done after every command that changes it).
    void save();

    // Events from the network. Each returns what the phone sends on the line
    // unasked: "RING" (and "+CLIP: ..." when enabled) for a call, "+CMTI:
    // ..." for a new message when AT+CNMI asks for it.
    std::string incomingCall(const std::string& number);
    // Status reports on sent messages that are due (state's delivery setting).
    std::string dueReports();
    // The next ring of a call still coming in (empty when none is).
    std::string ringAgain() const;
    // The caller gives up before the call is answered: a missed call.
    std::string callerHangsUp();
    // A message arrives (UTF-8 text); it is stored as "REC UNREAD" and
    // indicated with +CMTI (AT+CNMI mt=1), or given to the host at once with
    // +CMT and not stored (mt=2).
    std::string receiveSms(const std::string& number, const std::string& text);

    // Inspection.
    const State& state() const;
    std::string dialBuffer() const;
    bool inCall() const;
    bool ringing() const;  // a call comes in, not answered yet
    // No command line is partly typed and no message text is being entered:
    // a line sent unasked now comes between two commands.
    bool betweenCommands() const;
    const std::string& loadError() const { return loadError_; }
    // How late the phone answers on a serial line (quirk late-ms), in ms.
    int answerDelayMs() const;

  private:
    std::string executeLine(std::string line);
    std::string entryInput(char c);
    std::string format(const std::vector<std::string>& lines) const;
    std::string formatResult(int result, int code, const std::string& word = {}) const;

    std::unique_ptr<Session> s_;
    std::string line_;
    std::string lastLine_;
    std::string loadError_;
};

}  // namespace phonesim
