// USSD requests: AT+CUSD. The network's answer comes as a +CUSD line in
// UCS2 hex (data coding scheme 72). "*100#" (the balance) answers with the
// state's balance message and asks a follow-up (mode 1); the reply "1" to it
// gives the details and ends the session (mode 0); any other request ends it
// with a refusal. The answer comes after the OK, unasked, as from a network.

#include "session.h"

namespace phonesim {
namespace {

constexpr int kUcs2Dcs = 72;

Reply answer(int mode, const std::string& utf8) {
    Reply r = ok();
    r.unsolicited.push_back("+CUSD: " + std::to_string(mode) + "," +
                            dq(toCharset(utf8, Charset::Ucs2)) + "," + std::to_string(kUcs2Dcs));
    return r;
}

Reply cusd(Session& s, const Command& c) {
    int& presentation = s.cusd;
    switch (c.kind) {
        case Command::Test:
            return ok({"+CUSD: (0,1,2)"});
        case Command::Read:
            return ok({"+CUSD: " + std::to_string(presentation)});
        case Command::Exec:
            return ok();
        case Command::Set:
            break;
    }
    auto p = params(c);
    if (!p || p->empty() || p->size() > 3) return cme(kCmeBadParams);
    auto n = paramInt((*p)[0]);
    if (!n || *n < 0 || *n > 2) return cme(kCmeBadParams);
    presentation = *n == 2 ? presentation : *n;
    if (p->size() == 1 || *n == 2) return ok();
    auto request = s.in((*p)[1].text);
    if (!request) return cme(kCmeBadText);
    if (s.cfun != 1) return cme(kCmeNoNetwork);
    const std::string balance =
        s.state.ussdBalance.empty() ? "Баланс: 0,00 р." : s.state.ussdBalance;
    if (presentation == 0) return ok();  // sent, but the answer is not to be shown
    if (*request == "*100#") return answer(1, balance + "\n1 - подробнее");
    if (*request == "1") return answer(0, balance + ", тариф \"Простой\"");
    return answer(0, "Неизвестный запрос");
}

}  // namespace

void addUssdCommands(Registry& r) {
    r["+CUSD"] = cusd;
}

}  // namespace phonesim
