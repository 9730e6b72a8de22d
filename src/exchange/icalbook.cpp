#include "exchange/icalbook.h"

#include <libical/ical.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/cp1251.h"

namespace td::exchange {

namespace {

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

bool readNumber(std::string_view s, int& out) {
    if (s.empty()) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

// "MM-DD-YYYY" and "HH:MM" as one floating time; is_date when no time.
bool phoneTime(const std::string& date, const std::string& time, bool timed, icaltimetype& out) {
    out = icaltime_null_time();
    if (date.size() != 10 || date[2] != '-' || date[5] != '-') return false;
    if (!readNumber(date.substr(0, 2), out.month) || !readNumber(date.substr(3, 2), out.day) ||
        !readNumber(date.substr(6), out.year))
        return false;
    out.is_date = timed ? 0 : 1;
    if (timed) {
        size_t colon = time.find(':');
        if (colon == std::string::npos || !readNumber(time.substr(0, colon), out.hour) ||
            !readNumber(time.substr(colon + 1, 2), out.minute))
            return false;
    }
    return icaltime_is_valid_time(out) && out.month >= 1 && out.month <= 12 && out.day >= 1 &&
           out.day <= icaltime_days_in_month(out.month, out.year) && out.hour < 24 &&
           out.minute < 60;
}

std::string twoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::string phoneDate(const icaltimetype& t) {
    return twoDigits(t.month) + "-" + twoDigits(t.day) + "-" + std::to_string(t.year);
}

std::string phoneClock(const icaltimetype& t) {
    return twoDigits(t.hour) + ":" + twoDigits(t.minute);
}

std::string ruleFor(const std::string& repeat, const icaltimetype& start) {
    static const char* days[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    int kind = 0;
    if (!readNumber(repeat, kind)) return "";
    switch (kind) {
        case 1:
            return "FREQ=DAILY";
        case 2:
            return "FREQ=WEEKLY";
        case 3:
            return "FREQ=MONTHLY;BYMONTHDAY=" + std::to_string(start.day);
        case 4:
            return "FREQ=MONTHLY;BYDAY=" + std::to_string((start.day - 1) / 7 + 1) +
                   days[icaltime_day_of_week(start) - 1];
        case 5:
            return "FREQ=YEARLY";
        default:
            return "";
    }
}

std::string repeatOf(const icalrecurrencetype& r) {
    switch (r.freq) {
        case ICAL_DAILY_RECURRENCE:
            return "1";
        case ICAL_WEEKLY_RECURRENCE:
            return "2";
        case ICAL_MONTHLY_RECURRENCE:
            return r.by_day[0] != ICAL_RECURRENCE_ARRAY_MAX ? "4" : "3";
        case ICAL_YEARLY_RECURRENCE:
            return "5";
        default:
            return "0";
    }
}

// The values of one BY list of a rule (the list ends at the array's end mark).
std::vector<int> byList(const short* list, int size) {
    std::vector<int> out;
    for (int i = 0; i < size && list[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) out.push_back(list[i]);
    return out;
}

// Whether the phone's repeat kinds give the rule exactly from the start:
// every day, week, month (on the date, or on the n-th weekday of the
// start) or year, for ever. An interval, a count, an end, or a day, month
// or time list other than the start's own cannot be kept.
bool phoneCanRepeat(const icalrecurrencetype& r, const icaltimetype& start) {
    if (r.interval > 1 || r.count > 0 || !icaltime_is_null_time(r.until)) return false;
    if (!byList(r.by_second, ICAL_BY_SECOND_SIZE).empty() ||
        !byList(r.by_minute, ICAL_BY_MINUTE_SIZE).empty() ||
        !byList(r.by_hour, ICAL_BY_HOUR_SIZE).empty() ||
        !byList(r.by_year_day, ICAL_BY_YEARDAY_SIZE).empty() ||
        !byList(r.by_week_no, ICAL_BY_WEEKNO_SIZE).empty() ||
        !byList(r.by_set_pos, ICAL_BY_SETPOS_SIZE).empty())
        return false;
    const std::vector<int> days = byList(r.by_day, ICAL_BY_DAY_SIZE);
    const std::vector<int> monthDays = byList(r.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const std::vector<int> months = byList(r.by_month, ICAL_BY_MONTH_SIZE);
    const int weekday = icaltime_day_of_week(start);  // 1 Sunday
    auto onlyStart = [](const std::vector<int>& list, int value) {
        return list.empty() || (list.size() == 1 && list[0] == value);
    };
    auto startWeekday = [&](int position) {
        return days.size() == 1 && icalrecurrencetype_day_day_of_week(days[0]) == weekday &&
               icalrecurrencetype_day_position(days[0]) == position;
    };
    switch (r.freq) {
        case ICAL_DAILY_RECURRENCE:
            return days.empty() && monthDays.empty() && months.empty();
        case ICAL_WEEKLY_RECURRENCE:
            return (days.empty() || startWeekday(0)) && monthDays.empty() && months.empty();
        case ICAL_MONTHLY_RECURRENCE:
            if (!months.empty()) return false;
            if (days.empty()) return onlyStart(monthDays, start.day);
            return monthDays.empty() && startWeekday((start.day - 1) / 7 + 1);
        case ICAL_YEARLY_RECURRENCE:
            return days.empty() && onlyStart(monthDays, start.day) &&
                   onlyStart(months, start.month);
        default:
            return false;
    }
}

// A date that exists (libical keeps 29 February 2027 as written).
bool realDate(const icaltimetype& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= icaltime_days_in_month(t.month, t.year);
}

// A UTC or zoned time as the user's local clock shows it (the system's zone
// database); a floating time or a date as written.
icaltimetype localTime(icaltimetype t) {
    if (t.is_date || (!t.zone && !icaltime_is_utc(t))) return t;
    const std::time_t at =
        icaltime_as_timet_with_zone(t, t.zone ? t.zone : icaltimezone_get_utc_timezone());
    std::tm tm{};
    localtime_r(&at, &tm);
    icaltimetype local = icaltime_null_time();
    local.year = tm.tm_year + 1900;
    local.month = tm.tm_mon + 1;
    local.day = tm.tm_mday;
    local.hour = tm.tm_hour;
    local.minute = tm.tm_min;
    local.second = tm.tm_sec;
    return local;
}

// The event's start with its zone: a TZID the file does not define is
// looked up in libical's own database; empty `unknown` when it is found.
icaltimetype zonedStart(icalcomponent* ev, std::string& unknown) {
    icaltimetype start = icalcomponent_get_dtstart(ev);
    icalproperty* p = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
    icalparameter* tz = p ? icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER) : nullptr;
    if (tz && !start.zone && !start.is_date) {
        const char* id = icalparameter_get_tzid(tz);
        icaltimezone* zone = id ? icaltimezone_get_builtin_timezone(id) : nullptr;
        if (!zone && id) zone = icaltimezone_get_builtin_timezone_from_tzid(id);
        if (zone)
            start = icaltime_set_timezone(&start, zone);
        else
            unknown = id ? id : "";
    }
    return start;
}

// The text of a property, empty when there is none.
std::string textOf(icalcomponent* ev, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(ev, kind);
    const char* v = p ? icalproperty_get_value_as_string(p) : nullptr;
    return v ? trim(v) : std::string();
}

std::string title8(const std::string& title) {
    return mdbTitleUtf8(title);  // a title kept in the phone's UCS2 with all it holds
}

}  // namespace

ICalWritten writeICalendar(const std::vector<MdbRecord>& events, std::time_t stamp) {
    ICalWritten out;
    Component cal(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Tapdeck//Date book//RU"));
    icaltimetype now = icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone());
    for (size_t i = 0; i < events.size(); ++i) {
        const MdbRecord& e = events[i];
        const int line = static_cast<int>(i) + 1;
        if (trim(e.title).empty()) continue;
        icaltimetype start;
        if (!phoneTime(e.date, e.time, e.timed != "0", start)) {
            out.refused.push_back(
                {line, W("дата или время события не читаются: ") + e.date + " " + e.time});
            continue;
        }
        icalcomponent* ev = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        std::string uid = "mdb-" + e.index + "-" + std::to_string(line) + "-" +
                          std::string(icaltime_as_ical_string(start)) + "@tapdeck";
        icalcomponent_add_property(ev, icalproperty_new_uid(uid.c_str()));
        icalcomponent_add_property(ev, icalproperty_new_dtstamp(now));
        icalcomponent_add_property(ev, icalproperty_new_summary(title8(e.title).c_str()));
        icalcomponent_add_property(ev, icalproperty_new_dtstart(start));
        int minutes = 0;
        if (readNumber(e.duration, minutes) && minutes > 0)
            icalcomponent_add_property(
                ev, icalproperty_new_duration(icaldurationtype_from_int(minutes * 60)));
        std::string rule = ruleFor(e.repeat, start);
        if (!rule.empty())
            icalcomponent_add_property(
                ev, icalproperty_new_rrule(icalrecurrencetype_from_string(rule.c_str())));
        icaltimetype alarm;
        if (e.alarm == "1" && phoneTime(e.alarmDate, e.alarmTime, true, alarm)) {
            icaltimetype from = start;
            from.is_date = 0;
            icaltriggertype trigger{};
            trigger.time = icaltime_null_time();
            trigger.duration = icaldurationtype_from_int(
                static_cast<int>(icaltime_as_timet(alarm) - icaltime_as_timet(from)));
            icalcomponent* va = icalcomponent_new(ICAL_VALARM_COMPONENT);
            icalcomponent_add_property(va, icalproperty_new_action(ICAL_ACTION_DISPLAY));
            icalcomponent_add_property(va, icalproperty_new_description(title8(e.title).c_str()));
            icalcomponent_add_property(va, icalproperty_new_trigger(trigger));
            icalcomponent_add_component(ev, va);
        }
        icalcomponent_add_component(cal.get(), ev);
        ++out.written;
    }
    char* text = icalcomponent_as_ical_string_r(cal.get());
    out.text = text;
    icalmemory_free_buffer(text);
    return out;
}

ICalRead readICalendar(std::string_view text) {
    ICalRead out;
    Component root(icalparser_parse_string(std::string(text).c_str()));
    if (!root) {
        out.refused.push_back({0, W("файл не читается как iCalendar")});
        return out;
    }
    std::vector<icalcomponent*> vevents;
    if (icalcomponent_isa(root.get()) == ICAL_VEVENT_COMPONENT) vevents.push_back(root.get());
    for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(root.get(), ICAL_VEVENT_COMPONENT))
        vevents.push_back(c);
    int position = 0;
    for (icalcomponent* ev : vevents) {
        ++position;
        const char* summary = icalcomponent_get_summary(ev);
        if (!summary || trim(summary).empty()) {
            out.refused.push_back({position, W("у события нет заголовка")});
            continue;
        }
        // Any character travels: what Windows-1251 cannot give exactly goes
        // in the phone's UCS2.
        const std::string title = mdbTitleFromUtf8(summary);
        const std::string named = "\"" + mdbTitleText(title) + "\": ";
        auto refuse = [&](const std::string& why) {
            out.refused.push_back({position, named + why});
        };
        if (mdbTitleLength(title) > MdbTitleMax) {
            refuse(W("заголовок длиннее ") + std::to_string(MdbTitleMax) +
                   W(" знаков, столько телефон не хранит"));
            continue;
        }
        if (icalproperty* e = icalcomponent_get_first_property(ev, ICAL_XLICERROR_PROPERTY)) {
            const char* why = icalproperty_get_xlicerror(e);
            refuse(W("строка события не читается: ") + utf8ToCp1251(why ? why : ""));
            continue;
        }
        if (icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY)) {
            refuse(
                W("перенос одного повторения серии (RECURRENCE-ID) - в телефоне так не "
                  "повторить"));
            continue;
        }
        std::string unknownZone;
        const icaltimetype zoned = zonedStart(ev, unknownZone);
        if (!unknownZone.empty()) {
            refuse(W("часовой пояс TZID=") + utf8ToCp1251(unknownZone) + W(" неизвестен"));
            continue;
        }
        if (icaltime_is_null_time(zoned)) {
            out.refused.push_back({position, W("у события нет начала")});
            continue;
        }
        if (!realDate(zoned)) {
            refuse(W("дата начала ") + icaltime_as_ical_string(zoned) + W(" не существует"));
            continue;
        }
        const icaltimetype start = localTime(zoned);
        MdbRecord r;
        r.index = std::to_string(out.events.size() + 1);
        r.title = title;
        r.timed = start.is_date ? "0" : "1";
        r.time = start.is_date ? "00:00" : phoneClock(start);
        r.date = phoneDate(start);
        // Without DTEND or DURATION libical gives a day-long event; the
        // phone's event then has no duration.
        int seconds = 0;
        if (icalcomponent_get_first_property(ev, ICAL_DURATION_PROPERTY) ||
            icalcomponent_get_first_property(ev, ICAL_DTEND_PROPERTY)) {
            icaldurationtype d = icalcomponent_get_duration(ev);
            if (!icaldurationtype_is_bad_duration(d)) seconds = icaldurationtype_as_int(d);
        }
        if (seconds / 60 > MdbDurationMax) {
            refuse(W("длится дольше суток (") + std::to_string(seconds / 60) +
                   W(" мин.), столько телефон не хранит"));
            continue;
        }
        r.duration = std::to_string(seconds > 0 ? seconds / 60 : 0);
        // A repetition the phone cannot keep is refused by name, never
        // stored as another one.
        r.repeat = "0";
        std::string unkept;
        for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(ev, ICAL_RRULE_PROPERTY)) {
            icalrecurrencetype rule = icalproperty_get_rrule(p);
            // The rule speaks of the start's own zone; a monthly or yearly one
            // whose day the local clock moves cannot be kept.
            const bool dayMoved = start.day != zoned.day && (rule.freq == ICAL_MONTHLY_RECURRENCE ||
                                                             rule.freq == ICAL_YEARLY_RECURRENCE);
            if (r.repeat != "0" || !phoneCanRepeat(rule, zoned) || dayMoved)
                unkept = W("повторение ") + icalrecurrencetype_as_string(&rule);
            else
                r.repeat = repeatOf(rule);
        }
        if (unkept.empty() && (icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY) ||
                               icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY)))
            unkept = W("исключения или добавочные даты повторения (EXDATE, RDATE)");
        if (!unkept.empty()) {
            refuse(unkept + W(" - в телефоне так не повторить"));
            continue;
        }
        r.alarm = "0";
        r.alarmTime = r.time;
        r.alarmDate = r.date;
        if (icalcomponent* va = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT)) {
            if (icalproperty* p = icalcomponent_get_first_property(va, ICAL_TRIGGER_PROPERTY)) {
                icaltriggertype t = icalproperty_get_trigger(p);
                icaltimetype at = start;
                at.is_date = 0;
                if (!icaltime_is_null_time(t.time))
                    at = localTime(t.time);
                else
                    at = icaltime_add(at, t.duration);
                r.alarm = "1";
                r.alarmTime = phoneClock(at);
                r.alarmDate = phoneDate(at);
            }
        }
        if (!textOf(ev, ICAL_DESCRIPTION_PROPERTY).empty() ||
            !textOf(ev, ICAL_LOCATION_PROPERTY).empty())
            out.notes.push_back({position, named + W("описание и место события (DESCRIPTION, "
                                                     "LOCATION) телефон не хранит")});
        out.events.push_back(std::move(r));
    }
    return out;
}

}  // namespace td::exchange
