#include "import/CalendarExport.h"
#include "data/DataModule.h"
#include "data/DateFormats.h"
#include "import/ContentLines.h"
#include "import/ExportFile.h"
#include "import/FieldReader.h"
#include "platform/Clock.h"
#include "platform/Messages.h"

#include <QDir>

namespace qv {

namespace {

QByteArray dateText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")).toLatin1(); }
QByteArray dateTimeText(const QDate& d, const QTime& t)
{
    return dateText(d) + 'T' + t.toString(QStringLiteral("HHmmss")).toLatin1();
}

class CalendarWriter {
public:
    explicit CalendarWriter(QByteArray& out) : m_out(out)
    {
        m_stamp = "DTSTAMP:" + dateTimeText(clock::now().toUTC().date(), clock::now().toUTC().time()) + "Z";
        m_out += "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quorvane PRO 2005//Planner and reminders//EN\r\n"
                 "CALSCALE:GREGORIAN\r\n";
    }
    void end() { m_out += "END:VCALENDAR\r\n"; }

    void line(const QByteArray& name, QByteArrayView text)
    {
        m_line = name + ':';
        appendEscapedText(m_line, text);
        appendFoldedLine(m_out, m_line);
    }
    void raw(const QByteArray& line) { appendFoldedLine(m_out, line); }
    void begin(const QByteArray& uid)
    {
        m_out += "BEGIN:VEVENT\r\n";
        raw("UID:" + uid);
        raw(m_stamp);
    }

private:
    QByteArray& m_out;
    QByteArray m_stamp, m_line;
};

void writeEvents(TMainDataModule& dm, CalendarWriter& w, CalendarCounts& counts)
{
    Statement st(
        *dm.MainADOConnection,
        QStringLiteral("SELECT e.EventID, d.Day, e.StartTime, e.EndTime, e.Action, e.ReminderBefore, e.Account, "
                       "e.Contact FROM CalendarEvents e JOIN CalendarDays d ON d.DayID = e.DayID "
                       "ORDER BY e.DayID, e.EventID"));
    while (st.step()) {
        const QString day = st.columnText(1);
        const QDate date = dates::parseShortDate(day);
        if (!date.isValid()) {
            if (counts.leftOut++ == 0) counts.firstDay = day;
            continue;
        }
        ++counts.events;
        w.begin("quorvane-event-" + QByteArray::number(st.columnInt(0)));
        const QTime start = dates::parseTimeOfDay(st.columnText(2));
        if (!start.isValid()) {
            w.raw("DTSTART;VALUE=DATE:" + dateText(date));
            w.raw("DTEND;VALUE=DATE:" + dateText(date.addDays(1)));
        } else {
            w.raw("DTSTART:" + dateTimeText(date, start));
            const QTime end = dates::parseTimeOfDay(st.columnText(3));
            // An end before the start is on the next day.
            if (end.isValid() && end != start)
                w.raw("DTEND:" + dateTimeText(end > start ? date : date.addDays(1), end));
        }
        const QByteArray subject = st.columnText(4).toUtf8();
        w.line("SUMMARY", subject);
        QStringList about;
        if (!st.columnText(6).isEmpty()) about << QStringLiteral("Account: ") + st.columnText(6);
        if (!st.columnText(7).isEmpty()) about << QStringLiteral("Contact: ") + st.columnText(7);
        if (!about.isEmpty()) w.line("DESCRIPTION", about.join(u'\n').toUtf8());
        if (start.isValid()) {
            w.raw("BEGIN:VALARM");
            w.raw("ACTION:DISPLAY");
            w.line("DESCRIPTION", subject.isEmpty() ? QByteArray("Event") : subject);
            w.raw("TRIGGER:-PT" + QByteArray::number(st.isNull(5) ? 0 : st.columnInt(5)) + 'M');
            w.raw("END:VALARM");
        }
        w.raw("END:VEVENT");
    }
}

// A reminder flag is set when it reads as the boolean true: "TRUE" in any letter case, blanks around it ignored.
bool flagSet(QByteArrayView flag) { return flag.trimmed().compare("true", Qt::CaseInsensitive) == 0; }

void writeReminders(TMainDataModule& dm, CalendarWriter& w, CalendarCounts& counts)
{
    const Dataset& people = *dm.PeopleCompanyDet;
    FieldReader id(people, "PersonID"), name(people, "Name");
    struct Kind {
        const char* uid;
        const char* summary;
        FieldReader date, flag;
    } kinds[] = {{"birthday", "Birthday: ", {people, "Birthday"}, {people, "Breminder"}},
                 {"anniversary", "Anniversary: ", {people, "Anniversary"}, {people, "Areminder"}}};
    for (int row = 0, n = people.recordCount(); row < n; ++row) {
        for (Kind& k : kinds) {
            if (!flagSet(k.flag.read(row))) continue;
            const QByteArrayView stored = k.date.read(row); // 1970-01-02, and a time of day that does not count
            const QDate date =
                QDate::fromString(QString::fromLatin1(stored.first(std::min<qsizetype>(10, stored.size()))),
                                  QStringLiteral("yyyy-MM-dd"));
            if (!date.isValid()) continue;
            ++counts.reminders;
            w.begin("quorvane-" + QByteArray(k.uid) + '-' + id.read(row).toByteArray());
            w.raw("DTSTART;VALUE=DATE:" + dateText(date));
            w.raw("DTEND;VALUE=DATE:" + dateText(date.addDays(1)));
            // 29 February comes back on the last day of February in the other years.
            w.raw(date.month() == 2 && date.day() == 29 ? "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1"
                                                        : "RRULE:FREQ=YEARLY");
            w.line("SUMMARY", QByteArray(k.summary) + name.read(row).toByteArray());
            w.raw("TRANSP:TRANSPARENT");
            w.raw("END:VEVENT");
        }
    }
}

} // namespace

CalendarCounts writeCalendar(TMainDataModule& dm, ExportFile& file)
{
    CalendarCounts counts;
    CalendarWriter w(file.buffer());
    writeEvents(dm, w, counts);
    writeReminders(dm, w, counts);
    w.end();
    return counts;
}

void exportCalendarToICalendarFile(TMainDataModule& dm)
{
    // Pending edits are posted first, as every command that reads the records does.
    dm.DayEvents->checkBrowseMode();
    dm.PeopleCompanyDet->checkBrowseMode();
    ExportFile file(QStringLiteral("iCalendar (*.ics)|*.ICS"), QStringLiteral(".ics"), QStringLiteral("Calendar"));
    if (!file.choose()) return;
    const CalendarCounts counts = writeCalendar(dm, file);
    if (!file.commit()) return;
    QString text = QStringLiteral("%1 event(s) and %2 birthday or anniversary reminder(s) exported to %3.")
                       .arg(counts.events)
                       .arg(counts.reminders)
                       .arg(QDir::toNativeSeparators(file.path()));
    if (counts.leftOut > 0)
        text += QStringLiteral("\n\n%1 event(s) left out: their day (\"%2\") is not a date in today's date format.")
                    .arg(counts.leftOut)
                    .arg(counts.firstDay);
    showInformation(text);
}

} // namespace qv
