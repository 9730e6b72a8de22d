#pragma once
// The date book as iCalendar (one VEVENT an event, through libical). An
// event maps thus: title - SUMMARY; date "MM-DD-YYYY" and time "HH:MM" -
// DTSTART in floating local time (a date only when the event is not timed);
// duration in minutes - DURATION; repeat kinds 1 to 5 - RRULE FREQ=DAILY,
// WEEKLY, MONTHLY;BYMONTHDAY=<day>, MONTHLY;BYDAY=<n><weekday> (the n-th
// weekday of the start's month), YEARLY; a switched-on alarm - a DISPLAY
// VALARM triggered by the alarm time's distance from the start. Read back,
// every event is kept exactly or refused with its title and the reason:
// - a start (and an alarm's absolute time) in UTC or a named zone comes to
//   the local clock through the zone the file defines or libical's own
//   database and the system's zone database; an unknown TZID is refused;
// - a title with any character is kept, in the UCS2 form of mdbrecord.h
//   when Windows-1251 cannot give it; one longer than MdbTitleMax is refused;
// - a repetition the phone's kinds cannot give exactly (an interval, a
//   count, an end, other days or months than the start's, several rules,
//   EXDATE or RDATE, a monthly or yearly rule whose day the local clock
//   moves), a moved occurrence (RECURRENCE-ID), a line libical could not
//   read, a duration over MdbDurationMax and a date that does not exist are
//   refused;
// - a DESCRIPTION or LOCATION, which the phone cannot keep, is told in
//   `notes` while the event is taken.
// Events are numbered from 1.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contacts.h"
#include "formats/mdbrecord.h"

namespace td::exchange {

// The calendar of the events (Windows-1251 titles) as UTF-8 text. An event
// without a title gives none; an event whose date or time cannot be read is
// refused (its line is its position in `events`, from 1).
struct ICalWritten {
    std::string text;
    int written = 0;
    std::vector<Refusal> refused;
};
ICalWritten writeICalendar(const std::vector<MdbRecord>& events, std::time_t stamp);

struct ICalRead {
    std::vector<MdbRecord> events;
    std::vector<Refusal> refused;  // line: the VEVENT's position, from 1
    std::vector<Refusal> notes;    // taken, but with something the phone cannot keep
};
ICalRead readICalendar(std::string_view text);

}  // namespace td::exchange
