#include <ctime>
#include <filesystem>

#include "phonesim.h"
#include "platform/cp1251.h"
#include "session.h"

namespace phonesim {
namespace {

constexpr size_t kMaxLine = 2048;
constexpr size_t kMaxEntry = 4096;

const Registry& registry() {
    static const Registry r = [] {
        Registry reg;
        addGeneralCommands(reg);
        addCallCommands(reg);
        addPhonebookCommands(reg);
        addSmsCommands(reg);
        addDatebookCommands(reg);
        addUssdCommands(reg);
        return reg;
    }();
    return r;
}

const char* cmeText(int code) {
    switch (code) {
        case kCmeNotAllowed:
            return "operation not allowed";
        case kCmeNotSupported:
            return "operation not supported";
        case kCmeMemoryFull:
            return "memory full";
        case kCmeInvalidIndex:
            return "invalid index";
        case kCmeNotFound:
            return "not found";
        case kCmeTextTooLong:
            return "text string too long";
        case kCmeBadText:
            return "invalid characters in text string";
        case kCmeDialTooLong:
            return "dial string too long";
        case kCmeBadDial:
            return "invalid characters in dial string";
        case kCmeNoNetwork:
            return "no network service";
        case kCmeBadParams:
            return "incorrect parameters";
        case kCmeBusy:
            return "busy, try again";
        default:
            return "unknown";
    }
}

}  // namespace

Phone::Phone(std::string stateFile) : s_(std::make_unique<Session>()) {
    s_->stateFile = std::move(stateFile);
    if (!s_->stateFile.empty() && std::filesystem::exists(s_->stateFile)) {
        if (auto loaded = loadStateFile(s_->stateFile, &loadError_)) {
            s_->state = std::move(*loaded);
            s_->quirks = quirksOf(s_->state);
            s_->cmee = s_->quirks.cmee;
            return;
        }
        loadError_ = s_->stateFile + ": " + loadError_;
        s_->stateFile.clear();  // never overwrite a file we could not read
        s_->state = seedState();
        return;
    }
    s_->state = seedState();
    s_->changed();
}

Phone::~Phone() = default;

void Phone::save() {
    s_->changed();
}

const State& Phone::state() const {
    return s_->state;
}
std::string Phone::dialBuffer() const {
    return s_->dialBuffer;
}
int Phone::answerDelayMs() const {
    return s_->quirks.lateMs;
}
bool Phone::inCall() const {
    return s_->call == CallState::Active;
}

std::string Phone::format(const std::vector<std::string>& lines) const {
    if (lines.empty()) return {};
    std::string out = s_->verbose ? "\r\n" : "";
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size()) out += "\r\n";
    }
    return out + "\r\n";
}

std::string Phone::formatResult(int result, int code, const std::string& word) const {
    if (s_->quiet) return {};
    std::string text;
    switch (result) {
        case Reply::Ok:
            if (!s_->verbose) return "0\r";
            text = "OK";
            break;
        case Reply::CmeError:
            if (s_->cmee == 1) text = "+CME ERROR: " + std::to_string(code);
            if (s_->cmee == 2) text = std::string("+CME ERROR: ") + cmeText(code);
            break;
        case Reply::CmsError:
            if (s_->cmee != 0) text = "+CMS ERROR: " + std::to_string(code);
            break;
        case Reply::NoCarrier:
            if (!s_->verbose) return "3\r";
            text = "NO CARRIER";
            break;
        default:
            break;
    }
    if (result == Reply::Word) text = word;
    if (text.empty()) {
        if (!s_->verbose) return "4\r";
        text = "ERROR";
    }
    return s_->verbose ? "\r\n" + text + "\r\n" : text + "\r\n";
}

std::string Phone::executeLine(std::string line) {
    size_t start = line.find_first_not_of(" \t\n");
    if (start == std::string::npos) return {};
    line.erase(0, start);
    if (td::startsWithNoCase(line, "A/")) line = lastLine_;
    if (!td::startsWithNoCase(line, "AT")) return {};  // not a command: ignored as noise
    lastLine_ = line;
    auto commands = splitCommandLine(std::string_view(line).substr(2));
    if (!commands) return formatResult(Reply::Error, 0);
    std::string out, later;
    for (const Command& cmd : *commands) {
        auto it = registry().find(cmd.name);
        // A phone without Motorola's extensions does not know them.
        bool motorola =
            cmd.name.rfind("+MDB", 0) == 0 || cmd.name.rfind("+MMG", 0) == 0 || cmd.name == "+MODE";
        if (s_->quirks.noMotorola && motorola) it = registry().end();
        Reply r = it != registry().end()      ? it->second(*s_, cmd)
                  : s_->quirks.notSupportWord ? Reply{{}, Reply::Word, 0, "COMMAND NOT SUPPORT"}
                                              : error();
        out += format(r.lines);
        for (const std::string& u : r.unsolicited) later += "\r\n" + u + "\r\n";
        if (r.result == Reply::Prompt) return out + "\r\n> ";
        if (r.result != Reply::Ok) return out + formatResult(r.result, r.code, r.word) + later;
    }
    return out + formatResult(Reply::Ok, 0) + later;
}

std::string Phone::entryInput(char c) {
    SmsEntry& e = *s_->entry;
    switch (c) {
        case 0x1A: {
            SmsEntry done = std::move(e);
            s_->entry.reset();
            Reply r = finishSmsEntry(*s_, done);
            return format(r.lines) + formatResult(r.result, r.code, r.word);
        }
        case 0x1B:
            s_->entry.reset();
            return formatResult(Reply::Ok, 0);
        case '\r':
            if (e.pdu) return {};
            e.body += '\n';
            return "\r\n> ";
        case '\n':
            return {};
        case 0x08:
        case 0x7F:
            if (!e.body.empty()) e.body.pop_back();
            return s_->echo ? std::string(1, c) : std::string();
        default:
            if (e.body.size() < kMaxEntry) e.body += c;
            return s_->echo ? std::string(1, c) : std::string();
    }
}

std::string Phone::input(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (s_->entry) {
            out += entryInput(c);
            continue;
        }
        switch (c) {
            case '\r':
                if (s_->echo) out += '\r';
                out += executeLine(std::move(line_));
                line_.clear();
                break;
            case '\n':
            case '\0':
                break;
            case 0x08:
            case 0x7F:
                if (!line_.empty()) line_.pop_back();
                if (s_->echo) out += c;
                break;
            case 0x1A:
            case 0x1B:
                line_.clear();
                break;
            default:
                if (line_.size() < kMaxLine) line_ += c;
                if (s_->echo) out += c;
        }
    }
    return out;
}

std::string Phone::incomingCall(const std::string& number) {
    if (s_->call != CallState::Idle) return {};
    s_->call = CallState::Incoming;
    s_->callNumber = number;
    return ringAgain();
}

std::string Phone::ringAgain() const {
    if (s_->call != CallState::Incoming) return {};
    std::string out = s_->verbose ? "\r\nRING\r\n" : "2\r";
    if (s_->clip)
        out += format(
            {"+CLIP: " + dq(s_->callNumber) + "," + std::to_string(numberType(s_->callNumber))});
    return out;
}

std::string Phone::callerHangsUp() {
    if (s_->call != CallState::Incoming) return {};
    addCall(s_->state, "MC", s_->callNumber);
    s_->call = CallState::Idle;
    s_->callNumber.clear();
    s_->changed();
    return s_->verbose ? "\r\nNO CARRIER\r\n" : "3\r";
}

std::string Phone::receiveSms(const std::string& number, const std::string& text) {
    Sms m;
    m.status = SmsStatus::RecUnread;
    m.number = number;
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%y/%m/%d,%H:%M:%S+00", std::gmtime(&now));
    m.time = stamp;
    m.coding = gsmcodec::fitsGsm7(gsmcodec::utf8Decode(text)) ? SmsCoding::Gsm7 : SmsCoding::Ucs2;
    m.text = text;
    // AT+CNMI mt=2: the message goes to the host at once and is not stored.
    if (s_->cnmi[1] == 2) return format(deliverLines(*s_, m));
    const std::string mem = s_->smsMem[2];
    SmsStore& store = s_->state.sms[mem];
    int index = s_->quirks.smsFromZero ? 0 : 1;
    while (store.messages.count(index)) ++index;
    // memory full: the network keeps it
    if (index > store.capacity - (s_->quirks.smsFromZero ? 1 : 0)) return {};
    store.messages[index] = m;
    s_->changed();
    if (s_->cnmi[1] == 0) return {};
    return format({"+CMTI: " + dq(mem) + "," + std::to_string(index)});
}

std::string Phone::dueReports() {
    return statusReports(*s_);
}

bool Phone::ringing() const {
    return s_->call == CallState::Incoming;
}

bool Phone::betweenCommands() const {
    return line_.empty() && !s_->entry;
}

// ---- Session ----

void Session::resetSettings() {
    echo = true;
    verbose = true;
    quiet = false;
    cmee = quirks.cmee;
    charset = Charset::Gsm;
    cmgf = 0;
    csdh = 0;
    for (int i = 0; i < 5; ++i) cnmi[i] = 0;
    pbMemory = "SM";
    for (auto& m : smsMem) m = "SM";
    clip = 0;
    creg = 0;
}

void Session::changed() {
    if (!stateFile.empty()) saveStateFile(stateFile, state);
}

std::optional<std::string> Session::numberIn(std::string_view text) const {
    // In UCS2 some hosts send the number as hex too ("002B0037..."); a plain
    // number is taken as it is.
    if (charset == Charset::Ucs2 && text.size() >= 4 && text.size() % 4 == 0) {
        auto decoded = fromCharset(text, Charset::Ucs2);
        if (decoded && validDialString(*decoded)) return decoded;
    }
    return std::string(text);
}

std::optional<Reply> stillBusy(Session& s) {
    if (s.busyAnswered >= s.quirks.simBusyReads) return std::nullopt;
    ++s.busyAnswered;
    return cme(kCmeBusy);
}

namespace {

// Unsolicited lines a phone sends amid a list, in turn (quirks.cpp names
// the captures).
constexpr const char* kListUrcs[] = {
    "+CMTI: \"SM\",1", "+CREG: 1", "RING", "^RSSI: 3", "^NWTIME: 18/03/09,12:36:21+4,00",
};

std::vector<std::string> withUrcs(Session& s, const std::vector<std::string>& lines,
                                  size_t perEntry) {
    const auto every = static_cast<size_t>(s.quirks.urcInLists);
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t entry = i / perEntry + 1;
        if (entry % every != 0) {
            out.push_back(lines[i]);
            continue;
        }
        // The k-th such entry: before it when k is odd, after its first
        // line when k is even (and it has more than one).
        const size_t k = entry / every;
        const size_t place = perEntry > 1 && k % 2 == 0 ? 1 : 0;
        if (i % perEntry == place) {
            // An empty line, then the line: "\r\n<line>\r\n" amid the list.
            out.push_back("");
            out.push_back(kListUrcs[s.urcsInLists++ % std::size(kListUrcs)]);
        }
        out.push_back(lines[i]);
    }
    return out;
}

}  // namespace

Reply listReply(Session& s, std::vector<std::string> lines, size_t perEntry) {
    const size_t keep = static_cast<size_t>(s.quirks.breakListAfter) * perEntry;
    const bool broken = s.quirks.breakListAfter > 0 && lines.size() > keep;
    if (broken) lines.resize(keep);
    if (s.quirks.urcInLists > 0) lines = withUrcs(s, lines, perEntry);
    if (!broken) return ok(std::move(lines));
    return {std::move(lines), Reply::Error, 0, {}};
}

std::optional<std::vector<Param>> params(const Command& c) {
    return splitParams(c.args);
}

std::string dq(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

bool validDialString(std::string_view number) {
    if (number.empty()) return false;
    for (size_t i = 0; i < number.size(); ++i) {
        char c = number[i];
        bool ok = (c >= '0' && c <= '9') || c == '*' || c == '#' || (c == '+' && i == 0);
        if (!ok) return false;
    }
    return true;
}

}  // namespace phonesim
