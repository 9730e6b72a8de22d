#include "engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "answers.h"
#include "formats/fieldcursor.h"
#include "gsmtext.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/runmarker.h"
#include "ports.h"
#include "smspdu.h"

namespace celltalk {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<bool> g_interrupt{false};

struct Interrupted {};

// The phone did not answer a command in time.
struct NoAnswer : EngineError {
    using EngineError::EngineError;
};

void checkInterrupt() {
    if (g_interrupt.load()) throw Interrupted{};
}

using td::trim;

// A number setting: empty keeps the default; anything else must be a finite
// number from lo to hi (lo itself excluded when openLow).
double number(const td::Setting& key, const std::string& text, double def, double lo, double hi,
              bool openLow = false) {
    std::string t = trim(text);
    if (t.empty()) return def;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(t.c_str(), &end);
    bool ok = end && end != t.c_str() && *end == '\0' && std::isfinite(v) && v <= hi &&
              (openLow ? v > lo : v >= lo);
    if (!ok) {
        char range[64];
        std::snprintf(range, sizeof range, "%s%g%s%g", openLow ? "> " : "", lo, " .. ", hi);
        throw EngineError(td::W("неверное значение ") + std::string(key.key) + "=" + t +
                              td::W(" (нужно число ") + range + ")",
                          2);
    }
    return v;
}

constexpr double kMaxTimeoutSec = 3600;
// How often a command the phone answered "busy" is tried again.
constexpr int kBusyRetries = 3;

std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", s);
    return buf;
}

}  // namespace

void requestInterrupt() {
    g_interrupt.store(true);
}
bool interruptRequested() {
    return g_interrupt.load();
}
void clearInterrupt() {
    g_interrupt.store(false);
}

// ---------------------------------------------------------------- settings

std::string Config::autoRunDir() const {
    return td::files::join(dir, td::AutoRunDir);
}

bool Config::simulated() const {
    return td::upperAscii(trim(comPort)) == "SIM";
}

std::string missingPortMessage(const std::vector<ports::Candidate>& found) {
    std::string text = td::W(
                           "не задан порт телефона: впишите ComPort=<устройство> в секцию "
                           "[Common] файла ") +
                       td::EngineIniName +
                       td::W(
                           " (или celltalk ports --set <устройство>; ComPort=SIM - "
                           "имитатор телефона); ");
    if (found.empty()) return text + td::W("последовательных устройств не найдено");
    text += td::W("найдены устройства:");
    for (size_t k = 0; k < found.size(); ++k)
        text += (k ? ", " : " ") + td::files::fromOsPath(found[k].name);
    return text;
}

Config loadConfig(const std::string& dir) {
    namespace S = td::setting;
    Config cfg;
    cfg.dir = dir;
    const std::string engineIni = td::files::join(dir, td::EngineIniName);
    if (!td::files::exists(engineIni))
        throw EngineError(td::W("не найден файл ") + td::EngineIniName + td::W(" в ") + dir, 2);
    const td::IniFile eng = td::IniFile::loaded(engineIni);
    std::string model = trim(td::readSetting(eng, S::ModelIni));
    if (model.empty()) model = td::EngineIniName;
    cfg.opsIni = td::files::join(dir, model);
    if (!td::files::exists(cfg.opsIni))
        throw EngineError(td::W("не найден файл операций ") + model, 2);
    cfg.ops = std::make_shared<const td::IniFile>(
        cfg.opsIni == engineIni ? eng : td::IniFile::loaded(cfg.opsIni));
    const td::IniFile& ops = *cfg.ops;
    // A satellite program's operations ini may name its own port and line
    // settings in its [Common]; what it leaves out comes from celltalk.ini.
    auto common = [&](const td::Setting& s) {
        return td::readSetting(ops, s, td::readSetting(eng, s));
    };
    cfg.comPort = common(S::ComPort);
    cfg.baud = static_cast<int>(number(S::Baud, common(S::Baud), cfg.baud, 1, 4000000));
    cfg.timeoutSec =
        number(S::Timeout, common(S::Timeout), cfg.timeoutSec, 0, kMaxTimeoutSec, true);
    cfg.commandLimitSec = number(S::CommandLimit, common(S::CommandLimit), cfg.commandLimitSec, 0,
                                 24 * kMaxTimeoutSec, true);
    cfg.simState = common(S::SimState);

    cfg.waitSec = number(S::Wait, td::readSetting(ops, S::Wait), cfg.waitSec, 0, kMaxDelaySec);
    // A file name or prefix left empty keeps its default.
    auto value = [&](const td::Setting& s, std::string& v) {
        std::string text = trim(td::readSetting(ops, s, v));
        if (!text.empty()) v = text;
    };
    value(S::PBFile, cfg.pbFile);
    value(S::SMSFile, cfg.smsFile);
    value(S::MDBFile, cfg.mdbFile);
    value(S::LogFile, cfg.logFile);
    value(S::PrefixPhoneBook, cfg.pbPrefix);
    value(S::PrefixSmsList, cfg.smsPrefix);
    value(S::PrefixMotoSmsList, cfg.motoSmsPrefix);
    value(S::PrefixDateBook, cfg.mdbrPrefix);
    value(S::PrefixAutoDelete, cfg.mdbadPrefix);
    cfg.window = trim(td::readSetting(ops, S::EngineWindow, cfg.window));
    cfg.beep = td::upperAscii(trim(td::readSetting(ops, S::EngineBeep))) == "YES";
    return cfg;
}

std::string lookupOperation(const Config& cfg, const std::string& name) {
    const td::IniFile ops = cfg.ops ? *cfg.ops : td::IniFile(cfg.opsIni);
    if (trim(name).empty()) throw EngineError(td::W("не задано имя операции"), 2);
    if (!ops.keyExists(std::string(td::setting::OperationsSection), name))
        throw EngineError(td::W("операция \"") + name + td::W("\" не найдена в ") +
                              td::files::baseName(cfg.opsIni),
                          2);
    std::string text = ops.readString(std::string(td::setting::OperationsSection), name, "");
    if (trim(text).empty()) throw EngineError(td::W("операция \"") + name + td::W("\" пуста"), 2);
    return text;
}

std::string findNoCase(const std::string& dir, const std::string& name) {
    // Resolve each component of a relative name in turn.
    std::string cur = dir;
    std::string rest = name;
    for (char& c : rest)
        if (c == '\\') c = '/';
    if (rest.starts_with("/")) cur = "/", rest = rest.substr(1);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t slash = rest.find('/', start);
        std::string part =
            rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? rest.size() + 1 : slash + 1;
        if (part.empty() || part == ".") continue;
        std::string exact = td::files::join(cur, part);
        if (td::files::exists(exact) || part == "..") {
            cur = exact;
            continue;
        }
        std::error_code ec;
        std::string found;
        for (const auto& e : fs::directory_iterator(td::files::toOsPath(cur), ec)) {
            std::string n = td::files::fromOsPath(e.path().filename().string());
            if (td::equalsNoCase(n, part)) {
                found = n;
                break;
            }
        }
        if (found.empty()) return {};
        cur = td::files::join(cur, found);
    }
    return cur;
}

std::optional<std::vector<std::string>> readBatchFile(const std::string& path) {
    // Opened without waiting (a FIFO would block until a writer came) and
    // checked on the open descriptor: only a regular file of sane size.
    const int fd = ::open(td::files::toOsPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    if (!S_ISREG(st.st_mode)) throw OpError(td::W("пакетный файл не обычный файл: ") + path);
    if (st.st_size > static_cast<off_t>(kMaxBatchBytes))
        throw OpError(td::W("пакетный файл больше ") + std::to_string(kMaxBatchBytes / 1024) +
                      td::W(" КБ: ") + path);
    std::vector<std::string> lines;
    if (!td::files::readLines(path, lines)) return std::nullopt;
    return lines;
}

BatchLoader folderBatchLoader(const Config& cfg) {
    return [cfg](const std::string& name) -> std::optional<std::vector<std::string>> {
        std::string path = findNoCase(cfg.dir, name);
        if (path.empty()) path = findNoCase(cfg.autoRunDir(), name);
        if (path.empty()) return std::nullopt;
        return readBatchFile(path);
    };
}

std::string argumentText(const std::string& raw) {
    // Strict UTF-8: well-formed sequences, no overlong forms, no surrogates.
    bool wide = false;
    for (size_t i = 0; i < raw.size();) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        wide = true;
        size_t len = c >= 0xC2 && c <= 0xDF   ? 2
                     : c >= 0xE0 && c <= 0xEF ? 3
                     : c >= 0xF0 && c <= 0xF4 ? 4
                                              : 0;
        if (len == 0 || i + len > raw.size()) return raw;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(raw[i + k]) & 0xC0) != 0x80) return raw;
        const unsigned char d = static_cast<unsigned char>(raw[i + 1]);
        if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) ||
            (c == 0xF4 && d > 0x8F))
            return raw;
        i += len;
    }
    return wide ? td::utf8ToCp1251(raw) : raw;
}

// ---------------------------------------------------------------- work files

WorkFile::WorkFile(std::string dir, std::string name)
    : dir_(std::move(dir)), name_(std::move(name)) {}

WorkFile::~WorkFile() {
    if (f_) std::fclose(f_);
}

std::string WorkFile::finalPath() const {
    return td::files::join(dir_, name_);
}
std::string WorkFile::workPath() const {
    return td::files::join(dir_, "$" + name_);
}

void WorkFile::open() {
    if (f_) return;
    f_ = std::fopen(td::files::toOsPath(workPath()).c_str(), "wb");
    if (!f_)
        throw EngineError(td::W("не удаётся создать файл ") + workPath() + ": " +
                          std::strerror(errno));
    created_ = true;
}

void WorkFile::failed(int error) {
    // The work file goes at once: a file that cannot be written completely
    // (a full disk) is no result, and the clean-up must not depend on it.
    if (f_) std::fclose(f_);
    f_ = nullptr;
    td::files::remove(workPath());
    created_ = false;
    throw EngineError(td::W("не удаётся записать файл ") + finalPath() + ": " +
                      std::strerror(error));
}

void WorkFile::line(const std::string& text) {
    open();
    if (std::fwrite(text.data(), 1, text.size(), f_) != text.size() ||
        std::fwrite("\r\n", 1, 2, f_) != 2)
        failed(errno ? errno : EIO);
}

void WorkFile::flush() {
    if (f_ && std::fflush(f_) != 0) failed(errno ? errno : EIO);
}

void WorkFile::commit() {
    if (!f_) return;
    errno = 0;
    bool ok = !std::ferror(f_);
    ok = std::fclose(f_) == 0 && ok;
    f_ = nullptr;
    if (!ok) failed(errno ? errno : EIO);
    if (std::rename(td::files::toOsPath(workPath()).c_str(),
                    td::files::toOsPath(finalPath()).c_str()) != 0)
        failed(errno);
    created_ = false;
    committed_ = true;
}

void WorkFile::discard() {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    if (created_) td::files::remove(workPath());
    created_ = false;
}

void WorkFile::unpublish() {
    discard();
    if (committed_) td::files::remove(finalPath());
    committed_ = false;
}

Outputs::Outputs(const Config& cfg)
    : log(cfg.autoRunDir(), cfg.logFile),
      pb(cfg.autoRunDir(), cfg.pbFile),
      sms(cfg.autoRunDir(), cfg.smsFile),
      mdb(cfg.autoRunDir(), cfg.mdbFile) {}

void Outputs::commitAll() {
    // A reader waits on a result file only while the log exists, so the
    // results are in place before the log appears.
    pb.commit();
    sms.commit();
    mdb.commit();
    log.commit();
}

void Outputs::discardResults() {
    // Also a result file this run had already put in place when a later
    // one failed: a failed run leaves no result of its own.
    pb.unpublish();
    sms.unpublish();
    mdb.unpublish();
}

// ---------------------------------------------------------------- execution

Executor::Executor(Transport& t, Outputs& out, const Config& cfg, const OpArgs& args)
    : t_(t), out_(out), cfg_(cfg), args_(args) {
    smsRef_ = static_cast<unsigned>(Clock::now().time_since_epoch().count()) & 0xFF;
}

static_assert(static_cast<int>(Step::Kind::SendSms) ==
              static_cast<int>(RunObserver::StepKind::SendSms));

void Executor::run(const std::vector<Step>& steps) {
    synchronise();
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        checkInterrupt();
        if (obs_)
            obs_->step(i + 1, steps.size(), static_cast<RunObserver::StepKind>(s.kind),
                       s.kind == Step::Kind::Delay
                           ? seconds(s.seconds < 0 ? cfg_.waitSec : s.seconds)
                           : s.text);
        switch (s.kind) {
            case Step::Kind::Command:
                command(s.text);
                break;
            case Step::Kind::Delay:
                pause(s.seconds < 0 ? cfg_.waitSec : s.seconds);
                break;
            case Step::Kind::SendSms:
                sendSms(s.text);
                break;
        }
        out_.log.flush();
    }
    // Whatever the phone still says after the last answer goes to the log.
    bool urc = false;
    while (t_.canWait() ? false : nextLine(0, urc, "", false).has_value()) {
    }
    if (!refusals_.empty()) {
        std::string reason = refusals_.front();
        if (refusals_.size() > 1)
            reason += td::W(" (и ещё отказов: ") + std::to_string(refusals_.size() - 1) +
                      td::W(", см. журнал)");
        throw EngineError(reason, kExitRefused);
    }
}

void Executor::refused(const std::string& what, const std::string& final) {
    std::string meaning = errorMeaning(final);
    std::string text = td::W("телефон отверг команду ") + what + ": " + trim(final) +
                       (meaning.empty() ? "" : " (" + meaning + ")");
    out_.log.line(td::W("Отказ: ") + text);
    refusals_.push_back(text);
}

void Executor::stale(const std::string& line) {
    // A late answer to a command of an earlier run (or one given up on):
    // logged as such, never taken as an answer.
    out_.log.line("~" + line + td::W("  (запоздалый ответ, не к этой команде)"));
    if (obs_) obs_->received(line, true);
}

bool Executor::drainStale(double quietSec, double limitSec) {
    const auto end = Clock::now() + std::chrono::duration<double>(limitSec);
    bool any = false, urc = false;
    for (;;) {
        auto line = nextLine(quietSec, urc, "", false);
        if (!line) {
            // A line without its end yet counts as well: it is no answer.
            if (t_.canWait() && !buf_.empty() && Clock::now() < end) continue;
            break;
        }
        stale(*line);
        any = true;
        if (Clock::now() >= end) break;
    }
    if (!buf_.empty()) {
        stale(buf_);
        buf_.clear();
        any = true;
    }
    return any;
}

void Executor::synchronise() {
    // A run stopped on a slow line leaves answers on their way; without this
    // they would be taken for the answers of this run, one command behind.
    t_.discardInput();
    const bool waits = t_.canWait();
    drainStale(waits ? 0.15 : 0, waits ? 2.0 : 0);
    const double answerSec = std::min(cfg_.timeoutSec, 1.0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        checkInterrupt();
        // A run stopped at the "> " prompt leaves the phone taking message
        // text, where "AT" is text too: ESC drops that message. A phone in
        // command mode ignores what comes before "AT".
        if (attempt) t_.write("\x1B");
        t_.write("AT\r");
        bool echoed = false, ok = false, urc = false, heard = false;
        const auto end = Clock::now() + std::chrono::duration<double>(answerSec);
        while (!ok) {
            double left = std::chrono::duration<double>(end - Clock::now()).count();
            auto line =
                left > 0 || !waits ? nextLine(std::max(left, 0.001), urc, "", false) : std::nullopt;
            if (!line) break;
            heard = true;
            if (!echoed && td::equalsNoCase(trim(*line), "AT"))
                echoed = true;
            else if (finalResult(*line, false) == Final::Ok)
                ok = true;
            else
                stale(*line);
        }
        heard = heard || !buf_.empty();  // a prompt "> " ends no line
        if (!ok && !heard) break;        // a silent phone: its first command will tell
        if (!ok) continue;
        echo_ = echoed;
        // An OK of an earlier command may have come just before this one's:
        // what follows it is then stale too, and the check is repeated.
        if (!drainStale(waits ? 0.1 : 0, waits ? 1.0 : 0)) return;
    }
    out_.log.line(td::W("~телефон не ответил OK на AT перед первой командой"));
}

void Executor::pause(double sec, bool logged) {
    if (logged) out_.log.line("!dly " + seconds(sec));
    if (!t_.canWait()) return;  // the simulated phone needs no time
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(sec));
    while (Clock::now() < end) {
        checkInterrupt();
        Clock::duration left = end - Clock::now();
        std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(50), left));
    }
}

std::optional<std::string> Executor::nextLine(double timeoutSec, bool& urc,
                                              const std::string& cmdPrefix, bool bodyExpected) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSec);
    size_t scan = 0;
    for (;;) {
        size_t pos;
        while ((pos = buf_.find_first_of("\r\n", scan)) != std::string::npos) {
            size_t skip = pos + 1;
            if (buf_[pos] == '\r' && skip < buf_.size() && buf_[skip] == '\n') ++skip;
            std::string line = buf_.substr(0, pos);
            buf_.erase(0, skip);
            scan = 0;
            if (trim(line).empty()) continue;
            urc = !bodyExpected && takeUnsolicited(line, cmdPrefix);
            if (urc) continue;
            return line;
        }
        scan = buf_.size();
        checkInterrupt();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 && timeoutSec > 0) return std::nullopt;
        std::string data = t_.read(static_cast<int>(std::clamp<long long>(left.count(), 0, 100)));
        if (data.empty() && (!t_.canWait() || timeoutSec <= 0)) return std::nullopt;
        buf_ += data;
        scan = 0;
    }
}

bool Executor::takeUnsolicited(const std::string& line, const std::string& cmdPrefix) {
    if (reportBody_) {
        reportBody_ = false;
    } else if (isUnsolicited(line, cmdPrefix)) {
        reportBody_ = reportHasBodyLine(line);
    } else {
        return false;
    }
    out_.log.line("~" + line);  // logged, never taken as an answer
    if (obs_) obs_->received(line, true);
    return true;
}

void Executor::cancelMessageEntry() {
    // A prompt that comes late would take the next command for the message
    // text; ESC makes the phone drop the message and leave the entry mode.
    try {
        t_.write("\x1B");
    } catch (const TransportError&) {
        // The link is gone: nothing is waiting for the text any more.
    }
}

bool Executor::waitPrompt(const std::string& cmd, std::string& refusal) {
    // The prompt "> " ends no line, so lines are taken here only when they are
    // complete: the prompt may follow the echo, an unsolicited report or a
    // lone line end in a later read, and must still be seen when it comes.
    const std::string prefix = commandPrefix(cmd);
    auto span = [](double sec) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(sec));
    };
    Clock::time_point deadline = Clock::now() + span(cfg_.timeoutSec);
    const Clock::time_point hardEnd =
        Clock::now() + span(std::max(cfg_.commandLimitSec, cfg_.timeoutSec));
    bool echoSeen = false;
    for (;;) {
        size_t first = buf_.find_first_not_of("\r\n");
        buf_.erase(0, first == std::string::npos ? buf_.size() : first);
        if (!buf_.empty() && buf_[0] == '>') {
            buf_.erase(0, buf_.size() > 1 && buf_[1] == ' ' ? 2 : 1);
            return true;
        }
        size_t eol = buf_.find_first_of("\r\n");
        if (eol != std::string::npos) {
            std::string line = buf_.substr(0, eol);
            buf_.erase(0, eol);
            if (trim(line).empty()) continue;
            if (takeUnsolicited(line, prefix)) continue;
            if (!echoSeen && td::equalsNoCase(trim(line), trim(cmd))) {
                echoSeen = true;
                continue;
            }
            out_.log.line(line);
            if (obs_) obs_->received(line, false);
            if (finalResult(line, false) != Final::None) {
                refusal = line;
                return false;
            }
            // A line resets the wait for silence, never the command's limit.
            deadline = std::min(hardEnd, Clock::now() + span(cfg_.timeoutSec));
            continue;
        }
        if (interruptRequested()) {
            cancelMessageEntry();
            throw Interrupted{};
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        std::string data = t_.read(static_cast<int>(std::min<long long>(left.count(), 100)));
        if (data.empty() && !t_.canWait()) break;
        buf_ += data;
    }
    cancelMessageEntry();
    throw EngineError(td::W("нет приглашения \"> \" телефона на команду ") + cmd + " (" +
                      seconds(cfg_.timeoutSec) + td::W(" с)"));
}

Executor::Answer Executor::collect(const std::string& cmd, bool sending) {
    Answer a;
    const std::string prefix = commandPrefix(cmd);
    const bool dial = prefix == "D";
    const std::string up = td::upperAscii(prefix);
    const bool list =
        up == td::upperAscii(cfg_.smsPrefix) || up == td::upperAscii(cfg_.motoSmsPrefix);
    const std::string listHeader = up + ":";
    bool first = true;
    bool bodyExpected = false;
    // With echo on, the phone repeats the command before it answers it: what
    // comes before the repetition belongs to an earlier command.
    bool echoPending = echo_ && !sending;
    const bool identity = !sending && isIdentityQuestion(cmd);
    // A send waits longer: the phone answers once the network has taken the message.
    const double timeout = sending ? std::max(cfg_.timeoutSec, 60.0) : cfg_.timeoutSec;
    // Every line restarts the wait for silence; the whole answer still has
    // its limit, so a phone that talks without end cannot hold the run.
    const double limit = std::max(cfg_.commandLimitSec, timeout);
    const auto hardEnd = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(limit));
    for (;;) {
        bool urc = false;
        const double left = std::chrono::duration<double>(hardEnd - Clock::now()).count();
        std::optional<std::string> line;
        if (left > 0) line = nextLine(std::min(timeout, left), urc, prefix, bodyExpected);
        if (!line && Clock::now() >= hardEnd)
            throw NoAnswer(td::W("телефон не закончил ответ на команду ") + cmd + " (" +
                           seconds(limit) + td::W(" с, CommandLimit)"));
        if (!line)
            throw NoAnswer(td::W("нет ответа телефона на команду ") + cmd + " (" +
                           seconds(timeout) + td::W(" с)"));
        const bool echo = td::equalsNoCase(trim(*line), trim(cmd));
        if (echoPending) {
            if (echo)
                echoPending = first = false;
            else
                stale(*line);
            continue;
        }
        if (first && !sending && echo) {
            first = false;  // the phone's echo of the command
            continue;
        }
        first = false;
        if (sending && !sendingBody_.empty() && trim(*line) == sendingBody_) {
            sendingBody_.clear();  // the phone's echo of the text: logged once, as sent
            continue;
        }
        if (!bodyExpected && !answerFits(cmd, *line)) {
            stale(*line);
            continue;
        }
        if (obs_) obs_->received(*line, false);
        Final f = bodyExpected ? Final::None : finalResult(*line, dial);
        if (f != Final::None) {
            if (identity && !a.lines.empty()) {
                a.lines = {labelIdentityAnswer(cmd, a.lines)};
                if (!quiet_) out_.log.line(a.lines.front());
            }
            a.final = *line;
            if (!quiet_) out_.log.line(*line);
            return a;
        }
        if (identity) {
            a.lines.push_back(*line);  // labelled and logged whole with the final word
            continue;
        }
        std::string logged = labelIdentityAnswer(cmd, *line);
        if (!quiet_) out_.log.line(logged);
        a.lines.push_back(logged);
        bodyExpected = list && !bodyExpected && td::upperAscii(trim(*line)).starts_with(listHeader);
    }
}

void Executor::noteSettings(const std::string& cmd, const Answer& a) {
    const std::string prefix = commandPrefix(cmd);
    if (prefix == "+CSMP" && cmd.find('=') != std::string::npos &&
        finalResult(a.final, false) == Final::Ok) {
        // The data coding of text-mode sends: UCS2 wants the text as hex.
        auto f = td::rawFields(cmd.substr(cmd.find('=') + 1), true);
        if (f.size() >= 4) ucs2Text_ = (std::atoi(unquote(f[3]).c_str()) & 0xEC) == 0x08;
        return;
    }
    if (prefix == "E" && finalResult(a.final, false) == Final::Ok) {
        echo_ = td::upperAscii(trim(cmd)).ends_with("E1");
        return;
    }
    if (prefix == "Z" || (prefix == "&" && td::upperAscii(cmd).find("&F") != std::string::npos)) {
        // A reset puts the phone back in its default character set, which
        // the engine then asks before it reads texts again; whether it
        // repeats commands is not known any more.
        if (finalResult(a.final, false) == Final::Ok) charsetKnown_ = ucs2_ = gsm_ = echo_ = false;
        return;
    }
    if (prefix != "+CSCS" && prefix != "+CMGF") return;
    std::string value;
    size_t eq = cmd.find('=');
    if (eq != std::string::npos && cmd.find('?') == std::string::npos) {
        if (finalResult(a.final, false) != Final::Ok) return;
        value = unquote(cmd.substr(eq + 1));
    } else {
        for (const auto& l : a.lines)
            if (td::upperAscii(trim(l)).starts_with(prefix + ":"))
                value = unquote(td::rawFields(trim(l).substr(prefix.size() + 1), true)[0]);
        if (value.empty()) return;
    }
    value = td::upperAscii(trim(value));
    if (prefix == "+CSCS" && eq != std::string::npos && cmd.find('?') == std::string::npos)
        charsetCmd_ = trim(cmd);
    if (prefix == "+CSCS") {
        ucs2_ = value == "UCS2";
        gsm_ = value == "GSM";
        charsetKnown_ = true;
    } else {
        pdu_ = value == "0";
    }
}

bool Executor::routed(const std::string& cmd) const {
    const std::string p = commandPrefix(cmd);
    for (const std::string* cfgPrefix : {&cfg_.pbPrefix, &cfg_.smsPrefix, &cfg_.motoSmsPrefix,
                                         &cfg_.mdbrPrefix, &cfg_.mdbadPrefix})
        if (p == td::upperAscii(trim(*cfgPrefix))) return true;
    return false;
}

bool Executor::charsetGoverns(const std::string& cmd) const {
    if (routed(cmd)) return true;
    const std::string p = commandPrefix(cmd);
    static const char* const kTexts[] = {"+CPBR", "+CPBF", "+CPBW", "+CMGL", "+MMGL", "+MDBR",
                                         "+MDBW", "+CMGR", "+CMGW", "+CMGS", "+CNUM"};
    for (const char* t : kTexts)
        if (p == t) return true;
    return false;
}

void Executor::learnCharset() {
    // A phone keeps its character set from an earlier run until it is reset:
    // ask it before the first text is read or written. The question is the
    // engine's own and stays out of the log.
    charsetKnown_ = true;
    quiet_ = true;
    try {
        t_.write("AT+CSCS?\r");
        Answer a = collect("AT+CSCS?", false);
        quiet_ = false;
        noteSettings("AT+CSCS?", a);
    } catch (const NoAnswer&) {
        // No answer: the phone cannot say, and the set stays the default.
        // An answer that comes later must not be taken for the next
        // command's: the line is brought into step again.
        quiet_ = false;
        synchronise();
    }
}

void Executor::route(const std::string& cmd, const Answer& a) {
    const std::string p = commandPrefix(cmd);
    auto is = [&](const std::string& cfgPrefix) { return p == td::upperAscii(trim(cfgPrefix)); };
    WorkFile* file = nullptr;
    if (is(cfg_.pbPrefix)) {
        file = &out_.pb;
        file->line(cmd);
        for (const auto& l : phoneBookLines(a.lines, trim(cfg_.pbPrefix), ucs2_)) file->line(l);
    } else if (is(cfg_.smsPrefix) || is(cfg_.motoSmsPrefix)) {
        file = &out_.sms;
        file->line(cmd);
        std::string prefix = is(cfg_.smsPrefix) ? cfg_.smsPrefix : cfg_.motoSmsPrefix;
        for (const auto& r : buildSmsRecords(a.lines, trim(prefix), ucs2_, gsm_)) file->line(r);
    } else if (is(cfg_.mdbrPrefix) || is(cfg_.mdbadPrefix)) {
        file = &out_.mdb;
        // The date book file names the character set its titles were read
        // in, so that a backup made of it writes them back in the same one.
        if (charsetCmd_ != mdbCharsetCmd_) {
            file->line(charsetCmd_);
            mdbCharsetCmd_ = charsetCmd_;
        }
        file->line(cmd);
        const std::string prefix = trim(is(cfg_.mdbrPrefix) ? cfg_.mdbrPrefix : cfg_.mdbadPrefix);
        for (const auto& l : a.lines) file->line(ucs2_ ? dateBookLine(l, prefix) : l);
    }
    if (file) file->line(a.final);
}

void Executor::command(const std::string& cmd) {
    if (!charsetKnown_ && charsetGoverns(cmd)) learnCharset();
    // The log keeps the command as written; the phone gets its texts in the
    // character set it was told to use, as its answers are read.
    const std::string wire = ucs2_ ? encodeUcs2WriteText(cmd) : cmd;
    out_.log.line(cmd);
    if (obs_) obs_->sent(cmd);
    t_.write(wire + "\r");
    Answer a = collect(wire, false);
    // A busy SIM (still loading its books, say) takes the command a moment
    // later: a few tries, further apart each time, before it counts.
    for (int retry = 0; retry < kBusyRetries && phoneBusy(a.final); ++retry) {
        // 0.5, 1, 2 s, never longer than the wait for an answer.
        const double sec = std::min(0.5 * (1 << retry), cfg_.timeoutSec);
        out_.log.line(td::W("~телефон занят, повтор через ") + seconds(sec) + td::W(" с"));
        if (t_.canWait()) pause(sec, false);
        out_.log.line(cmd);
        if (obs_) obs_->sent(cmd);
        t_.write(wire + "\r");
        a = collect(wire, false);
    }
    noteSettings(cmd, a);
    route(cmd, a);
    // "=?" only asks what a command would take: a probe, which may be refused.
    if (finalResult(a.final, commandPrefix(cmd) == "D") == Final::Error &&
        (mustSucceed(cmd) || (routed(cmd) && !trim(cmd).ends_with("=?"))))
        refused(cmd, a.final);
}

std::string Executor::sendWithPrompt(const std::string& cmd, const std::string& body,
                                     const std::string& shown) {
    out_.log.line(cmd);
    if (obs_) obs_->sent(cmd);
    t_.write(cmd + "\r");
    std::string refusal;
    if (!waitPrompt(cmd, refusal)) return refusal;
    // The log and the window show the text as written when the phone gets
    // it in another form (the GSM alphabet's bytes, "@" a NUL among them).
    out_.log.line(shown.empty() ? body : shown);
    if (obs_) obs_->sent(shown.empty() ? body : shown);
    t_.write(body + "\x1A");
    // With echo on, the phone repeats the text first; it is not the answer
    // even when the text reads "OK".
    const std::string bodyEcho = trim(body);
    sendingBody_ = bodyEcho;
    Answer a;
    for (int echoes = 0; echoes < 3; ++echoes) {
        a = collect(cmd, true);
        bool echoOnly = a.lines.empty() && trim(a.final) == bodyEcho;
        if (!echoOnly) break;
    }
    sendingBody_.clear();
    return a.final;
}

void Executor::sendSms(const std::string& number) {
    const std::string& text = args_.arg2;
    size_t digits = 0;
    for (char c : number) digits += (c >= '0' && c <= '9') || c == '*' || c == '#';
    if (digits > gsmcodec::kMaxAddressDigits)
        throw EngineError(td::W("номер получателя длиннее ") +
                              std::to_string(gsmcodec::kMaxAddressDigits) + td::W(" цифр: ") +
                              number,
                          2);
    if (!pdu_ && !charsetKnown_) learnCharset();
    const std::u32string chars = gsmcodec::cp1251Decode(text);
    // In the GSM set a character of the extension table ({ } [ ] ~ \ ^ | and
    // the euro) takes an escape, 1B, which a phone typing a text-mode message
    // takes as "cancel": such a text goes as a PDU, whose septets carry the
    // escape safely, and the phone is put back in text mode after it.
    bool escapes = false;
    if (!pdu_ && gsm_ && !ucs2Text_)
        for (uint8_t septet : gsmcodec::toGsm7Septets(chars)) escapes = escapes || septet == 0x1B;
    // A text-mode message is one SMS (160 GSM characters, or 70 in UCS2): a
    // longer text goes as the concatenated parts of PDU mode the same way.
    const bool longer =
        gsmcodec::fitsGsm7(chars) ? gsmcodec::toGsm7Septets(chars).size() > 160 : chars.size() > 70;
    if (!pdu_ && !escapes && !longer) {
        std::string body;
        if (ucs2_ || ucs2Text_) {
            body = gsmcodec::cp1251::toUcs2Hex(text);
        } else if (gsm_) {
            // One byte a character of the GSM alphabet ("@" is 00, "$" 02,
            // "_" 11); a character it lacks becomes "?".
            for (uint8_t septet : gsmcodec::toGsm7Septets(chars)) body += static_cast<char>(septet);
        } else {
            for (unsigned char c : text) {
                if (c == 0x1A || c == 0x1B) continue;
                body += c >= 0x80 ? '?' : static_cast<char>(c);
            }
        }
        std::string num = ucs2_ ? gsmcodec::cp1251::toUcs2Hex(number) : number;
        const std::string cmd = "AT+CMGS=\"" + num + "\"";
        std::string final = sendWithPrompt(cmd, body, gsm_ && !ucs2_ && !ucs2Text_ ? text : "");
        if (finalResult(final, false) != Final::Ok) refused(cmd + " (!sms " + number + ")", final);
        return;
    }
    const bool textMode = !pdu_;
    if (textMode) {
        command("AT+CMGF=0");
        if (!pdu_ && escapes)
            throw EngineError(td::W("телефон не перешёл в режим PDU (AT+CMGF=0), а текст в "
                                    "алфавите GSM с символами { } [ ] ~ \\ ^ | € в текстовом "
                                    "режиме не передать"),
                              1);
        if (!pdu_)
            throw EngineError(td::W("телефон не перешёл в режим PDU (AT+CMGF=0), а текст "
                                    "длиннее одного SMS в текстовом режиме не передать"),
                              1);
    }
    auto parts = gsmcodec::encodeSubmit(number, chars, static_cast<uint8_t>(smsRef_++ & 0xFF));
    for (const auto& p : parts) {
        const std::string cmd = "AT+CMGS=" + std::to_string(p.tpduLength);
        std::string final = sendWithPrompt(cmd, p.hex);
        if (finalResult(final, false) != Final::Ok) {
            refused(cmd + " (!sms " + number + ")", final);
            break;
        }
    }
    if (textMode) command("AT+CMGF=1");
}

// ---------------------------------------------------------------- the run

std::unique_ptr<Transport> openTransport(const Config& cfg) {
    if (cfg.simulated()) {
        std::string state = cfg.simState;
        if (!state.empty() && state[0] != '/') state = td::files::join(cfg.dir, state);
        return std::make_unique<SimTransport>(td::files::toOsPath(state));
    }
    return std::make_unique<SerialTransport>(trim(cfg.comPort), cfg.baud);
}

void checkArguments(const RunRequest& req) {
    // A line end inside an argument would end the AT command it is put in
    // and start another one of the caller's making. The text of a message
    // (the second argument) may hold line breaks and tabs: it only ever goes
    // as message text.
    struct Part {
        const std::string& text;
        const char* what;
        bool messageText;
    };
    for (const Part& p :
         {Part{req.operation, "имя операции", false}, Part{req.args.arg1, "аргумент 1", false},
          Part{req.args.arg2, "аргумент 2", true}}) {
        for (unsigned char c : p.text) {
            if (c >= 0x20 && c != 0x7F) continue;
            if (p.messageText && (c == '\r' || c == '\n' || c == '\t')) continue;
            char code[8];
            std::snprintf(code, sizeof code, "%d", c);
            throw EngineError(td::W(p.what) + td::W(" содержит управляющий символ (код ") + code +
                                  td::W("): переводы строк и другие управляющие символы в "
                                        "аргументах не допускаются"),
                              2);
        }
    }
}

int runOperation(const RunRequest& req, const TransportFactory& makeTransport) {
    const std::string marker = td::files::join(req.dir, td::RunMarkerName);
    const std::string errFile = td::files::join(req.dir, td::EngineErrorName);
    td::files::remove(errFile);
    // The marker carries this process's id and its lock, so that a marker
    // left by a killed engine can be told from a running one.
    td::RunMarkerHold hold(marker);
    if (req.observer) req.observer->started(req.operation);

    int code = 0;
    std::string reason;
    std::unique_ptr<Outputs> out;
    try {
        checkArguments(req);
        Config cfg = req.config ? *req.config : loadConfig(req.dir);
        td::files::makeDir(cfg.autoRunDir());
        out = std::make_unique<Outputs>(cfg);
        out->log.open();
        std::string text = lookupOperation(cfg, req.operation);
        std::vector<Step> steps;
        try {
            steps = expandOperation(text, req.args, folderBatchLoader(cfg));
        } catch (const OpError& e) {
            throw EngineError(td::W("операция \"") + req.operation + "\": " + e.what(), 2);
        }
        if (trim(cfg.comPort).empty())
            throw EngineError(missingPortMessage(ports::listCandidates("/dev")), 2);
        std::unique_ptr<Transport> link = makeTransport(cfg);
        Executor ex(*link, *out, cfg, req.args);
        ex.watch(req.observer);
        ex.run(steps);
        out->commitAll();
    } catch (const EngineError& e) {
        code = e.code();
        reason = e.what();
    } catch (const TransportError& e) {
        code = 1;
        reason = e.what();
    } catch (const Interrupted&) {
        code = 3;
        reason = td::W("работа прервана сигналом");
    } catch (const std::exception& e) {
        code = 1;
        reason = e.what();
    }
    if (code != 0) {
        if (out) {
            out->discardResults();
            try {
                out->log.line(td::W("Ошибка: ") + reason);
                out->log.commit();
            } catch (...) {
                out->log.discard();
            }
        }
        // The error file is the one thing a failed run must leave; on a full
        // disk the log makes room for it.
        if (!td::files::writeLines(errFile, {reason}) && out) {
            out->log.unpublish();
            td::files::writeLines(errFile, {reason});
        }
    }
    hold.release();
    if (req.observer) req.observer->finished(code, reason);
    return code;
}

namespace {
std::string stripQuotes(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

// "oper "a b" "c"" given as one parameter text: split at blanks outside quotes.
std::vector<std::string> splitParameterText(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}
}  // namespace

bool parseCommandLine(const std::vector<std::string>& argv, RunRequest& req) {
    std::vector<std::string> a(argv.begin() + (argv.empty() ? 0 : 1), argv.end());
    if (a.size() == 1 && a[0].find(' ') != std::string::npos) a = splitParameterText(a[0]);
    if (a.size() < 2 || a.size() > 4 || !td::equalsNoCase(a[0], "oper")) return false;
    // A terminal gives UTF-8, a front end Windows-1251: both are taken.
    req.operation = argumentText(stripQuotes(a[1]));
    req.args.arg1 = a.size() > 2 ? argumentText(stripQuotes(a[2])) : "";
    req.args.arg2 = a.size() > 3 ? argumentText(stripQuotes(a[3])) : "";
    return !req.operation.empty();
}

}  // namespace celltalk
