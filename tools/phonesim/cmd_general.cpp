// Identification, line settings and the phone's status: ATE/V/Q/Z, +CMEE,
// +CSCS, +CFUN, +CGMI..., +CBC, +CSQ, network and SIM queries.

#include <cctype>
#include <cstdio>
#include <ctime>

#include "session.h"

namespace phonesim {
namespace {

// A basic command's 0/1 value ("E", "E0", "E1").
std::optional<int> flagValue(const Command& c) {
    if (c.args.empty()) return 0;
    if (c.args == "0" || c.args == "1") return c.args[0] - '0';
    return std::nullopt;
}

Reply echoCmd(Session& s, const Command& c) {
    auto v = flagValue(c);
    if (!v) return error();
    s.echo = *v;
    return ok();
}

Reply verboseCmd(Session& s, const Command& c) {
    auto v = flagValue(c);
    if (!v) return error();
    s.verbose = *v;
    return ok();
}

Reply quietCmd(Session& s, const Command& c) {
    auto v = flagValue(c);
    if (!v) return error();
    s.quiet = *v;
    return ok();
}

Reply resetCmd(Session& s, const Command& c) {
    if (!c.args.empty() && c.args != "0") return error();
    s.resetSettings();
    return ok();
}

// Commands a modem accepts and that change nothing here (&C, &D, &K, &W, L, M,
// X, S registers).
Reply acceptCmd(Session&, const Command& c) {
    if (c.kind == Command::Read) return ok({"000"});
    return ok();
}

Reply infoCmd(Session& s, const Command&) {
    return ok({s.state.manufacturer + " " + s.state.model});
}

// Answers "+NAME: value" to execution; the test form just says OK.
Reply identity(const Command& c, const std::string& prefix, const std::string& value) {
    if (c.kind == Command::Test) return ok();
    if (c.kind != Command::Exec) return error();
    return ok({prefix.empty() ? value : prefix + ": " + value});
}

Reply cgmi(Session& s, const Command& c) {
    return identity(c, "+CGMI", s.state.manufacturer);
}
Reply cgmm(Session& s, const Command& c) {
    return identity(c, "+CGMM", s.state.model);
}
Reply cgmr(Session& s, const Command& c) {
    return identity(c, "+CGMR", s.state.revision);
}
Reply cgsn(Session& s, const Command& c) {
    return identity(c, "+CGSN", s.state.imei);
}
Reply gmi(Session& s, const Command& c) {
    return identity(c, "", s.state.manufacturer);
}
Reply gmm(Session& s, const Command& c) {
    return identity(c, "", s.state.model);
}
Reply gmr(Session& s, const Command& c) {
    return identity(c, "", s.state.revision);
}
Reply gsn(Session& s, const Command& c) {
    return identity(c, "", s.state.imei);
}
Reply cimi(Session& s, const Command& c) {
    return identity(c, "", s.state.imsi);
}

Reply gcap(Session&, const Command& c) {
    return identity(c, "+GCAP", "+CGSM,+DS");
}

Reply cmee(Session& s, const Command& c) {
    if (c.kind == Command::Exec) {
        s.cmee = 0;
        return ok();
    }
    return intSetting(c, s.cmee, {0, 1, 2}, "(0-2)");
}

Reply cfun(Session& s, const Command& c) {
    return intSetting(c, s.cfun, {0, 1, 4}, "(0,1,4)");
}
Reply mode(Session& s, const Command& c) {
    return intSetting(c, s.motoMode, {0, 2}, "(0,2)");
}

Reply cscs(Session& s, const Command& c) {
    switch (c.kind) {
        case Command::Test:
            return ok({"+CSCS: (\"GSM\",\"IRA\",\"UCS2\",\"PCCP437\",\"UTF-8\")"});
        case Command::Read:
            return ok({"+CSCS: " + dq(charsetName(s.charset))});
        case Command::Exec:
            return error();
        case Command::Set:
            break;
    }
    auto p = params(c);
    if (!p || p->size() != 1) return cme(kCmeBadParams);
    auto cs = charsetByName((*p)[0].text);
    if (!cs) return cme(kCmeNotSupported);
    s.charset = *cs;
    return ok();
}

Reply cbc(Session& s, const Command& c) {
    if (c.kind == Command::Test) return ok({"+CBC: (0-3),(0-100)"});
    if (c.kind != Command::Exec) return error();
    return ok({"+CBC: " + std::to_string(s.state.batteryCharging) + "," +
               std::to_string(s.state.batteryLevel)});
}

Reply csq(Session& s, const Command& c) {
    if (c.kind == Command::Test) return ok({"+CSQ: (0-31,99),(0-7,99)"});
    if (c.kind != Command::Exec) return error();
    // With the radio off (+CFUN=0 or 4) there is nothing to measure: 99 is
    // the standard's "not known or not detectable".
    if (s.cfun != 1) return ok({"+CSQ: 99,99"});
    return ok({"+CSQ: " + std::to_string(s.state.rssi) + "," + std::to_string(s.state.ber)});
}

Reply cpin(Session&, const Command& c) {
    if (c.kind == Command::Read) return ok({"+CPIN: READY"});
    if (c.kind == Command::Test) return ok();
    return cme(kCmeNotAllowed);  // no PIN is asked for
}

Reply creg(Session& s, const Command& c) {
    if (c.kind == Command::Read) return ok({"+CREG: " + std::to_string(s.creg) + ",1"});
    return intSetting(c, s.creg, {0, 1, 2}, "(0-2)");
}

Reply cops(Session& s, const Command& c) {
    switch (c.kind) {
        case Command::Read:
            return ok({"+COPS: 0,0," + dq(s.state.operatorName)});
        case Command::Test:
            return ok({"+COPS: (2," + dq(s.state.operatorName) + "," + dq(s.state.operatorName) +
                       ",\"25002\"),,(0-4),(0-2)"});
        case Command::Set: {
            auto p = params(c);
            if (!p || p->empty() || !paramInt((*p)[0])) return cme(kCmeBadParams);
            return ok();  // the phone stays on its one network
        }
        case Command::Exec:
            return ok();
    }
    return error();
}

// The clock follows the computer's: reading gives local time with its
// offset in quarter hours; setting is accepted and forgotten.
Reply cclk(Session&, const Command& c) {
    if (c.kind == Command::Test) return ok();
    if (c.kind == Command::Set) {
        auto p = params(c);
        if (!p || p->size() != 1 || !(*p)[0].quoted || (*p)[0].text.size() < 17)
            return cme(kCmeBadParams);
        return ok();
    }
    if (c.kind != Command::Read) return error();
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%y/%m/%d,%H:%M:%S", &local);
    long quarters = local.tm_gmtoff / 900;
    char zone[24];
    std::snprintf(zone, sizeof zone, "%c%02ld", quarters < 0 ? '-' : '+',
                  quarters < 0 ? -quarters : quarters);
    return ok({"+CCLK: " + dq(std::string(stamp) + zone)});
}

}  // namespace

void addGeneralCommands(Registry& r) {
    r["E"] = echoCmd;
    r["V"] = verboseCmd;
    r["Q"] = quietCmd;
    r["Z"] = resetCmd;
    r["&F"] = resetCmd;
    r["I"] = infoCmd;
    for (const char* name : {"&C", "&D", "&K", "&W", "&S", "L", "M", "X"}) r[name] = acceptCmd;
    for (int i = 0; i <= 12; ++i) r["S" + std::to_string(i)] = acceptCmd;
    r["+CMEE"] = cmee;
    r["+CFUN"] = cfun;
    r["+MODE"] = mode;
    r["+CSCS"] = cscs;
    r["+CGMI"] = cgmi;
    r["+CGMM"] = cgmm;
    r["+CGMR"] = cgmr;
    r["+CGSN"] = cgsn;
    r["+GMI"] = gmi;
    r["+GMM"] = gmm;
    r["+GMR"] = gmr;
    r["+GSN"] = gsn;
    r["+CIMI"] = cimi;
    r["+GCAP"] = gcap;
    r["+CBC"] = cbc;
    r["+CSQ"] = csq;
    r["+CPIN"] = cpin;
    r["+CREG"] = creg;
    r["+COPS"] = cops;
    r["+CCLK"] = cclk;
}

// A setting with a small set of allowed values, read back as "+NAME: v".
Reply intSetting(const Command& c, int& value, std::initializer_list<int> allowed,
                 const std::string& range) {
    switch (c.kind) {
        case Command::Test:
            return ok({c.name + ": " + range});
        case Command::Read:
            return ok({c.name + ": " + std::to_string(value)});
        case Command::Exec:
            return error();
        case Command::Set:
            break;
    }
    auto p = params(c);
    if (!p || p->empty() || p->size() > 1) return cme(kCmeBadParams);
    auto v = paramInt((*p)[0]);
    if (!v) return cme(kCmeBadParams);
    for (int a : allowed)
        if (a == *v) {
            value = *v;
            return ok();
        }
    return cme(kCmeBadParams);
}

}  // namespace phonesim
