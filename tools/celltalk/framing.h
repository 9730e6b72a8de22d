#pragma once
// Where a command's answer begins and ends, read line by line by the
// command's grammar (commands.h) rather than by timing: a state machine
// that is told each complete line the phone sends and says what the line is.
//
//   Echo         waiting for the phone's repetition of the command line;
//                what comes before it belongs to an earlier command
//   Answer       the command's answer lines, up to its final word
//   MessageLine  after a message header when the message is one line
//                (a PDU, or a text in UCS2 hex)
//   MessageText  after a message header in text mode: every line up to the
//                next header is text, whatever it reads
//   Done         the final word was seen
//   Idle         no command on the line: every line is a report or stale
//
// Across these, a report the phone sends unasked may carry lines of its own
// (the message of +CMT, the PDU of +CDS, the rest of a +CUSD text in quotes
// that runs over several lines); they are the report's, never an answer's.
// The "> " prompt of a send ends no line: the sender looks for it in the
// raw input and hands the complete lines around it to the framer.

#include <string>
#include <string_view>

#include "answers.h"
#include "commands.h"

namespace celltalk {

struct FrameOptions {
    bool echo =
        false;         // the phone repeats command lines (seen when the line was brought into step)
    bool pdu = false;  // message lists come as PDU lines
    // A message text may run over several lines (text mode with a plain
    // character set); otherwise it is one line of hex.
    bool textLines = false;
    bool afterText = false;  // the answer to a send's text (the command's echo came before)
    std::string sentText;    // the text sent: its repetition is no answer
};

class Framer {
  public:
    enum class State { Idle, Echo, Answer, MessageLine, MessageText, Done };
    enum class Take {
        Echo,        // the phone's repetition of the command (or of the text sent)
        Stale,       // belongs to an earlier command
        Report,      // sent unasked, or a line of such a report
        Line,        // an answer line
        Body,        // a line of a message (its text or its PDU)
        Final,       // the final word: the answer is complete
        MaybeFinal,  // reads like a final word inside a text: the next moments tell
    };

    // A command was sent; its answer is read next.
    void begin(const CommandRow& row, std::string_view commandLine, const FrameOptions& opts);
    // No command is waiting for an answer.
    void idle();
    Take feed(std::string_view line, bool afterBlank);
    // After MaybeFinal: more of the answer followed, so the line was text;
    // or the line stays silent after it, so it was the final word.
    void wasText();
    void wasFinal();

    State state() const { return state_; }
    // False when the answer ended before a message it announced (a header
    // without its PDU) or a PDU's length disagrees with its header's.
    bool whole() const { return whole_; }
    // The command's answer prefix ("+CPBR" for +CPBF).
    const std::string& answerPrefix() const { return name_; }

  private:
    Take inAnswer(std::string_view line);
    Take inMessageLine(std::string_view line);
    Take inMessageText(std::string_view line, bool afterBlank);
    bool header(std::string_view line) const;
    bool reportContinues(std::string_view line);
    bool startReport(std::string_view line, bool strict);
    void checkPduLength(std::string_view pdu);

    CommandRow row_{};
    FrameOptions opts_;
    State state_ = State::Idle;
    std::string command_;   // trimmed command line, as the echo repeats it
    std::string prefix_;    // the command's prefix ("+CSQ"): its own lines are no report
    std::string name_;      // answer prefix
    std::string headerUp_;  // name_ + ":"
    bool first_ = true;     // no line of the answer seen yet
    bool whole_ = true;
    long long pduLength_ = -1;  // the TPDU length the last PDU-mode header gave
    int reportLines_ = 0;       // lines still owed to the last report (-1: until its quote closes)
    int quotedLines_ = 0;       // lines of a quoted report text taken so far
};

// A line of even length holding hex digits only: a PDU or UCS2 text.
bool hexLine(std::string_view line);

}  // namespace celltalk
