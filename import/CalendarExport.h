#pragma once
// The planner and the reminders as an iCalendar file (RFC 5545) that any calendar program opens: each planner event
// a VEVENT at its day and times in floating local time (the wall clock, as the planner keeps it), with a VALARM as
// long before its start as its alert says; an event without a start time lasts the whole day. Each contact of the
// current company whose birthday or anniversary reminder is set gets a yearly all-day event on that date.

#include <QString>

namespace qv {

class ExportFile;
class TMainDataModule;

struct CalendarCounts {
    int events = 0;
    int reminders = 0; // birthdays and anniversaries
    int leftOut = 0;   // events whose day no longer reads as a date
    QString firstDay;  // the day text of the first of those
};

CalendarCounts writeCalendar(TMainDataModule& dm, ExportFile& file);

// Export -> "Calendar to an iCalendar file...".
void exportCalendarToICalendarFile(TMainDataModule& dm);

} // namespace qv
