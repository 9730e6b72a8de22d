#include "resident.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <thread>
#include <utility>

#include "engine/settingkeys.h"
#include "events.h"
#include "executor.h"
#include "formats/fieldcursor.h"
#include "formats/sentlog.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/runmarker.h"
#include "runinternal.h"

namespace celltalk::resident {

using td::trim;

namespace {

constexpr uint32_t kMaxRequest = 64 * 1024;
// How long a client may take to send its request once connected.
constexpr int kRequestMs = 2000;

sockaddr_un address(const std::string& name, socklen_t& len) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, name.data(), std::min(name.size(), sizeof a.sun_path));
    len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    return a;
}

int connectTo(const std::string& name) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    socklen_t len = 0;
    sockaddr_un a = address(name, len);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), len) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const std::string& data) {
    for (size_t off = 0; off < data.size();) {
        ssize_t n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

// The request: its length (4 bytes, little-endian), then "oper", the folder,
// the operation and both arguments, each ended by a NUL.
std::string request(const RunRequest& req) {
    std::string body;
    for (const std::string& f :
         {std::string("oper"), req.dir, req.operation, req.args.arg1, req.args.arg2})
        body += f + '\0';
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((body.size() >> (8 * i)) & 0xFF);
    return out + body;
}

// Reads exactly n bytes within the client's time; false when it cannot.
bool readExactly(int fd, char* to, size_t n) {
    const auto end = Clock::now() + std::chrono::milliseconds(kRequestMs);
    while (n > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        ssize_t got = ::read(fd, to, n);
        if (got <= 0) return false;
        to += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

class Server {
  public:
    Server(Config cfg, std::unique_ptr<Transport> link, int listener, std::ostream& err)
        : cfg_(std::move(cfg)),
          link_(std::move(link)),
          listener_(listener),
          err_(err),
          watcher_(cfg_.ringGapSec) {
        td::files::makeDir(cfg_.autoRunDir());
        eventsPath_ = td::files::toOsPath(td::files::join(cfg_.autoRunDir(), td::EventsLogName));
        sentPath_ = td::files::join(cfg_.autoRunDir(), td::SentLogName);
    }
    ~Server() { ::close(listener_); }

    bool start();
    void loop();

  private:
    template <class F>
    bool session(F&& f);
    void listen(int ms);
    void takeLines();
    void takeReports();
    void settle();
    void client(int fd);
    void record(const PhoneEvent& e);
    void readStoredReports();
    // A part's report, told once its message's outcome is known.
    void delivery(const PhoneEvent& part);

    Config cfg_;
    std::unique_ptr<Transport> link_;
    int listener_;
    std::ostream& err_;
    LineState line_;
    EventWatcher watcher_;
    Framer idle_;
    std::string eventsPath_;
    std::string sentPath_;
    DeliveryMatcher matcher_;
};

// Commands of the engine's own, in AutoRun/Resident.log (the last such
// exchange); false when the phone failed them (the line is then brought
// into step again before the next command).
template <class F>
bool Server::session(F&& f) {
    Config c = cfg_;
    c.logFile = td::ResidentLogName;
    Outputs out(c);
    bool done = true;
    try {
        out.log.open();
        Executor ex(*link_, out, c, {});
        ex.resume(&line_);
        ex.begin();
        f(ex);
        ex.end();
    } catch (const Interrupted&) {
        throw;
    } catch (const std::exception& e) {
        line_.inStep = false;
        done = false;
        try {
            out.log.line(td::W("Ошибка: ") + e.what());
        } catch (...) {
        }
    }
    try {
        out.log.commit();
    } catch (...) {
    }
    takeReports();
    return done;
}

bool Server::start() {
    std::string cnmi, said;
    bool clip = false;
    const bool answered = session([&](Executor& ex) {
        auto offer = ex.ask("AT+CNMI=?");
        // A phone that does not answer the question may still take the setting.
        cnmi = offer ? chooseCnmi(*offer) : "2,1,0,1,0";
        said = offer ? td::W("предложено телефоном") : td::W("телефон не ответил на AT+CNMI=?");
        if (!cnmi.empty() && !ex.ask("AT+CNMI=" + cnmi)) cnmi.clear();
        clip = ex.ask("AT+CLIP=1").has_value();
    });
    if (!answered) {
        err_ << td::cp1251ToUtf8(td::W("celltalk serve: телефон не отвечает на порту ") +
                                 cfg_.comPort + td::W(" (см. AutoRun/") + td::ResidentLogName + ")")
             << std::endl;
        return false;
    }
    err_ << td::cp1251ToUtf8(
                td::W("celltalk serve: порт ") + cfg_.comPort + td::W(" занят до остановки; ") +
                (cnmi.empty() ? td::W("извещения о сообщениях телефон не принял")
                              : "AT+CNMI=" + cnmi + " (" + said + ")") +
                "; " + (clip ? td::W("номер звонящего: AT+CLIP=1") : td::W("AT+CLIP=1 отвергнута")))
         << std::endl;
    return true;
}

void Server::loop() {
    while (!interruptRequested()) {
        // A client and the phone are waited for together; the wait ends at
        // least every 100 ms to see whether a ringing stopped.
        pollfd p[2] = {{listener_, POLLIN, 0}, {link_->pollFd(), POLLIN, 0}};
        ::poll(p, 2, 100);
        if (p[1].revents & ~POLLHUP)
            listen(0);
        else if (p[1].revents)  // no phone on the other end just now (a pty's host away)
            ::poll(p, 1, 100);
        if (p[0].revents & POLLIN) {
            int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) client(fd);
        }
        takeLines();
        settle();
    }
}

void Server::listen(int ms) {
    line_.carry += link_->read(ms);
    takeLines();
}

void Server::takeLines() {
    // Between runs no command waits for an answer: every line is a report,
    // or stale (then the next run brings the line into step first). A run
    // may leave complete lines it read past its last answer.
    const auto now = EventWatcher::Clock::now();
    size_t pos;
    while ((pos = line_.carry.find_first_of("\r\n")) != std::string::npos) {
        std::string l = line_.carry.substr(0, pos);
        line_.carry.erase(0, pos + 1);
        if (trim(l).empty()) continue;
        if (idle_.feed(l, false) != Framer::Take::Report) line_.inStep = false;
        watcher_.line(l, now);
    }
}

void Server::takeReports() {
    const auto now = EventWatcher::Clock::now();
    for (const std::string& l : std::exchange(line_.reports, {})) watcher_.line(l, now);
}

void Server::settle() {
    // A new message is read at once, so that its line holds the text.
    std::vector<std::string> reads = watcher_.takeReads();
    if (!reads.empty())
        session([&](Executor& ex) {
            ex.ask("AT+CMGF?");
            ex.ask("AT+CSCS?");
            for (const std::string& index : reads) {
                auto answer = ex.ask("AT+CMGR=" + index);
                auto e = answer ? messageEvent(*answer, index, ex.ucs2(), ex.gsmCharset())
                                : std::nullopt;
                record(e ? *e : PhoneEvent{"sms", "", index, ""});
            }
        });
    readStoredReports();
    if (watcher_.ringingStopped(EventWatcher::Clock::now())) {
        // Ringing stopped: answered when a call is now in progress.
        bool answered = false;
        session([&](Executor& ex) {
            if (auto a = ex.ask("AT+CPAS"))
                for (const std::string& l : *a)
                    answered = answered || td::upperAscii(l).find("+CPAS: 4") != std::string::npos;
        });
        watcher_.ringEnded(answered);
    }
    for (const PhoneEvent& e : watcher_.takeEvents())
        if (e.kind == "delivered" || e.kind == "not-delivered")
            delivery(e);
        else
            record(e);
}

void Server::readStoredReports() {
    // A phone that stores its status reports (+CDSI) has each read where it
    // lies; the memory it reads from is put back after.
    std::vector<StoredReport> stored = watcher_.takeReportReads();
    if (stored.empty()) return;
    session([&](Executor& ex) {
        std::string readMemory;
        if (auto a = ex.ask("AT+CPMS?"))
            for (const std::string& l : *a) {
                td::FieldCursor c(l);
                if (c.skipPrefix("+CPMS"))
                    if (auto m = c.string()) readMemory = *m;
            }
        ex.ask("AT+CMGF?");
        for (const StoredReport& r : stored) {
            const bool elsewhere =
                !r.memory.empty() && !readMemory.empty() && !td::equalsNoCase(r.memory, readMemory);
            if (elsewhere && !ex.ask("AT+CPMS=\"" + r.memory + "\"")) continue;
            auto answer = ex.ask("AT+CMGR=" + r.index);
            if (elsewhere) ex.ask("AT+CPMS=\"" + readMemory + "\"");
            if (auto e = answer ? storedReportEvent(*answer) : std::nullopt) delivery(*e);
        }
    });
}

void Server::delivery(const PhoneEvent& part) {
    const std::time_t now = std::time(nullptr);
    auto o = matcher_.report(part, td::readSentLog(sentPath_), now);
    if (!o) return;
    if (o->entry && !td::appendSentLog(sentPath_, *o->entry))
        err_ << "celltalk serve: " << sentPath_ << ": " << std::strerror(errno) << std::endl;
    record(o->event);
}

void Server::record(const PhoneEvent& e) {
    // One write a line, appended: readers never see half a line, and a
    // reader may follow the file as it grows.
    const std::string text = eventLine(e, std::time(nullptr)) + "\r\n";
    int fd = ::open(eventsPath_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        err_ << "celltalk serve: " << eventsPath_ << ": " << std::strerror(errno) << std::endl;
    if (fd >= 0) ::close(fd);
}

void Server::client(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    char head[4];
    std::vector<std::string> f;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid() &&
        readExactly(fd, head, 4)) {
        uint32_t size = 0;
        for (int i = 0; i < 4; ++i)
            size |= static_cast<uint32_t>(static_cast<unsigned char>(head[i])) << (8 * i);
        std::string body(size, '\0');
        if (size <= kMaxRequest && readExactly(fd, body.data(), size)) {
            size_t start = 0, nul;
            while ((nul = body.find('\0', start)) != std::string::npos) {
                f.push_back(body.substr(start, nul - start));
                start = nul + 1;
            }
        }
    }
    if (f.size() != 5 || f[0] != "oper") {  // not a client of ours (a second serve asking)
        ::close(fd);
        return;
    }
    RunRequest req;
    req.dir = f[1];
    req.operation = f[2];
    req.args.arg1 = f[3];
    req.args.arg2 = f[4];
    req.line = &line_;
    req.keepMarker = false;
    // A client that is stopped (it closes its end) stops its run.
    int stop[2];
    if (::pipe2(stop, O_CLOEXEC) != 0) {
        ::close(fd);
        return;
    }
    std::atomic<bool> gone{false};
    std::thread watch([&] {
        pollfd p[2] = {{fd, POLLIN | POLLRDHUP, 0}, {stop[0], POLLIN, 0}};
        while (::poll(p, 2, -1) < 0 && errno == EINTR) {
        }
        if (p[0].revents) {
            gone = true;
            requestInterrupt();
        }
    });
    const int code =
        runOperation(req, [&](const Config&) { return std::make_unique<LentTransport>(*link_); });
    (void)!::write(stop[1], "x", 1);
    watch.join();
    ::close(stop[0]);
    ::close(stop[1]);
    if (gone) clearInterrupt();  // the client was stopped, not this engine
    takeReports();
    sendAll(fd, std::to_string(code) + "\n");
    ::close(fd);
}

}  // namespace

std::string socketName(const std::string& port) {
    std::string path = td::files::toOsPath(trim(port));
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    std::string name = std::string(1, '\0') + "celltalk/" + path;
    if (name.size() <= 100) return name;
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : path) h = (h ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return std::string(1, '\0') + "celltalk/#" + hex;
}

std::string chooseCnmi(const std::vector<std::string>& answer) {
    // Preferred values of mode, mt, bm, ds and bfr, best first.
    static const std::vector<int> wanted[5] = {{2, 1, 3}, {1, 2, 3}, {0}, {1, 2, 0}, {0, 1}};
    std::string offer;
    for (const std::string& l : answer)
        if (td::startsWithNoCase(trim(l), "+CNMI:")) offer = trim(l).substr(6);
    std::string out;
    size_t pos = 0;
    for (int field = 0; field < 5; ++field) {
        size_t open = offer.find('(', pos), close = offer.find(')', open);
        if (open == std::string::npos || close == std::string::npos) break;
        std::vector<int> offered;
        for (const std::string& item :
             td::rawFields(offer.substr(open + 1, close - open - 1), false)) {
            const std::string t = trim(item);
            const size_t dash = t.find('-');
            const int lo = std::atoi(t.c_str());
            const int hi = dash == std::string::npos ? lo : std::atoi(t.c_str() + dash + 1);
            if (t.empty() || hi < lo || hi - lo > 16) continue;
            for (int v = lo; v <= hi; ++v) offered.push_back(v);
        }
        pos = close + 1;
        if (offered.empty()) break;
        int chosen = offered.front();
        for (int w : wanted[field])
            if (std::find(offered.begin(), offered.end(), w) != offered.end()) {
                chosen = w;
                break;
            }
        out += (field ? "," : "") + std::to_string(chosen);
    }
    return out;
}

bool handOver(const RunRequest& req, const Config& cfg, int& code) {
    if (cfg.simulated() || trim(cfg.comPort).empty()) return false;
    const int fd = connectTo(socketName(cfg.comPort));
    if (fd < 0) return false;
    // The marker is the client's, as for a run of its own: front ends see
    // nothing different.
    td::RunMarkerHold hold(td::files::join(req.dir, td::RunMarkerName));
    std::string reply;
    bool stopSent = false, ended = false;
    if (sendAll(fd, request(req))) {
        char buf[64];
        while (reply.find('\n') == std::string::npos) {
            if (interruptRequested() && !stopSent) {
                ::shutdown(fd, SHUT_WR);  // the resident engine stops the run
                stopSent = true;
            }
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            reply.append(buf, static_cast<size_t>(n));
        }
        ended = reply.find('\n') != std::string::npos;
    }
    ::close(fd);
    if (ended) {
        code = std::atoi(reply.c_str());
    } else {
        code = 1;
        td::files::writeLines(td::files::join(req.dir, td::EngineErrorName),
                              {td::W("резидентный движок (celltalk serve) прекратил работу, не "
                                     "закончив операцию")});
    }
    hold.release();
    return true;
}

int serve(const std::string& dir, std::ostream& err) {
    Config cfg;
    try {
        cfg = loadConfig(dir);
    } catch (const EngineError& e) {
        err << "celltalk serve: " << td::cp1251ToUtf8(e.what()) << std::endl;
        return e.code();
    }
    if (cfg.simulated() || trim(cfg.comPort).empty()) {
        err << td::cp1251ToUtf8(td::W("celltalk serve: нужен последовательный порт (ComPort), "
                                      "встроенный телефон SIM не обслуживается"))
            << std::endl;
        return 2;
    }
    const std::string name = socketName(cfg.comPort);
    if (int fd = connectTo(name); fd >= 0) {
        ucred cred{};
        socklen_t len = sizeof cred;
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len);
        ::close(fd);
        err << td::cp1251ToUtf8(td::W("celltalk serve: порт ") + cfg.comPort +
                                td::W(" уже обслуживает резидентный движок (pid ") +
                                std::to_string(cred.pid) + ")")
            << std::endl;
        return 1;
    }
    std::unique_ptr<Transport> link;
    try {
        link = openTransport(cfg);
    } catch (const TransportError& e) {
        err << "celltalk serve: " << td::cp1251ToUtf8(e.what()) << std::endl;
        return 1;
    }
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    socklen_t len = 0;
    sockaddr_un a = address(name, len);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
        ::listen(listener, 16) != 0) {
        err << "celltalk serve: socket: " << std::strerror(errno) << std::endl;
        if (listener >= 0) ::close(listener);
        return 1;
    }
    try {
        Server server(cfg, std::move(link), listener, err);
        if (!server.start()) return 1;
        server.loop();
    } catch (const Interrupted&) {
    } catch (const TransportError& e) {  // the port failed (a phone unplugged)
        err << "celltalk serve: " << td::cp1251ToUtf8(e.what()) << std::endl;
        return 1;
    }
    return 0;
}

}  // namespace celltalk::resident
