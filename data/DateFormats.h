#pragma once
// Dates and times as the user's locale writes them: one place for every window, report and rule.

#include <QDateTime>
#include <QString>

namespace qv::dates {

// A stored date and time: the wall-clock value with no time zone (kept as UTC, which has no clock changes), so
// that no date and time of day is skipped or doubled by a change to or from summer time.
inline QDateTime wallClock(const QDate& date, const QTime& time) { return QDateTime(date, time, Qt::UTC); }

QString shortDateFormat();                   // the locale's short date pattern with a four-digit year
QString longTimeFormat();                    // the locale's long time pattern without a time-zone name
QString shortDate(const QDate& date);        // e.g. 12/8/2026
QString longTime(const QTime& time);         // e.g. 9:05:00 AM
QString stamp(const QDateTime& moment);      // short date, ", ", long time
QString dateAndTime(const QDateTime& value); // short date, then the long time only when a time of day is stored

// Reads a date written in the short date format; an invalid QDate when the text is no date.
QDate parseShortDate(const QString& text);
// Reads a time of day typed in the user's time format or in the "9:30 AM" form; invalid when it is none.
QTime parseTimeOfDay(const QString& text);

} // namespace qv::dates
