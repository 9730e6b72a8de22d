// The phone served on a pseudo-terminal: a host opens the link, talks AT,
// closes and opens again; stopping the server removes the link.

#include "pty.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "state.h"

namespace phonesim {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

int openHost(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return fd;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Writes a command and reads until the answer ends with `until` or time runs out.
std::string exchange(int fd, const std::string& command, const std::string& until,
                     milliseconds limit = milliseconds(3000)) {
    EXPECT_EQ(::write(fd, command.data(), command.size()), static_cast<ssize_t>(command.size()));
    std::string got;
    auto deadline = steady_clock::now() + limit;
    while (steady_clock::now() < deadline) {
        if (got.size() >= until.size() &&
            got.compare(got.size() - until.size(), until.size(), until) == 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            char buf[512];
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) got.append(buf, static_cast<size_t>(n));
        }
    }
    return got;
}

class PtyServing : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("phonesim-pty-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        link = (dir / "ttySIM").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void serve(int baud, Phone* served = nullptr) {
        server = std::make_unique<PtyServer>(served ? *served : phone, link, baud);
        std::string error;
        ASSERT_TRUE(server->open(&error)) << error;
        thread = std::thread([this] { server->run(stop); });
    }
    void shutdown() {
        stop = true;
        if (thread.joinable()) thread.join();
        server.reset();
    }

    fs::path dir;
    std::string link;
    Phone phone;
    std::unique_ptr<PtyServer> server;
    std::atomic<bool> stop{false};
    std::thread thread;
};

TEST_F(PtyServing, AnswersReopensAndCleansUp) {
    serve(0);
    ASSERT_TRUE(fs::is_symlink(link));
    int fd = openHost(link);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(exchange(fd, "AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(exchange(fd, "ATE0;+CGMI\r", "OK\r\n"),
              "ATE0;+CGMI\r\r\n+CGMI: Motorola\r\n\r\nOK\r\n");
    ::close(fd);
    // The host comes back: the line still works and the phone kept its settings.
    fd = openHost(link);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(exchange(fd, "AT+CSQ\r", "OK\r\n"), "\r\n+CSQ: 21,99\r\n\r\nOK\r\n");
    ::close(fd);
    shutdown();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(PtyServing, BaudRatePacesTheOutput) {
    serve(2400);  // 240 bytes a second
    int fd = openHost(link);
    ASSERT_GE(fd, 0);
    exchange(fd, "ATE0\r", "OK\r\n");
    auto start = steady_clock::now();
    // Seven phone book lines, about 300 bytes: well over a second at 2400 baud.
    std::string got = exchange(fd, "AT+CPBR=1,8\r", "OK\r\n", milliseconds(6000));
    auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_NE(got.find("+CPBR: 8,"), std::string::npos);
    double expected = got.size() * 10.0 / 2400 * 1000;
    EXPECT_GE(took, expected * 0.8) << got.size() << " bytes";
    ::close(fd);
    shutdown();
}

// A phone that answers late (quirk late-ms): echo and answer come that long
// after the command's CR; the phone took nothing before.
TEST_F(PtyServing, LatePhoneAnswersAfterItsDelay) {
    const std::string state = (dir / "late.state").string();
    { std::ofstream(state) << "[phone]\nprofile generic\nquirk late-ms 400\n"; }
    Phone late(state);
    serve(0, &late);
    int fd = openHost(link);
    ASSERT_GE(fd, 0);
    auto start = steady_clock::now();
    EXPECT_EQ(exchange(fd, "AT\r", "never", milliseconds(300)), "");  // nothing yet
    EXPECT_EQ(exchange(fd, "", "OK\r\n"), "AT\r\r\nOK\r\n");
    EXPECT_GE(steady_clock::now() - start, milliseconds(400));
    ::close(fd);
    shutdown();
}

// The host goes away in the middle of a long answer at 1200 baud: the phone
// goes on sending at line speed, nothing is dropped, and a host that opens
// the port again receives the rest, at once what was sent meanwhile.
TEST_F(PtyServing, AnswerGoesOnWhileTheHostIsAway) {
    Phone reference;
    reference.input("ATE0\r");
    const std::string whole = reference.input("AT+CPBR=1,8\r");  // about 300 bytes
    serve(1200);                                                 // 120 bytes a second
    int fd = openHost(link);
    ASSERT_GE(fd, 0);
    exchange(fd, "ATE0\r", "OK\r\n");
    std::string got = exchange(fd, "AT+CPBR=1,8\r", "never", milliseconds(700));
    ::close(fd);
    std::this_thread::sleep_for(milliseconds(1000));  // about 120 bytes leave meanwhile
    fd = openHost(link);
    ASSERT_GE(fd, 0);
    const std::string burst = exchange(fd, "", "never", milliseconds(150));
    got += burst + exchange(fd, "", "\r\nOK\r\n", milliseconds(5000));
    ::close(fd);
    shutdown();
    EXPECT_EQ(got, whole);
    EXPECT_GE(burst.size(), 80u);  // sent while the port was closed
}

// The schedule on a made-up clock: however late the writes come, the bytes
// written by a moment are the bytes the line rate allows by then.
TEST(LineSchedule, LateWritesAreMadeUpAndNothingLeavesEarly) {
    using Clock = LineSchedule::Clock;
    struct Case {
        const char* why;
        std::vector<int> writeAtUs;  // moments of the writes, from the answer's start
        size_t waiting;
        size_t writtenAtEnd;
    } cases[] = {
        {"before the first chunk is due", {5000}, 100000, 0},
        {"on time", {10000, 20000, 30000}, 100000, 345},
        {"one late write catches up", {10000, 50000}, 100000, 576},
        {"a second late", {1000050}, 100000, 11520},
        {"a short answer waits for its own bytes only", {500, 1000}, 10, 10},
    };
    for (const auto& c : cases) {
        LineSchedule line(115200);
        const Clock::time_point t0{};
        line.startAnswer(t0);
        size_t written = 0;
        for (int us : c.writeAtUs) {
            size_t n = line.dueBytes(t0 + std::chrono::microseconds(us), c.waiting - written);
            line.wrote(n);
            written += n;
        }
        EXPECT_EQ(written, c.writtenAtEnd) << c.why;
    }
}

// An answer of several megabytes to a host that does not read for a while
// arrives whole and in order.
TEST_F(PtyServing, LongAnswerToASlowReaderArrivesWhole) {
    constexpr int kEntries = 50000;
    State st = seedState();
    PhoneBook& sm = st.books["SM"];
    sm.capacity = kEntries;
    sm.entries.clear();
    for (int i = 1; i <= kEntries; ++i)
        sm.entries[i] = {"+7916" + std::to_string(1000000 + i), 145, "Name " + std::to_string(i)};
    const std::string state = (dir / "big.state").string();
    ASSERT_TRUE(saveStateFile(state, st));
    Phone big(state);
    serve(0, &big);
    int fd = openHost(link);
    ASSERT_GE(fd, 0);
    exchange(fd, "ATE0\r", "OK\r\n");
    const std::string cmd = "AT+CPBR=1," + std::to_string(kEntries) + "\r";
    ASSERT_EQ(::write(fd, cmd.data(), cmd.size()), static_cast<ssize_t>(cmd.size()));
    std::this_thread::sleep_for(milliseconds(700));  // the answer piles up meanwhile
    std::string got = exchange(fd, "", "\r\nOK\r\n", milliseconds(60000));
    ::close(fd);
    shutdown();
    ASSERT_GT(got.size(), size_t{2} << 20);
    int expected = 1;
    size_t at = 0;
    bool inOrder = true;
    while ((at = got.find("+CPBR: ", at)) != std::string::npos) {
        at += 7;
        inOrder = inOrder && std::atoi(got.c_str() + at) == expected;
        ++expected;
    }
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected - 1, kEntries);
    EXPECT_NE(got.find("\"Name 50000\"\r\n\r\nOK\r\n"), std::string::npos)
        << got.substr(got.size() - 80);
}

TEST_F(PtyServing, ControlEventsComeBetweenCommandsAndACallRingsUntilHungUp) {
    const std::string control = (dir / "control").string();
    server = std::make_unique<PtyServer>(phone, link, 0);
    server->control(control, 0.3);
    std::string error;
    ASSERT_TRUE(server->open(&error)) << error;
    thread = std::thread([this] { server->run(stop); });
    int fd = openHost(link);
    ASSERT_GE(fd, 0);
    exchange(fd, "ATE0;+CNMI=2,1;+CLIP=1\r", "OK\r\n");
    // A command half typed: the events wait for its end and its answer.
    ASSERT_EQ(::write(fd, "AT+C", 4), 4);
    // The typed bytes reach the phone first (a pty passes them on a moment later).
    std::this_thread::sleep_for(milliseconds(150));
    std::ofstream(control, std::ios::app) << "sms +79161234567 Привет\ncall +79031112233\n";
    std::this_thread::sleep_for(milliseconds(400));
    const std::string got = exchange(fd, "SQ\r", "\"+79031112233\",145\r\n");
    EXPECT_EQ(got,
              "\r\n+CSQ: 21,99\r\n\r\nOK\r\n\r\n+CMTI: \"SM\",8\r\n"
              "\r\nRING\r\n\r\n+CLIP: \"+79031112233\",145\r\n");
    // It rings again until the caller gives up.
    EXPECT_EQ(exchange(fd, "", "145\r\n"), "\r\nRING\r\n\r\n+CLIP: \"+79031112233\",145\r\n");
    std::ofstream(control, std::ios::app) << "hangup\n";
    EXPECT_EQ(exchange(fd, "", "NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    ::close(fd);
    shutdown();
    EXPECT_EQ(phone.state().books.at("MC").entries.at(1).number, "+79031112233");
    EXPECT_EQ(phone.state().sms.at("SM").messages.at(8).text, "Привет");
}

TEST_F(PtyServing, RefusesToReplaceARealFile) {
    { std::ofstream(link) << "mine"; }
    PtyServer s(phone, link);
    std::string error;
    EXPECT_FALSE(s.open(&error));
    EXPECT_NE(error.find(link), std::string::npos) << error;
    EXPECT_TRUE(fs::is_regular_file(link));
}

}  // namespace
}  // namespace phonesim
