// Reading and setting the fields of the current row, and the stored form of dates and times.
#include "data/Dataset.h"
#include "data/DatabaseError.h"
#include "data/DateFormats.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace qv {

// ================================================================ fields

QStringList Dataset::fieldNames() const
{
    QStringList out;
    for (const Column& c : m_columns) out << c.name;
    return out;
}

int Dataset::fieldIndex(const QString& name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name == name) return int(i);
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

int Dataset::requireField(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0) throw DatabaseError(QStringLiteral("%1: Field '%2' not found").arg(this->name(), name));
    return i;
}

int Dataset::declaredWidth(const QString& name) const
{
    const int i = fieldIndex(name);
    return i < 0 ? 0 : m_columns[i].width;
}

ColumnType Dataset::fieldType(int index) const { return m_columns.at(size_t(index)).type; }

QVariant Dataset::storedValue(int index) const
{
    if (isEditing()) return m_edit.value(index);
    const int r = currentIndex();
    return r < 0 ? QVariant() : m_rows.row(r).value(index, m_storedColumns);
}

QVariant Dataset::value(int index) const
{
    if (index < 0 || index >= int(m_columns.size()))
        throw DatabaseError(QStringLiteral("%1: field index %2 out of range").arg(name()).arg(index));
    if (!isOpen()) return {};
    if (index >= m_storedColumns) return m_columns[size_t(index)].lookup(*this);
    return storedValue(index);
}

QVariant Dataset::value(const QString& name) const { return value(requireField(name)); }

QString Dataset::text(int index) const
{
    const QVariant v = value(index);
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::Double && m_columns[size_t(index)].type == ColumnType::DateTime)
        return dateTimeStorageText(parseStoredDateTime(v));
    return v.toString();
}

QString Dataset::text(const QString& name) const { return text(requireField(name)); }

qint64 Dataset::asInteger(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull()) return 0;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok) {
        const double d = v.toDouble(&ok);
        if (ok) return qint64(d);
        throw DatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
    }
    return n;
}

QDateTime Dataset::asDateTime(const QString& name) const { return parseStoredDateTime(value(name)); }

bool Dataset::isNull(int index) const { return value(index).isNull(); }
bool Dataset::isNull(const QString& name) const { return isNull(requireField(name)); }

const char* Dataset::utf8(int index, int* size) const
{
    *size = 0;
    if (isEditing() || index >= m_storedColumns) return nullptr;
    const int r = currentIndex();
    if (r < 0) return nullptr;
    const PackedRow row = m_rows.row(r);
    if (row.tag(index, m_storedColumns) != PackedRow::Text) return nullptr;
    return row.bytes(index, m_storedColumns, size);
}

qint64 Dataset::rowId() const
{
    if (m_state == DatasetState::Insert) return 0;
    const int r = currentIndex();
    return r < 0 ? 0 : m_rows.rowid(r);
}

QString Dataset::displayTextOf(const QVariant& v, ColumnType type)
{
    if (v.isNull()) return {};
    switch (type) {
    case ColumnType::DateTime: return dates::dateAndTime(parseStoredDateTime(v));
    case ColumnType::YesNo: return v.toLongLong() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    default: return v.toString();
    }
}

QString Dataset::displayText(const QString& name) const
{
    const int i = requireField(name);
    return displayTextOf(value(i), m_columns[size_t(i)].type);
}

QString Dataset::displayTextAt(int shownRow, int index) const
{
    return displayTextOf(valueAt(shownRow, index), fieldType(index));
}

QString Dataset::dateTimeStorageText(const QDateTime& dt)
{
    // The date and time of day as given, whatever zone the value was made in: the file holds wall-clock time.
    if (!dt.isValid()) return QString();
    const QDate d = dt.date();
    const QTime t = dt.time();
    if (d.year() < 1 || d.year() > 9999)
        return d.toString(QStringLiteral("yyyy-MM-dd")) + ' ' + t.toString(QStringLiteral("HH:mm:ss"));
    // Written digit by digit: the locale's formatter costs more than the rest of a save's conversions.
    char text[20];
    auto put = [&](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10) text[at + i] = char('0' + value % 10);
    };
    put(0, d.year(), 4);
    text[4] = '-';
    put(5, d.month(), 2);
    text[7] = '-';
    put(8, d.day(), 2);
    text[10] = ' ';
    put(11, t.hour(), 2);
    text[13] = ':';
    put(14, t.minute(), 2);
    text[16] = ':';
    put(17, t.second(), 2);
    return QString::fromLatin1(text, 19);
}

namespace {

// The form the program stores, "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss", read digit by digit: the general parser
// below costs a quarter of an export. Nothing when the text is not exactly that form with a valid date and time;
// the general parser decides then.
std::optional<QDateTime> storedFormAsWritten(QStringView s)
{
    if (s.size() != 10 && s.size() != 19) return std::nullopt;
    auto digits = [&](int from, int count, int& out) {
        out = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = s[i].unicode();
            if (c < u'0' || c > u'9') return false;
            out = out * 10 + (c - u'0');
        }
        return true;
    };
    int year, month, day;
    if (s[4] != u'-' || s[7] != u'-' || !digits(0, 4, year) || !digits(5, 2, month) || !digits(8, 2, day))
        return std::nullopt;
    const QDate date(year, month, day);
    if (year == 0 || !date.isValid()) return std::nullopt;
    if (s.size() == 10) return dates::wallClock(date, QTime(0, 0));
    int hour, minute, second;
    if (s[10] != u' ' || s[13] != u':' || s[16] != u':' || !digits(11, 2, hour) || !digits(14, 2, minute) ||
        !digits(17, 2, second))
        return std::nullopt;
    const QTime time(hour, minute, second);
    if (!time.isValid()) return std::nullopt;
    return dates::wallClock(date, time);
}

} // namespace

QDateTime Dataset::parseStoredDateTime(const QVariant& v)
{
    if (v.isNull() || !v.isValid()) return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.isValid() ? dates::wallClock(dt.date(), dt.time()) : QDateTime();
    }
    case QMetaType::QDate: return v.toDate().isValid() ? dates::wallClock(v.toDate(), QTime(0, 0)) : QDateTime();
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int: {
        // Days since 30 December 1899 with the time of day as a fraction, counted on the wall clock.
        const double days = v.toDouble();
        return dates::wallClock(QDate(1899, 12, 30), QTime(0, 0))
            .addMSecs(qint64(days * 86400000.0 + (days >= 0 ? 0.5 : -0.5)));
    }
    default: break;
    }
    const QString s = v.toString().trimmed();
    if (const std::optional<QDateTime> written = storedFormAsWritten(s)) return *written;
    // Read without a zone: a local reading would find no such time inside the hour a change to summer time skips.
    const QDate date = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) return {};
    const QString rest = s.mid(10).trimmed();
    if (rest.isEmpty()) return dates::wallClock(date, QTime(0, 0));
    for (const char* format : {"HH:mm:ss", "HH:mm:ss.zzz", "HH:mm"}) {
        const QTime t = QTime::fromString(rest, QLatin1String(format));
        if (t.isValid()) return dates::wallClock(date, t);
    }
    const QDateTime iso = QDateTime::fromString(s, Qt::ISODate);
    return iso.isValid() ? dates::wallClock(iso.date(), iso.time()) : QDateTime();
}

void Dataset::checkEditing(const char* operation) const
{
    if (!isEditing())
        throw DatabaseError(QStringLiteral("%1: Dataset not in edit or insert mode (%2)").arg(name(), operation));
}

void Dataset::setValue(int index, const QVariant& input)
{
    checkActive();
    if (index < 0 || index >= m_storedColumns)
        throw DatabaseError(QStringLiteral("%1: field index %2 cannot be modified").arg(name()).arg(index));
    checkEditing("set value");
    if (m_columns[size_t(index)].type == ColumnType::Text && input.typeId() == QMetaType::QString &&
        !static_cast<const QString*>(input.constData())->isNull()) {
        // A text for a text column, what imports and edit boxes set: taken as it is, without converting it.
        if (m_edit.set(index, input)) noteValueSet(index);
        return;
    }
    QVariant v;
    const bool empty = !input.isValid() || input.isNull();
    if (!empty) {
        switch (m_columns[size_t(index)].type) {
        case ColumnType::AutoIncrement:
        case ColumnType::Integer: {
            if (input.typeId() == QMetaType::QString) {
                const QString s = input.toString().trimmed();
                if (s.isEmpty()) break;
                bool ok = false;
                const qint64 n = s.toLongLong(&ok);
                if (!ok) throw DatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(s));
                v = n;
            } else {
                bool ok = false;
                const qint64 n = input.toLongLong(&ok);
                if (!ok) throw DatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(input.toString()));
                v = n;
            }
            break;
        }
        case ColumnType::DateTime: {
            QDateTime dt = parseStoredDateTime(input);
            if (!dt.isValid() && input.typeId() == QMetaType::QString) {
                const QDate d = dates::parseShortDate(input.toString());
                if (d.isValid()) dt = dates::wallClock(d, QTime(0, 0));
            }
            // An empty text clears the field; anything else that is no date and time (an invalid date-time value
            // included) is an error, never a silent null.
            const bool emptyText = input.typeId() == QMetaType::QString && input.toString().trimmed().isEmpty();
            if (!dt.isValid() && emptyText) break;
            if (!dt.isValid())
                throw DatabaseError(
                    QStringLiteral("'%1' is not a valid date and time")
                        .arg(input.typeId() == QMetaType::QString ? input.toString() : QStringLiteral("(invalid)")));
            v = dateTimeStorageText(dt);
            break;
        }
        case ColumnType::YesNo: v = qint64(input.toBool() ? 1 : 0); break;
        case ColumnType::Text: v = input.toString(); break;
        }
    }
    if (m_edit.set(index, v)) noteValueSet(index);
}

void Dataset::setValue(const QString& name, const QVariant& v) { setValue(requireField(name), v); }

} // namespace qv
