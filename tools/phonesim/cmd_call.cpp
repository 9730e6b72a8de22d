// Calls, keypad and loudspeaker: +CKPD, ATD, ATA, ATH, +CHUP, +CLVL, +CPAS,
// +CLCC, +CLIP.

#include <cctype>
#include <cstring>

#include "session.h"

namespace phonesim {
namespace {

constexpr size_t kMaxDial = 40;
constexpr int kLongPress = 10;  // tenths of a second a key must be held to count as long
constexpr int kMaxVolume = 7;

void placeCall(Session& s, const std::string& number) {
    s.call = CallState::Active;
    s.callMobileTerminated = false;
    s.callNumber = number;
    addCall(s.state, "DC", number);
    s.changed();
}

void answerCall(Session& s) {
    s.call = CallState::Active;
    s.callMobileTerminated = true;
    addCall(s.state, "RC", s.callNumber);
    s.changed();
}

// Ends whatever call there is; an incoming one that was never answered is
// listed as missed.
void endCall(Session& s) {
    if (s.call == CallState::Incoming) {
        addCall(s.state, "MC", s.callNumber);
        s.changed();
    }
    s.call = CallState::Idle;
    s.callNumber.clear();
}

void setVolume(Session& s, int v) {
    if (v == s.state.volume) return;
    s.state.volume = v;
    s.changed();
}

bool knownKey(char k) {
    static const std::string keys = "0123456789*#<>^[]cdefilmpqrstuvwxy";
    return keys.find(k) != std::string::npos;
}

// AT+CKPD=<keys>[,<time>[,<pause>]]: keys pressed on the keypad. Digits go
// to the dial buffer ("0" held long gives "+"), "s" places the call (or
// answers a ringing one), "e" ends it (or clears the buffer), "c" clears the
// buffer, "y" deletes its last character, "u"/"d" turn the volume up/down.
Reply ckpd(Session& s, const Command& c) {
    if (c.kind == Command::Test)
        return ok({"+CKPD: (0123456789*#<>^[]CDEFILMPQRSTUVWXY),(0-255),(0-255)"});
    if (c.kind != Command::Set) return error();
    auto p = params(c);
    if (!p || p->empty() || p->size() > 3 || (*p)[0].text.empty()) return cme(kCmeBadParams);
    int time = 0;
    if (p->size() > 1 && !(*p)[1].empty()) {
        auto t = paramInt((*p)[1]);
        if (!t || *t > 255) return cme(kCmeBadParams);
        time = *t;
    }
    std::string keys;
    for (char k : (*p)[0].text) {
        k = static_cast<char>(std::tolower(static_cast<unsigned char>(k)));
        if (!knownKey(k)) return cme(kCmeBadParams);
        keys += k;
    }
    for (char k : keys) {
        if (std::isdigit(static_cast<unsigned char>(k)) || k == '*' || k == '#') {
            if (s.call != CallState::Idle) continue;  // tones during a call
            if (s.dialBuffer.size() >= kMaxDial) continue;
            s.dialBuffer += (k == '0' && time >= kLongPress) ? '+' : k;
            continue;
        }
        switch (k) {
            case 's':
                if (s.call == CallState::Incoming) {
                    answerCall(s);
                } else if (s.call == CallState::Idle && !s.dialBuffer.empty()) {
                    placeCall(s, s.dialBuffer);
                    s.dialBuffer.clear();
                }
                break;
            case 'e':
                if (s.call == CallState::Idle)
                    s.dialBuffer.clear();
                else
                    endCall(s);
                break;
            case 'c':
                s.dialBuffer.clear();
                break;
            case 'y':
                if (!s.dialBuffer.empty()) s.dialBuffer.pop_back();
                break;
            case 'u':
                setVolume(s, std::min(kMaxVolume, s.state.volume + 1));
                break;
            case 'd':
                setVolume(s, std::max(0, s.state.volume - 1));
                break;
            default:
                break;  // menu, arrows, soft keys: nothing to simulate
        }
    }
    return ok();
}

// ATD<number>[;]. A ">SM<n>" / "><n>" form dials a phone book entry.
Reply dial(Session& s, const Command& c) {
    std::string number;
    for (char ch : c.args)
        if (ch != ' ' && ch != ';') number += ch;
    if (!number.empty() && number[0] == '>') {
        std::string rest = number.substr(1), mem = s.pbMemory;
        if (rest.size() > 2 && std::isalpha(static_cast<unsigned char>(rest[0]))) {
            mem = {static_cast<char>(std::toupper(rest[0])),
                   static_cast<char>(std::toupper(rest[1]))};
            rest = rest.substr(2);
        }
        auto index = paramInt(Param{false, rest});
        auto book = s.state.books.find(mem);
        if (!index || book == s.state.books.end() || !book->second.entries.count(*index))
            return cme(kCmeNotFound);
        number = book->second.entries[*index].number;
    } else {
        std::string clean;  // "T", "P", "W" and "," are dialling modifiers
        for (char ch : number)
            if (!std::strchr("TtPpWw,", ch)) clean += ch;
        number = clean;
    }
    if (!validDialString(number)) return cme(kCmeBadDial);
    if (number.size() > kMaxDial) return cme(kCmeDialTooLong);
    if (s.call != CallState::Idle) return cme(kCmeNotAllowed);
    placeCall(s, number);
    return ok();
}

// ATA with no call ringing: the answer's outcome is that no connection was
// made, NO CARRIER, as a dial that finds none.
Reply answer(Session& s, const Command&) {
    if (s.call != CallState::Incoming) return {{}, Reply::NoCarrier, 0, {}};
    answerCall(s);
    return ok();
}

Reply hangUp(Session& s, const Command& c) {
    if (c.kind == Command::Test) return ok();
    endCall(s);
    return ok();
}

Reply clvl(Session& s, const Command& c) {
    switch (c.kind) {
        case Command::Test:
            return ok({"+CLVL: (0-7)"});
        case Command::Read:
            return ok({"+CLVL: " + std::to_string(s.state.volume)});
        case Command::Exec:
            return error();
        case Command::Set:
            break;
    }
    auto p = params(c);
    if (!p || p->size() != 1) return cme(kCmeBadParams);
    auto v = paramInt((*p)[0]);
    if (!v || *v > kMaxVolume) return cme(kCmeBadParams);
    setVolume(s, *v);
    return ok();
}

Reply cpas(Session& s, const Command& c) {
    if (c.kind == Command::Test) return ok({"+CPAS: (0,3,4)"});
    int status = s.call == CallState::Active ? 4 : s.call == CallState::Incoming ? 3 : 0;
    return ok({"+CPAS: " + std::to_string(status)});
}

Reply clcc(Session& s, const Command& c) {
    if (c.kind == Command::Test || s.call == CallState::Idle) return ok();
    bool incoming = s.call == CallState::Incoming;
    std::string dirStat = incoming ? "1,4" : s.callMobileTerminated ? "1,0" : "0,0";
    return ok({"+CLCC: 1," + dirStat + ",0,0," + dq(s.callNumber) + "," +
               std::to_string(numberType(s.callNumber))});
}

Reply clip(Session& s, const Command& c) {
    if (c.kind == Command::Read) return ok({"+CLIP: " + std::to_string(s.clip) + ",1"});
    if (c.kind == Command::Test) return ok({"+CLIP: (0,1)"});
    auto p = params(c);
    if (!p || p->size() != 1 || !paramInt((*p)[0]) || *paramInt((*p)[0]) > 1)
        return cme(kCmeBadParams);
    s.clip = *paramInt((*p)[0]);
    return ok();
}

}  // namespace

void addCallCommands(Registry& r) {
    r["+CKPD"] = ckpd;
    r["D"] = dial;
    r["A"] = answer;
    r["H"] = hangUp;
    r["+CHUP"] = hangUp;
    r["+CLVL"] = clvl;
    r["+CPAS"] = cpas;
    r["+CLCC"] = clcc;
    r["+CLIP"] = clip;
}

}  // namespace phonesim
