// The Motorola date book: +MDBL (lock), +MDBR (read), +MDBW (write/delete),
// +MDBAD (automatic deletion of past events). Answer forms are in README.md.

#include <cctype>

#include "formats/mdbrecord.h"
#include "session.h"

namespace phonesim {
namespace {

constexpr int kTitleLength = 64;
constexpr int kMaxRepeat = 5;

std::string ts(int v) {
    return std::to_string(v);
}

std::string eventLine(const Session& s, int index, const Event& e) {
    return td::writeMdbRecord({ts(index), s.out(e.title), ts(e.timed), ts(e.alarm), e.time, e.date,
                               ts(e.duration), e.alarmTime, e.alarmDate, ts(e.repeat)});
}

bool digitsAt(std::string_view s, std::initializer_list<size_t> at) {
    for (size_t i : at)
        if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

bool timeShaped(std::string_view t) {
    return t.size() == 5 && t[2] == ':' && digitsAt(t, {0, 1, 3, 4});
}

bool dateShaped(std::string_view d) {
    return d.size() == 10 && d[2] == '-' && d[5] == '-' && digitsAt(d, {0, 1, 3, 4, 6, 7, 8, 9});
}

// "hh:mm", 00:00 to 23:59.
bool validTime(std::string_view t) {
    if (!timeShaped(t)) return false;
    int h = (t[0] - '0') * 10 + (t[1] - '0'), m = (t[3] - '0') * 10 + (t[4] - '0');
    return h < 24 && m < 60;
}

// "MM-DD-YYYY" with a day that exists in that month.
bool validDate(std::string_view d) {
    if (!dateShaped(d)) return false;
    int month = (d[0] - '0') * 10 + (d[1] - '0'), day = (d[3] - '0') * 10 + (d[4] - '0');
    int year = std::stoi(std::string(d.substr(6)));
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

// The date book is open to the computer only while it is locked for it
// (AT+MDBL=1), as on the phone: the phone's own calendar is kept out of the
// way meanwhile.
Reply mdbl(Session& s, const Command& c) {
    return intSetting(c, s.datebookLocked, {0, 1}, "(0,1)");
}

// Test form: +MDBR: <capacity>,<used>,<title length>,<highest repeat kind>.
Reply mdbr(Session& s, const Command& c) {
    if (c.kind == Command::Test)
        return ok({"+MDBR: " + ts(s.state.datebookCapacity) + "," +
                   ts(static_cast<int>(s.state.datebook.size())) + "," + ts(kTitleLength) + "," +
                   ts(kMaxRepeat)});
    if (c.kind != Command::Set) return error();
    if (!s.datebookLocked) return cme(kCmeNotAllowed);
    auto p = params(c);
    if (!p || p->empty() || p->size() > 2) return cme(kCmeBadParams);
    auto first = paramInt((*p)[0]);
    auto last = p->size() == 2 ? paramInt((*p)[1]) : first;
    if (!first || !last) return cme(kCmeBadParams);
    if (*first < 1 || *last > s.state.datebookCapacity || *first > *last)
        return cme(kCmeInvalidIndex);
    std::vector<std::string> lines;
    auto& events = s.state.datebook;
    for (auto it = events.lower_bound(*first); it != events.end() && it->first <= *last; ++it)
        lines.push_back(eventLine(s, it->first, it->second));
    return listReply(s, std::move(lines), 1);
}

// AT+MDBW=<index>,"<title>",<timed>,<alarm>,"<time>","<date>",<duration>,
// "<alarm time>","<alarm date>",<repeat> writes an event (an empty index
// takes the first free one); AT+MDBW=<index> deletes it.
Reply mdbw(Session& s, const Command& c) {
    if (c.kind == Command::Test)
        return ok({"+MDBW: (1-" + ts(s.state.datebookCapacity) + ")," + ts(kTitleLength) +
                   ",(0,1),(0,1),,,(0-1440),,,(0-5)"});
    if (c.kind != Command::Set) return error();
    if (!s.datebookLocked) return cme(kCmeNotAllowed);
    auto p = params(c);
    if (!p || (p->size() != 1 && p->size() != 10)) return cme(kCmeBadParams);
    const auto& v = *p;
    std::optional<int> index;
    if (!v[0].empty()) {
        index = paramInt(v[0]);
        if (!index) return cme(kCmeBadParams);
        if (*index < 1 || *index > s.state.datebookCapacity) return cme(kCmeInvalidIndex);
    }
    if (v.size() == 1) {
        if (!index) return cme(kCmeBadParams);
        if (s.state.datebook.erase(*index)) s.changed();
        return ok();
    }
    Event e;
    auto title = s.in(v[1].text);
    if (!title) return cme(kCmeBadText);
    if (title->empty()) return cme(kCmeBadParams);
    if (gsmcodec::utf8Decode(*title).size() > kTitleLength) return cme(kCmeTextTooLong);
    e.title = *title;
    auto timed = paramInt(v[2]), alarm = paramInt(v[3]), duration = paramInt(v[6]),
         repeat = paramInt(v[9]);
    if (!timed || *timed > 1 || !alarm || *alarm > 1 || !duration || *duration > 1440 || !repeat ||
        *repeat > kMaxRepeat)
        return cme(kCmeBadParams);
    // A start time without the time flag and an alarm time and date without
    // the alarm flag mean nothing to the phone: it keeps what it is given
    // ("00:00", "00-00-2000"), as long as it has the form of one.
    if (!(*timed ? validTime(v[4].text) : timeShaped(v[4].text)) || !validDate(v[5].text) ||
        !(*alarm ? validTime(v[7].text) : timeShaped(v[7].text)) ||
        !(*alarm ? validDate(v[8].text) : dateShaped(v[8].text)))
        return cme(kCmeBadParams);
    e.timed = *timed;
    e.alarm = *alarm;
    e.time = v[4].text;
    e.date = v[5].text;
    e.duration = *duration;
    e.alarmTime = v[7].text;
    e.alarmDate = v[8].text;
    e.repeat = *repeat;
    if (!index) {
        for (int i = 1; i <= s.state.datebookCapacity && !index; ++i)
            if (!s.state.datebook.count(i)) index = i;
        if (!index) return cme(kCmeMemoryFull);
    }
    s.state.datebook[*index] = e;
    s.changed();
    return ok();
}

// Weeks after which past events are deleted; 0 keeps them.
Reply mdbad(Session& s, const Command& c) {
    const int before = s.state.autoDelete;
    Reply r = intSetting(c, s.state.autoDelete, {0, 1, 2, 4, 8}, "(0,1,2,4,8)");
    if (s.state.autoDelete != before) s.changed();
    return r;
}

}  // namespace

void addDatebookCommands(Registry& r) {
    r["+MDBL"] = mdbl;
    r["+MDBR"] = mdbr;
    r["+MDBW"] = mdbw;
    r["+MDBAD"] = mdbad;
}

}  // namespace phonesim
