// Storing a message in the phone (the macro !smw): a restore writes back
// what a backup read, with its status, its correspondent and, for a received
// message, its time, a long message as its concatenated parts.
//
//   !smw <status 0-3> "<number>" "<yy/MM/dd,hh:mm:ss+zz or empty>" <text as UCS2 hex>
//
// The text travels as UCS2 hex so that no character of it (a "|", a quote,
// a line break) can end the item early. Received messages (0 unread, 1 read)
// go as SMS-DELIVER PDUs carrying their time, stored ones (2 unsent, 3 sent)
// as SMS-SUBMIT PDUs; every part is one AT+CMGW=<length>,<status>.

#include <ctime>

#include "answers.h"
#include "executor.h"
#include "gsmtext.h"
#include "platform/cp1251.h"
#include "runinternal.h"
#include "smspdu.h"

namespace celltalk {

namespace {

// The phone's time stamp for a received message that came without one.
std::string stampNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%y/%m/%d,%H:%M:%S+00", &tm);
    return buf;
}

}  // namespace

void Executor::storeSms(const std::string& item) {
    auto bad = [&] { return EngineError(td::W("неверный макрос !smw: ") + item, 2); };
    // Fields separated by blanks; the number and the time in double quotes.
    std::string_view rest = item;
    auto field = [&]() -> std::string {
        rest = td::trimView(rest);
        if (rest.empty()) return {};
        size_t from = rest[0] == '"' ? 1 : 0;
        size_t end = rest.find(from ? "\"" : " ", from);
        if (from && end == std::string_view::npos) throw bad();
        std::string v(rest.substr(from, end == std::string_view::npos ? end : end - from));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + from);
        return v;
    };
    const std::string status = field();
    const std::string number = field();
    const std::string time = field();
    const std::string hex = field();
    if (status.size() != 1 || status[0] < '0' || status[0] > '3' || !td::trimView(rest).empty())
        throw bad();
    auto text = gsmcodec::fromUcs2Hex(hex);
    if (!text) throw bad();
    if (!pdu_) {
        command("AT+CMGF=0");
        if (!pdu_) throw EngineError(td::W("телефон не перешёл в режим PDU (AT+CMGF=0)"), 1);
    }
    gsmcodec::Sms sms;
    sms.deliver = status[0] <= '1';
    sms.number = number;
    if (sms.deliver) sms.timestamp = time.empty() ? stampNow() : time;
    for (const auto& p :
         gsmcodec::encodeParts(sms, *text, static_cast<uint8_t>(smsRef_++ & 0xFF))) {
        const std::string cmd = "AT+CMGW=" + std::to_string(p.tpduLength) + "," + status;
        std::string final = sendWithPrompt(cmd, p.hex);
        if (finalResult(final, false) != Final::Ok) {
            refused(cmd + " (!smw " + number + ")", final);
            break;
        }
    }
}

}  // namespace celltalk
