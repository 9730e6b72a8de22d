// Short messages: format and memory settings (+CMGF, +CSDH, +CPMS, +CSCA,
// +CSMP, +CSMS, +CNMI), reading (+CMGL, +CMGR and Motorola's +MMGL, +MMGR
// which leave unread messages unread), sending (+CMGS, +CMSS), writing
// (+CMGW) and deleting (+CMGD).

#include <cctype>
#include <ctime>

#include "pdu.h"
#include "session.h"

namespace phonesim {
namespace {

constexpr int kReadMem = 0, kWriteMem = 1, kReceiveMem = 2;
const char* const kMemories[] = {"SM", "ME"};
const std::string kReportMemory = "SR";
constexpr int kReportCapacity = 20;

SmsStore& memory(Session& s, int which) {
    return s.state.sms[s.smsMem[which]];
}

bool received(SmsStatus st) {
    return st == SmsStatus::RecUnread || st == SmsStatus::RecRead;
}
bool received(const Sms& m) {
    return received(m.status);
}

int dcs(const Sms& m) {
    return m.coding == SmsCoding::Ucs2 ? 8 : 0;
}

// Text-mode <length>: characters of a 7-bit message, octets of a UCS2 one.
int textLength(const Sms& m) {
    auto text = gsmcodec::utf8Decode(m.text);
    if (m.coding == SmsCoding::Ucs2) return static_cast<int>(gsmcodec::toUcs2Hex(text).size() / 2);
    return static_cast<int>(gsmcodec::toGsm7Septets(text).size());
}

// A message's text in text mode: a UCS2-coded one is shown as hex unless the
// host reads UTF-8; a 7-bit one in the current character set.
std::string textBody(const Session& s, const Sms& m) {
    if (m.part.ref >= 0 && s.csdh) {
        // A part of a longer message, with the header shown: its whole user
        // data as hex, the concatenation header first, then the text (UCS2
        // hex, or one hex pair per 7-bit character), the text-mode form of a
        // message with a user data header (no capture in the peers' suites).
        const auto& p = m.part;
        std::vector<uint8_t> udh = p.wide ? std::vector<uint8_t>{0x06,
                                                                 0x08,
                                                                 0x04,
                                                                 static_cast<uint8_t>(p.ref >> 8),
                                                                 static_cast<uint8_t>(p.ref & 0xFF),
                                                                 static_cast<uint8_t>(p.count),
                                                                 static_cast<uint8_t>(p.seq)}
                                          : std::vector<uint8_t>{0x05,
                                                                 0x00,
                                                                 0x03,
                                                                 static_cast<uint8_t>(p.ref),
                                                                 static_cast<uint8_t>(p.count),
                                                                 static_cast<uint8_t>(p.seq)};
        auto text = gsmcodec::utf8Decode(m.text);
        return gsmcodec::toHex(udh) + (m.coding == SmsCoding::Ucs2
                                           ? gsmcodec::toUcs2Hex(text)
                                           : gsmcodec::toHex(gsmcodec::toGsm7Septets(text)));
    }
    if (m.coding == SmsCoding::Ucs2 && s.charset != Charset::Utf8)
        return gsmcodec::toUcs2Hex(gsmcodec::utf8Decode(m.text));
    return s.out(m.text);
}

std::string ts(int v) {
    return std::to_string(v);
}

std::string nowStamp() {
    char buf[32];
    std::time_t now = std::time(nullptr);
    std::strftime(buf, sizeof buf, "%y/%m/%d,%H:%M:%S+00", std::gmtime(&now));
    return buf;
}

int nextReference(Session& s) {
    int mr = s.state.nextMessageRef % 256;
    s.state.nextMessageRef = (mr + 1) % 256;
    return mr;
}

std::optional<int> freeIndex(const Session& s, const SmsStore& store) {
    const int first = s.quirks.smsFromZero ? 0 : 1;
    for (int i = first; i < first + store.capacity; ++i)
        if (!store.messages.count(i)) return i;
    return std::nullopt;
}

// The header and body lines of one message, for +CMGL (index given) or
// +CMGR (index < 0).
std::vector<std::string> messageLines(Session& s, const std::string& prefix, int index,
                                      const Sms& m) {
    std::string head = prefix + ": " + (index >= 0 ? ts(index) + "," : "");
    if (s.cmgf == 0) {
        int length = 0;
        std::string pdu = encodeStored(m, s.state.smsc, &length);
        return {head + ts(static_cast<int>(m.status)) + ",," + ts(length), pdu};
    }
    head += dq(statusText(m.status)) + "," + dq(m.number) + ",";
    bool list = index >= 0;
    std::string type = ts(numberType(m.number));
    std::string sca = dq(s.state.smsc) + "," + ts(numberType(s.state.smsc));
    if (received(m)) {
        head += "," + dq(m.time);
        if (s.csdh && list) head += "," + type + "," + ts(textLength(m));
        if (s.csdh && !list)
            head += "," + type + ",4,0," + ts(dcs(m)) + "," + sca + "," + ts(textLength(m));
    } else if (s.csdh) {
        if (list) head += ",," + type + "," + ts(textLength(m));
        if (!list)
            head += "," + type + ",17,0," + ts(dcs(m)) + ",167," + sca + "," + ts(textLength(m));
    }
    return {head, textBody(s, m)};
}

}  // namespace

std::string statusReports(Session& s) {
    std::vector<std::string> lines;
    const auto now = std::chrono::steady_clock::now();
    auto& owed = s.owedReports;
    for (auto it = owed.begin(); it != owed.end();) {
        if (it->due > now) {
            ++it;
            continue;
        }
        // Routed to the host with AT+CNMI ds=1; stored in "SR" and announced
        // with ds=2; otherwise not shown.
        const int status = it->delivered ? 0 : 0x41;  // received; incompatible destination
        if (s.cnmi[3] == 2) {
            const int index = s.storedReports.empty() ? 1 : s.storedReports.rbegin()->first + 1;
            s.storedReports[index] = {it->reference, it->number, status, nowStamp()};
            lines.push_back("+CDSI: \"SR\"," + ts(index));
        }
        if (s.cnmi[3] == 1 && s.cmgf == 0) {
            int length = 0;
            std::string pdu = encodeStatusReport(s.state.smsc, it->reference, it->number,
                                                 nowStamp(), status, &length);
            lines.insert(lines.end(), {"+CDS: " + ts(length), pdu});
        } else if (s.cnmi[3] == 1) {
            lines.push_back("+CDS: 6," + ts(it->reference) + "," + dq(it->number) + "," +
                            ts(numberType(it->number)) + "," + dq(nowStamp()) + "," +
                            dq(nowStamp()) + "," + ts(status));
        }
        it = owed.erase(it);
    }
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out.empty() ? out : "\r\n" + out;
}

std::vector<std::string> deliverLines(const Session& s, const Sms& m) {
    if (s.cmgf == 0) {
        int length = 0;
        std::string pdu = encodeStored(m, s.state.smsc, &length);
        return {"+CMT: ," + ts(length), pdu};
    }
    return {"+CMT: " + dq(m.number) + ",," + dq(m.time), textBody(s, m)};
}

namespace {

Reply cmgf(Session& s, const Command& c) {
    if (c.kind == Command::Exec) {
        s.cmgf = 0;
        return ok();
    }
    return intSetting(c, s.cmgf, {0, 1}, "(0,1)");
}

Reply csdh(Session& s, const Command& c) {
    if (c.kind == Command::Exec) {
        s.csdh = 0;
        return ok();
    }
    return intSetting(c, s.csdh, {0, 1}, "(0,1)");
}

std::string usage(Session& s, int which) {
    if (s.smsMem[which] == kReportMemory)
        return ts(static_cast<int>(s.storedReports.size())) + "," + ts(kReportCapacity);
    SmsStore& m = memory(s, which);
    return ts(static_cast<int>(m.messages.size())) + "," + ts(m.capacity);
}

Reply cpms(Session& s, const Command& c) {
    if (c.kind == Command::Test)
        return ok({"+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")"});
    if (c.kind == Command::Read) {
        std::string line = "+CPMS: ";
        for (int i = 0; i < 3; ++i) line += (i ? "," : "") + dq(s.smsMem[i]) + "," + usage(s, i);
        return ok({line});
    }
    if (c.kind != Command::Set) return cms(kCmsNotAllowed);
    auto p = params(c);
    if (!p || p->empty() || p->size() > 3) return cms(kCmsNotAllowed);
    std::string chosen[3] = {s.smsMem[0], s.smsMem[1], s.smsMem[2]};
    for (size_t i = 0; i < p->size(); ++i) {
        if ((*p)[i].empty()) continue;
        std::string id;
        for (char ch : (*p)[i].text)
            id += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        // Status reports can only be read and deleted where they lie.
        const bool reports = i == kReadMem && id == kReportMemory;
        if (id != kMemories[0] && id != kMemories[1] && !reports) return cms(kCmsNotSupported);
        chosen[i] = id;
    }
    for (int i = 0; i < 3; ++i) s.smsMem[i] = chosen[i];
    return ok({"+CPMS: " + usage(s, 0) + "," + usage(s, 1) + "," + usage(s, 2)});
}

Reply csca(Session& s, const Command& c) {
    if (c.kind == Command::Read)
        return ok({"+CSCA: " + dq(s.state.smsc) + "," + ts(numberType(s.state.smsc))});
    if (c.kind == Command::Test) return ok();
    if (c.kind != Command::Set) return cms(kCmsNotAllowed);
    auto p = params(c);
    if (!p || p->empty() || p->size() > 2) return cms(kCmsNotAllowed);
    auto number = s.numberIn((*p)[0].text);
    if (!number || !validDialString(*number)) return cms(kCmsNotAllowed);
    s.state.smsc = *number;
    s.changed();
    return ok();
}

Reply csmp(Session& s, const Command& c) {
    if (c.kind == Command::Read)
        return ok({"+CSMP: " + ts(s.csmp[0]) + "," + ts(s.csmp[1]) + "," + ts(s.csmp[2]) + "," +
                   ts(s.csmp[3])});
    if (c.kind == Command::Test) return ok();
    if (c.kind != Command::Set) return cms(kCmsNotAllowed);
    auto p = params(c);
    if (!p || p->size() > 4) return cms(kCmsBadText);
    int values[4] = {s.csmp[0], s.csmp[1], s.csmp[2], s.csmp[3]};
    for (size_t i = 0; i < p->size(); ++i) {
        if ((*p)[i].empty()) continue;
        auto v = paramInt((*p)[i]);
        if (!v || *v > 255) return cms(kCmsBadText);
        values[i] = *v;
    }
    for (int i = 0; i < 4; ++i) s.csmp[i] = values[i];
    return ok();
}

Reply csms(Session&, const Command& c) {
    switch (c.kind) {
        case Command::Test:
            return ok({"+CSMS: (0)"});
        case Command::Read:
            return ok({"+CSMS: 0,1,1,1"});
        case Command::Exec:
            return cms(kCmsNotAllowed);
        case Command::Set:
            break;
    }
    auto p = params(c);
    auto v = p && p->size() == 1 ? paramInt((*p)[0]) : std::nullopt;
    if (!v || *v != 0) return cms(kCmsNotSupported);
    return ok({"+CSMS: 1,1,1"});
}

Reply cnmi(Session& s, const Command& c) {
    static const int maxima[5] = {2, 3, 3, 2, 1};
    switch (c.kind) {
        case Command::Test:
            return ok({s.quirks.storedReports ? "+CNMI: (0-2),(0-3),(0-3),(0,2),(0,1)"
                                              : "+CNMI: (0-2),(0-3),(0-3),(0-2),(0,1)"});
        case Command::Read: {
            std::string line = "+CNMI: ";
            for (int i = 0; i < 5; ++i) line += (i ? "," : "") + ts(s.cnmi[i]);
            return ok({line});
        }
        case Command::Exec:
            return ok();
        case Command::Set:
            break;
    }
    auto p = params(c);
    if (!p || p->empty() || p->size() > 5) return cms(kCmsNotSupported);
    int values[5] = {s.cnmi[0], s.cnmi[1], s.cnmi[2], s.cnmi[3], s.cnmi[4]};
    for (size_t i = 0; i < p->size(); ++i) {
        if ((*p)[i].empty()) continue;
        auto v = paramInt((*p)[i]);
        if (!v || *v > maxima[i] || (i == 3 && *v == 1 && s.quirks.storedReports))
            return cms(kCmsNotSupported);
        values[i] = *v;
    }
    for (int i = 0; i < 5; ++i) s.cnmi[i] = values[i];
    return ok();
}

// Which statuses a list asks for: text mode names one ("ALL" for every
// status), PDU mode numbers them 0-4. nullopt when the parameter is wrong.
std::optional<int> listFilter(Session& s, const Command& c) {
    auto p = params(c);
    if (!p || p->size() > 1) return std::nullopt;
    if (p->empty() || (*p)[0].empty()) return 0;
    if (s.cmgf == 0) {
        auto v = paramInt((*p)[0]);
        if (!v || *v > 4) return std::nullopt;
        return *v;
    }
    std::string want;
    for (char ch : (*p)[0].text)
        want += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (want == "ALL") return 4;
    auto status = statusFromText(want);
    if (!status) return std::nullopt;
    return static_cast<int>(*status);
}

Reply listMessages(Session& s, const Command& c, bool markRead) {
    std::string prefix = markRead ? "+CMGL" : "+MMGL";
    if (c.kind == Command::Test)
        return ok(
            {s.cmgf ? prefix + ": (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")"
                    : prefix + ": (0-4)"});
    if (c.kind == Command::Read) return cms(kCmsNotAllowed);
    auto filter = listFilter(s, c);
    if (!filter) return cms(s.cmgf ? kCmsBadText : kCmsBadPdu);
    if (auto busy = stillBusy(s)) return *busy;
    if (s.smsMem[kReadMem] == kReportMemory) return ok();  // reports are read one by one
    std::vector<std::string> lines;
    bool touched = false;
    for (auto& [index, m] : memory(s, kReadMem).messages) {
        if (*filter != 4 && static_cast<int>(m.status) != *filter) continue;
        for (auto& line : messageLines(s, prefix, index, m)) lines.push_back(line);
        if (markRead && m.status == SmsStatus::RecUnread) {
            m.status = SmsStatus::RecRead;
            touched = true;
        }
    }
    if (touched) s.changed();
    return listReply(s, std::move(lines), 2);
}

// A stored status report: in text mode stat, fo (6), mr, ra, tora, scts,
// dt, st; in PDU mode its SMS-STATUS-REPORT.
Reply readReport(Session& s, int index, bool markRead) {
    auto it = s.storedReports.find(index);
    if (it == s.storedReports.end()) return cms(kCmsBadIndex);
    auto& r = it->second;
    const SmsStatus st = r.read ? SmsStatus::RecRead : SmsStatus::RecUnread;
    const std::string prefix = markRead ? "+CMGR: " : "+MMGR: ";
    if (markRead) r.read = true;
    if (s.cmgf == 0) {
        int length = 0;
        std::string pdu =
            encodeStatusReport(s.state.smsc, r.reference, r.number, r.time, r.status, &length);
        return ok({prefix + ts(static_cast<int>(st)) + ",," + ts(length), pdu});
    }
    return ok({prefix + dq(statusText(st)) + ",6," + ts(r.reference) + "," + dq(r.number) + "," +
               ts(numberType(r.number)) + "," + dq(r.time) + "," + dq(r.time) + "," +
               ts(r.status)});
}

Reply readMessage(Session& s, const Command& c, bool markRead) {
    if (c.kind == Command::Test) return ok();
    if (c.kind != Command::Set) return cms(kCmsNotAllowed);
    auto p = params(c);
    auto index = p && p->size() == 1 ? paramInt((*p)[0]) : std::nullopt;
    if (!index) return cms(kCmsBadIndex);
    if (s.smsMem[kReadMem] == kReportMemory) return readReport(s, *index, markRead);
    auto& messages = memory(s, kReadMem).messages;
    auto it = messages.find(*index);
    if (it == messages.end()) return cms(kCmsBadIndex);
    auto lines = messageLines(s, markRead ? "+CMGR" : "+MMGR", -1, it->second);
    if (markRead && it->second.status == SmsStatus::RecUnread) {
        it->second.status = SmsStatus::RecRead;
        s.changed();
    }
    return ok(lines);
}

Reply cmgl(Session& s, const Command& c) {
    return listMessages(s, c, true);
}
Reply mmgl(Session& s, const Command& c) {
    return listMessages(s, c, false);
}
Reply cmgr(Session& s, const Command& c) {
    return readMessage(s, c, true);
}
Reply mmgr(Session& s, const Command& c) {
    return readMessage(s, c, false);
}

// Starts the "> " entry of AT+CMGS / AT+CMGW.
Reply startEntry(Session& s, const Command& c, bool send) {
    if (c.kind == Command::Test) return ok();
    if (c.kind == Command::Read || (send && c.kind == Command::Exec)) return cms(kCmsNotAllowed);
    auto p = params(c);
    if (!p) return cms(s.cmgf ? kCmsBadText : kCmsBadPdu);
    SmsEntry e;
    e.send = send;
    e.pdu = s.cmgf == 0;
    e.status = send ? SmsStatus::StoSent : SmsStatus::StoUnsent;
    if (e.pdu) {
        auto length = !p->empty() ? paramInt((*p)[0]) : std::nullopt;
        if (!length || *length < 7 || *length > 176) return cms(kCmsBadPdu);
        e.tpduLength = *length;
        if (!send && p->size() >= 2 && !(*p)[1].empty()) {
            auto st = paramInt((*p)[1]);
            if (!st || *st < 0 || *st > 3) return cms(kCmsBadPdu);
            e.status = static_cast<SmsStatus>(*st);
        }
    } else {
        if (!p->empty() && !(*p)[0].text.empty()) {
            auto number = s.numberIn((*p)[0].text);
            if (!number || !validDialString(*number)) return cms(kCmsBadText);
            e.number = *number;
        } else if (send) {
            return cms(kCmsBadText);
        }
        if (!send && p->size() >= 3 && !(*p)[2].empty()) {
            auto st = statusFromText((*p)[2].text);
            if (!st) return cms(kCmsBadText);
            e.status = *st;
        }
    }
    s.entry = e;
    return {{}, Reply::Prompt, 0, {}};
}

Reply cmgs(Session& s, const Command& c) {
    return startEntry(s, c, true);
}
Reply cmgw(Session& s, const Command& c) {
    return startEntry(s, c, false);
}

Reply cmss(Session& s, const Command& c) {
    if (c.kind == Command::Test) return ok();
    if (c.kind != Command::Set) return cms(kCmsNotAllowed);
    auto p = params(c);
    if (!p || p->empty() || p->size() > 3) return cms(kCmsBadIndex);
    auto index = paramInt((*p)[0]);
    auto& messages = memory(s, kWriteMem).messages;
    auto it = index ? messages.find(*index) : messages.end();
    if (it == messages.end()) return cms(kCmsBadIndex);
    if (received(it->second)) return cms(kCmsNotAllowed);
    std::string number = it->second.number;
    if (p->size() >= 2 && !(*p)[1].text.empty()) {
        auto given = s.numberIn((*p)[1].text);
        if (!given) return cms(kCmsBadText);
        number = *given;
    }
    if (!validDialString(number)) return cms(kCmsBadText);
    if (!s.state.network) return cms(kCmsNoNetwork);
    int mr = nextReference(s);
    it->second.status = SmsStatus::StoSent;
    s.changed();
    return ok({"+CMSS: " + ts(mr)});
}

Reply cmgd(Session& s, const Command& c) {
    if (s.smsMem[kReadMem] == kReportMemory) {  // a stored report, by its index
        auto p = c.kind == Command::Set ? params(c) : std::nullopt;
        auto index = p && p->size() == 1 ? paramInt((*p)[0]) : std::nullopt;
        return index && s.storedReports.erase(*index) ? ok() : cms(kCmsBadIndex);
    }
    auto& messages = memory(s, kReadMem).messages;
    if (c.kind == Command::Test) {
        std::string list;
        for (const auto& [index, m] : messages) list += (list.empty() ? "" : ",") + ts(index);
        return ok({"+CMGD: (" + list + "),(0-4)"});
    }
    if (c.kind != Command::Set) return cms(kCmsNotAllowed);
    auto p = params(c);
    if (!p || p->empty() || p->size() > 2) return cms(kCmsBadIndex);
    int flag = 0;
    if (p->size() == 2 && !(*p)[1].empty()) {
        auto f = paramInt((*p)[1]);
        if (!f || *f > 4) return cms(kCmsNotSupported);
        flag = *f;
    }
    if (flag == 0) {
        auto index = paramInt((*p)[0]);
        if (!index || !messages.erase(*index)) return cms(kCmsBadIndex);
        s.changed();
        return ok();
    }
    // 1 read, 2 read and sent, 3 read, sent and unsent, 4 all.
    for (auto it = messages.begin(); it != messages.end();) {
        SmsStatus st = it->second.status;
        bool drop = flag == 4 || st == SmsStatus::RecRead ||
                    (flag >= 2 && st == SmsStatus::StoSent) ||
                    (flag >= 3 && st == SmsStatus::StoUnsent);
        it = drop ? messages.erase(it) : std::next(it);
    }
    s.changed();
    return ok();
}

}  // namespace

Reply finishSmsEntry(Session& s, const SmsEntry& e) {
    Sms m;
    bool reportWanted = (s.csmp[0] & 0x20) != 0;  // text mode: TP-SRR in the first octet
    if (e.pdu) {
        std::string hex;
        for (char ch : e.body)
            if (!std::isspace(static_cast<unsigned char>(ch))) hex += ch;
        // A received message (status 0 or 1) is stored as the SMS-DELIVER it was.
        auto pdu = decodeSubmit(hex, e.tpduLength, nullptr, !e.send && received(e.status));
        if (!pdu) return cms(kCmsBadPdu);
        m.time = pdu->time;
        m.number = pdu->number;
        m.coding = pdu->coding;
        m.text = pdu->text;
        m.part = pdu->part;  // a part of a longer message stays one
        reportWanted = pdu->reportWanted;
    } else {
        bool ucs2 = (s.csmp[2] & 0xEC) == 0x08;  // the data coding asks for UCS2: hex text
        auto text = ucs2 ? fromCharset(e.body, Charset::Ucs2) : s.in(e.body);
        if (!text) return cms(kCmsBadText);
        auto u = gsmcodec::utf8Decode(*text);
        m.text = *text;
        m.number = e.number;
        m.coding = ucs2 || !gsmcodec::fitsGsm7(u) ? SmsCoding::Ucs2 : SmsCoding::Gsm7;
        size_t units = m.coding == SmsCoding::Ucs2 ? gsmcodec::toUcs2Hex(u).size() / 4
                                                   : gsmcodec::toGsm7Septets(u).size();
        if (units > (m.coding == SmsCoding::Ucs2 ? 70u : 160u)) return cms(kCmsBadText);
    }
    SmsStore& store = memory(s, kWriteMem);
    auto index = freeIndex(s, store);
    if (e.send) {
        if (!validDialString(m.number)) return cms(e.pdu ? kCmsBadPdu : kCmsBadText);
        if (s.quirks.refuseSend) return cms(kCmsUnknown);  // the network refused it
        if (!s.state.network) return cms(kCmsNoNetwork);
        int mr = nextReference(s);
        m.status = SmsStatus::StoSent;
        // The copy goes to the storage when there is room; the message is
        // sent either way.
        if (index) store.messages[*index] = m;
        s.changed();
        if (reportWanted && s.state.delivery != "none")
            s.owedReports.push_back({mr, m.number, s.state.delivery == "ok",
                                     std::chrono::steady_clock::now() +
                                         std::chrono::milliseconds(s.state.deliveryDelayMs)});
        return ok({"+CMGS: " + ts(mr)});
    }
    if (!index) return cms(kCmsMemoryFull);
    m.status = e.status;
    if (received(m) && m.time.empty()) m.time = nowStamp();
    store.messages[*index] = m;
    s.changed();
    return ok({"+CMGW: " + ts(*index)});
}

void addSmsCommands(Registry& r) {
    r["+CMGF"] = cmgf;
    r["+CSDH"] = csdh;
    r["+CPMS"] = cpms;
    r["+CSCA"] = csca;
    r["+CSMP"] = csmp;
    r["+CSMS"] = csms;
    r["+CNMI"] = cnmi;
    r["+CMGL"] = cmgl;
    r["+MMGL"] = mmgl;
    r["+CMGR"] = cmgr;
    r["+MMGR"] = mmgr;
    r["+CMGS"] = cmgs;
    r["+CMGW"] = cmgw;
    r["+CMSS"] = cmss;
    r["+CMGD"] = cmgd;
}

}  // namespace phonesim
