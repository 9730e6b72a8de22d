// USSD requests: AT+CUSD. The network's answer comes as a +CUSD line in
// UCS2 hex (data coding scheme 72) or, on some phones, as text (see
// answer()). "*100#" (the balance) answers with the state's balance message
// and asks a follow-up (mode 1); the reply "1" to it gives the details and
// ends the session (mode 0); any other request ends it with a refusal. The
// answer comes after the OK, unasked, as from a network.

#include "session.h"

namespace phonesim {
namespace {

constexpr int kUcs2Dcs = 72;
constexpr int kGsmDcs = 15;

// The network's text as the phone shows it: UCS2 hex (dcs 72), or with
// quirk ussd-text the text in the character set in use (dcs 15), its line
// breaks on the line as CR LF (inside the quotes). Quirk ussd-nul adds a
// NUL and padding inside the quotes.
Reply answer(const Session& s, int mode, const std::string& utf8) {
    std::string text;
    const bool plain = s.quirks.ussdText && s.charset != Charset::Ucs2;
    if (plain) {
        size_t start = 0;
        for (size_t end; (end = utf8.find('\n', start)) != std::string::npos; start = end + 1)
            text += s.out(utf8.substr(start, end - start)) + "\r\n";
        text += s.out(utf8.substr(start));
    } else {
        text = toCharset(utf8, Charset::Ucs2);
    }
    if (s.quirks.ussdNul)
        text += plain ? std::string("\0\xFF\xFF\xFF\xFF", 5) : "0000FFFF60B16260EEEEFFFF";
    Reply r = ok();
    r.unsolicited.push_back("+CUSD: " + std::to_string(mode) + ",\"" + text + "\"," +
                            std::to_string(plain ? kGsmDcs : kUcs2Dcs));
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
    if (*request == "*100#") return answer(s, 1, balance + "\n1 - подробнее");
    if (*request == "1") return answer(s, 0, balance + ", тариф \"Простой\"");
    return answer(s, 0, "Неизвестный запрос");
}

}  // namespace

void addUssdCommands(Registry& r) {
    r["+CUSD"] = cusd;
}

}  // namespace phonesim
