#include "data/DateFormats.h"

#include <QLocale>
#include <QRegularExpression>

namespace qv::dates {

QString shortDateFormat()
{
    QString f = QLocale().dateFormat(QLocale::ShortFormat);
    if (!f.contains("yyyy")) f.replace("yy", "yyyy");
    return f;
}

QString longTimeFormat()
{
    QString f = QLocale().timeFormat(QLocale::LongFormat);
    // Drop the time-zone name and the blank before it.
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    f.replace(zone, QStringLiteral(" "));
    return f.trimmed();
}

QString shortDate(const QDate& date)
{
    return date.isValid() ? QLocale().toString(date, shortDateFormat()) : QString();
}

QString longTime(const QTime& time) { return time.isValid() ? QLocale().toString(time, longTimeFormat()) : QString(); }

QString stamp(const QDateTime& moment)
{
    return shortDate(moment.date()) + QStringLiteral(", ") + longTime(moment.time());
}

QString dateAndTime(const QDateTime& value)
{
    if (!value.isValid()) return {};
    const QTime t = value.time();
    if (t == QTime(0, 0)) return shortDate(value.date());
    return shortDate(value.date()) + ' ' + longTime(t);
}

QDate parseShortDate(const QString& text)
{
    const QLocale locale;
    QDate d = locale.toDate(text.trimmed(), shortDateFormat());
    if (!d.isValid()) d = locale.toDate(text.trimmed(), QLocale::ShortFormat);
    return d;
}

QTime parseTimeOfDay(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return {};
    const QLocale locale;
    for (const QString& format : {locale.timeFormat(QLocale::ShortFormat), longTimeFormat(), QStringLiteral("h:mm AP"),
                                  QStringLiteral("h:mm:ss AP"), QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")}) {
        QTime parsed = locale.toTime(t, format);
        if (parsed.isValid()) return parsed;
        parsed = QLocale::c().toTime(t, format);
        if (parsed.isValid()) return parsed;
    }
    return {};
}

} // namespace qv::dates
