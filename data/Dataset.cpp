#include "data/Dataset.h"
#include "data/DatabaseError.h"
#include "data/DateFormats.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sqlcipher/sqlite3.h>

namespace qv {

// ================================================================ Dataset: construction

Dataset::Dataset(Connection* connection, const QString& name, QObject* parent)
    : QObject(parent), m_connection(connection)
{
    setObjectName(name);
    // Prepared statements belong to one connection: a reconnect prepares them anew.
    if (connection) connect(connection, &Connection::disconnected, this, &Dataset::dropStatements);
}

Dataset::Dataset(Connection* connection, const QString& name, const QString& table, QObject* parent)
    : Dataset(connection, name, parent)
{
    m_table = &requireTable(table);
    for (const ColumnDef& c : m_table->columns) m_columns.push_back({c.name, c.type, c.width, {}});
    m_storedColumns = int(m_columns.size());
}

Dataset::~Dataset()
{
    setMaster(nullptr, QString());
    for (Dataset* d : m_details) d->m_master = nullptr;
}

Dataset* Dataset::query(Connection* connection, const QString& name, const QString& sql, QObject* parent)
{
    auto* d = new Dataset(connection, name, parent);
    d->m_sql = sql;
    return d;
}

void Dataset::setMaster(Dataset* master, const QString& linkColumn)
{
    if (m_master) {
        auto& v = m_master->m_details;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    m_master = master;
    m_linkColumnName = linkColumn;
    m_linkColumn = master ? fieldIndex(linkColumn) : -1;
    if (master) {
        m_masterLinkColumn = master->fieldIndex(linkColumn);
        master->m_details.push_back(this);
    }
}

void Dataset::addLookupField(const QString& name, std::function<QVariant(const Dataset&)> compute)
{
    m_columns.push_back({name, ColumnType::Text, 0, std::move(compute)});
}

// ================================================================ open, close, read

qint64 Dataset::linkOf(const Row& row) const
{
    const PackedRow p = row.packed();
    switch (p.tag(m_linkColumn, m_storedColumns)) {
    case PackedRow::Null: return NullLink;
    case PackedRow::Int: return p.integer(m_linkColumn, m_storedColumns);
    default: return p.value(m_linkColumn, m_storedColumns).toLongLong(); // written as text by another program
    }
}

QString Dataset::columnList() const
{
    QStringList cols;
    // Brackets, not double quotes: SQLite reads an unknown double-quoted name as a text literal.
    for (int i = 0; i < m_storedColumns; ++i) cols << '[' + m_columns[size_t(i)].name + ']';
    return cols.join(", ");
}

QString Dataset::selectSql() const
{
    if (!m_table) return m_sql;
    // In the table's own order, a plain scan; a detail sorts its rows by the link in memory (see readAll).
    return QStringLiteral("SELECT rowid, %1 FROM [%2] ORDER BY rowid").arg(columnList(), m_table->name);
}

void Dataset::readRow(Statement& st, PackedRow::Builder& b, RowStore& store, Row& row) const
{
    b.clear();
    const int first = m_table ? 1 : 0;
    row.rowid = m_table ? st.columnInt(0) : 0;
    for (int i = 0; i < m_storedColumns; ++i) {
        const int c = i + first;
        switch (st.columnType(c)) {
        case SQLITE_NULL: b.addNull(); break;
        case SQLITE_INTEGER: b.addInt(st.columnInt(c)); break;
        case SQLITE_FLOAT: b.addReal(st.columnDouble(c)); break;
        default: {
            int size = 0;
            const char* p = st.columnTextUtf8(c, &size);
            b.addText(p, size);
        }
        }
    }
    row.data = store.add(b);
}

void Dataset::readAll()
{
    m_connection->handle(); // fails with the closed-connection error first
    const Connection::Stamp stamp = m_table ? m_connection->stampOf(m_table->name) : Connection::Stamp{};
    Statement st(*m_connection, selectSql());
    if (!m_table) {
        // A query's columns are whatever its SQL selects.
        if (m_columns.empty() || m_storedColumns != st.columnCount()) {
            std::vector<Column> lookups;
            for (int i = m_storedColumns; i < int(m_columns.size()); ++i) lookups.push_back(m_columns[i]);
            m_columns.clear();
            for (int i = 0; i < st.columnCount(); ++i) m_columns.push_back({st.columnName(i), ColumnType::Text, 0, {}});
            m_storedColumns = st.columnCount();
            for (auto& l : lookups) m_columns.push_back(l);
        }
    }
    std::vector<Row> rows;
    RowStore store;
    PackedRow::Builder b(m_storedColumns);
    while (st.step()) {
        Row r;
        readRow(st, b, store, r);
        rows.push_back(r);
    }
    // Read in rowid order; a detail shows its rows grouped by the link, in rowid order within a group.
    if (m_linkColumn >= 0) {
        // Each row's link read once; rows keep their rowid order within a link.
        std::vector<std::pair<qint64, quint32>> order(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) order[i] = {linkOf(rows[i]), quint32(i)};
        if (!std::is_sorted(order.begin(), order.end())) {
            std::sort(order.begin(), order.end());
            std::vector<Row> sorted(rows.size());
            for (size_t i = 0; i < order.size(); ++i) sorted[i] = rows[order[i].second];
            rows = std::move(sorted);
        }
    }
    rows.shrink_to_fit();
    m_rows = std::move(rows);
    rowsChanged();
    m_store = std::move(store);
    m_readStamp = stamp;
}

void Dataset::open()
{
    if (isOpen()) return;
    readAll();
    m_state = DatasetState::Browse;
    m_viewStale = true;
    ensureView();
    emit stateChanged(m_state);
    emit opened();
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

void Dataset::close()
{
    if (!isOpen()) return;
    m_rows.clear();
    rowsChanged();
    m_rows.shrink_to_fit();
    m_store.clear();
    m_edit.clear();
    m_editChanged.clear();
    m_modified = false;
    m_lo = m_hi = 0;
    m_pos = -1;
    m_eof = m_bof = true;
    m_viewStale = false;
    m_state = DatasetState::Inactive;
    emit stateChanged(m_state);
    emit closed();
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

// ================================================================ the view of a detail

qint64 Dataset::masterLinkValue(bool* isNull) const
{
    *isNull = true;
    if (!m_master || !m_master->isOpen() || m_masterLinkColumn < 0) return 0;
    if (m_master->recNo() < 0 && m_master->m_state != DatasetState::Insert) return 0;
    const QVariant v = m_master->value(m_masterLinkColumn);
    if (v.isNull()) return 0;
    *isNull = false;
    return v.toLongLong();
}

void Dataset::ensureView() const
{
    if (m_viewStale) computeView();
}

void Dataset::computeView() const
{
    m_viewStale = false;
    if (m_state == DatasetState::Inactive) {
        m_lo = m_hi = 0;
        m_pos = -1;
        return;
    }
    if (!m_master || m_linkColumn < 0) {
        m_lo = 0;
        m_hi = int(m_rows.size());
    } else {
        bool masterNull = true;
        const qint64 key = masterLinkValue(&masterNull);
        if (masterNull) {
            // No master row: nothing to show. Keep the insertion point after the rows without a link.
            auto it = std::partition_point(m_rows.begin(), m_rows.end(),
                                           [this](const Row& r) { return linkOf(r) == NullLink; });
            m_lo = m_hi = int(it - m_rows.begin());
        } else {
            // Rows without a link sort first and hold the lowest link value: plain comparisons of link suffice.
            auto lo = std::lower_bound(m_rows.begin(), m_rows.end(), key,
                                       [this](const Row& r, qint64 k) { return linkOf(r) < k; });
            auto hi = std::upper_bound(lo, m_rows.end(), key, [this](qint64 k, const Row& r) { return k < linkOf(r); });
            m_lo = int(lo - m_rows.begin());
            m_hi = int(hi - m_rows.begin());
        }
    }
    m_pos = m_hi > m_lo ? 0 : -1;
    m_bof = true;
    m_eof = m_hi == m_lo;
}

void Dataset::masterMoved()
{
    if (!isOpen()) return;
    m_viewStale = true;
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

void Dataset::postDetailsPending()
{
    for (Dataset* d : m_details) {
        if (d->m_viewStale || !d->isOpen()) continue;
        d->checkBrowseMode();
        d->postDetailsPending();
    }
}

// ================================================================ navigation

void Dataset::checkActive() const
{
    if (!isOpen())
        throw DatabaseError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(name()));
}

void Dataset::moveToIndex(int index, bool notify)
{
    ensureView();
    if (index == m_pos) return;
    postDetailsPending();
    m_pos = index;
    // A scan moves row by row through rows scattered over the heap: start loading the next ones now.
    for (int ahead = 1; ahead <= 4; ++ahead)
        if (m_lo + index + ahead < m_hi) m_rows[size_t(m_lo + index + ahead)].packed().prefetch();
    for (Dataset* d : m_details) d->masterMoved();
    if (notify) notifyCurrent();
}

void Dataset::first()
{
    checkActive();
    checkBrowseMode();
    ensureView();
    moveToIndex(m_hi > m_lo ? 0 : -1, true);
    m_bof = true;
    m_eof = m_hi == m_lo;
}

void Dataset::last()
{
    checkActive();
    checkBrowseMode();
    ensureView();
    moveToIndex(m_hi - m_lo - 1, true);
    m_bof = m_hi == m_lo;
    m_eof = m_hi == m_lo;
}

void Dataset::next()
{
    checkActive();
    checkBrowseMode();
    ensureView();
    const int count = m_hi - m_lo;
    if (m_pos + 1 < count) {
        moveToIndex(m_pos + 1, true);
        m_eof = false;
        m_bof = false;
    } else {
        m_eof = true;
    }
}

void Dataset::prior()
{
    checkActive();
    checkBrowseMode();
    ensureView();
    if (m_pos > 0) {
        moveToIndex(m_pos - 1, true);
        m_bof = false;
        m_eof = false;
    } else {
        m_bof = true;
    }
}

void Dataset::moveTo(int index)
{
    checkActive();
    checkBrowseMode();
    ensureView();
    const int count = m_hi - m_lo;
    if (count == 0) return;
    moveToIndex(std::clamp(index, 0, count - 1), true);
    m_eof = m_bof = false;
}

bool Dataset::atEnd() const
{
    ensureView();
    return m_eof || (m_hi == m_lo && m_state != DatasetState::Insert);
}

bool Dataset::atBegin() const
{
    ensureView();
    return m_bof || (m_hi == m_lo && m_state != DatasetState::Insert);
}

int Dataset::recordCount() const
{
    if (!isOpen()) return 0;
    ensureView();
    return m_hi - m_lo;
}

int Dataset::recNo() const
{
    if (!isOpen()) return -1;
    ensureView();
    return m_pos;
}

namespace {

// Case-insensitive comparison that is fast for ASCII and exact for the rest.
bool textMatches(const char* p, int size, const QByteArray& wantedUtf8, const QString& wanted, bool prefix,
                 bool caseInsensitive, bool wantedAscii)
{
    const int wn = int(wantedUtf8.size());
    if (!caseInsensitive) {
        if (prefix) return size >= wn && std::memcmp(p, wantedUtf8.constData(), size_t(wn)) == 0;
        return size == wn && std::memcmp(p, wantedUtf8.constData(), size_t(wn)) == 0;
    }
    if (wantedAscii) {
        // Only ASCII letters fold; a non-ASCII byte in the candidate can never equal an ASCII byte of ours.
        if (prefix ? size < wn : size != wn) {
            // A longer text may still match when its non-ASCII part folds differently; fall through below.
            bool asciiOnly = true;
            for (int i = 0; i < size; ++i)
                if (static_cast<unsigned char>(p[i]) >= 0x80) {
                    asciiOnly = false;
                    break;
                }
            if (asciiOnly || (prefix && size < wn)) return false;
        } else {
            int i = 0;
            for (; i < wn; ++i) {
                unsigned char a = static_cast<unsigned char>(p[i]), b = static_cast<unsigned char>(wantedUtf8[i]);
                if (a >= 0x80) break;
                if (a >= 'A' && a <= 'Z') a += 32;
                if (b >= 'A' && b <= 'Z') b += 32;
                if (a != b) return false;
            }
            if (i == wn) return true;
        }
    }
    const QString candidate = QString::fromUtf8(p, size);
    return prefix ? candidate.startsWith(wanted, Qt::CaseInsensitive)
                  : candidate.compare(wanted, Qt::CaseInsensitive) == 0;
}

} // namespace

bool Dataset::locate(const QStringList& columns, const QVariantList& values, LocateOptions options)
{
    checkActive();
    checkBrowseMode();
    ensureView();
    if (columns.size() != values.size())
        throw DatabaseError(QStringLiteral("%1: locate needs one value per column").arg(name()));
    const bool prefix = options & LocatePartialKey;
    const bool ci = options & LocateCaseInsensitive;
    struct Criterion {
        int index;
        bool wantNull;
        QString text;
        QByteArray utf8;
        bool ascii;
        QVariant value;
    };
    std::vector<Criterion> criteria;
    for (int i = 0; i < columns.size(); ++i) {
        Criterion c;
        c.index = requireField(columns[i]);
        c.value = values[i];
        c.wantNull = !values[i].isValid() || values[i].isNull();
        c.text = values[i].toString();
        c.utf8 = c.text.toUtf8();
        c.ascii =
            std::all_of(c.utf8.begin(), c.utf8.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
        criteria.push_back(std::move(c));
    }
    const int n = m_storedColumns;
    const auto rowMatches = [&](const PackedRow& row) {
        for (const Criterion& c : criteria) {
            if (c.index >= m_storedColumns) return false;
            const PackedRow::Tag t = row.tag(c.index, n);
            if (c.wantNull) {
                if (t != PackedRow::Null) return false;
                continue;
            }
            if (t == PackedRow::Null) {
                // An empty value matches an empty column, as the engine's locate treats null text as empty.
                if (!c.text.isEmpty()) return false;
                continue;
            }
            if (t == PackedRow::Text) {
                int size = 0;
                const char* p = row.bytes(c.index, n, &size);
                if (!textMatches(p, size, c.utf8, c.text, prefix, ci, c.ascii)) return false;
            } else {
                const QVariant v = row.value(c.index, n);
                if (v.toString() != c.text && !(prefix && v.toString().startsWith(c.text))) return false;
            }
        }
        return true;
    };
    const auto found = [&](int r) {
        moveToIndex(r - m_lo, true);
        m_eof = m_bof = false;
        return true;
    };

    const Criterion& only = criteria.front();
    if (criteria.size() == 1 && prefix && ci && only.ascii && !only.wantNull && only.index < m_storedColumns &&
        !only.utf8.contains('\0')) {
        // A search box's keystroke: compare each row's folded first eight bytes, held in one array, and read the
        // row itself only for a candidate or a text the key cannot speak for.
        const std::vector<quint64>& keys = searchKeys(only.index);
        const int wn = int(only.utf8.size());
        const quint64 wanted = foldedKey(only.utf8.constData(), wn);
        const quint64 mask = wn >= 8 ? ~quint64(0) : (quint64(1) << (8 * wn)) - 1;
        for (int r = m_lo; r < m_hi; ++r) {
            const quint64 key = keys[size_t(r)];
            if (key & UnfoldedKey) {
                if (rowMatches(m_rows[size_t(r)].packed())) return found(r);
            } else if ((key & mask) == wanted) {
                if (wn <= 8 || rowMatches(m_rows[size_t(r)].packed())) return found(r);
            }
        }
        return false;
    }
    for (int r = m_lo; r < m_hi; ++r)
        if (rowMatches(m_rows[size_t(r)].packed())) return found(r);
    return false;
}

quint64 Dataset::foldedKey(const char* utf8, int size)
{
    quint64 key = 0;
    for (int i = 0; i < std::min(size, 8); ++i) {
        unsigned char ch = static_cast<unsigned char>(utf8[i]);
        if (ch >= 'A' && ch <= 'Z') ch += 'a' - 'A';
        key |= quint64(ch) << (8 * i);
    }
    return key;
}

const std::vector<quint64>& Dataset::searchKeys(int column) const
{
    if (m_searchKeysColumn == column) return m_searchKeys;
    m_searchKeys.resize(m_rows.size());
    for (size_t r = 0; r < m_rows.size(); ++r) {
        const PackedRow row = m_rows[r].packed();
        quint64 key = UnfoldedKey;
        if (row.tag(column, m_storedColumns) == PackedRow::Text) {
            int size = 0;
            const char* p = row.bytes(column, m_storedColumns, &size);
            bool ascii = true;
            for (int i = 0; i < std::min(size, 8); ++i) ascii &= static_cast<unsigned char>(p[i]) < 0x80 && p[i] != 0;
            // Only ASCII folds byte by byte; any other text is compared as characters.
            if (ascii) key = foldedKey(p, size);
        }
        m_searchKeys[r] = key;
    }
    m_searchKeysColumn = column;
    return m_searchKeys;
}

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

const Dataset::Row* Dataset::currentRow() const
{
    ensureView();
    if (m_pos < 0 || m_lo + m_pos >= m_hi) return nullptr;
    return &m_rows[size_t(m_lo + m_pos)];
}

QVariant Dataset::storedValue(int index) const
{
    if (isEditing()) return m_edit[size_t(index)];
    const Row* r = currentRow();
    if (!r) return {};
    return r->packed().value(index, m_storedColumns);
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

bool Dataset::asBool(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull()) return false;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        return s.compare("true", Qt::CaseInsensitive) == 0 || s.compare("yes", Qt::CaseInsensitive) == 0 ||
               (s.toLongLong() != 0);
    }
    return v.toLongLong() != 0;
}

bool Dataset::isNull(int index) const { return value(index).isNull(); }
bool Dataset::isNull(const QString& name) const { return isNull(requireField(name)); }

const char* Dataset::utf8(int index, int* size) const
{
    *size = 0;
    if (isEditing() || index >= m_storedColumns) return nullptr;
    const Row* r = currentRow();
    if (!r || r->packed().tag(index, m_storedColumns) != PackedRow::Text) return nullptr;
    return r->packed().bytes(index, m_storedColumns, size);
}

qint64 Dataset::rowId() const
{
    if (m_state == DatasetState::Insert) return 0;
    const Row* r = currentRow();
    return r ? r->rowid : 0;
}

QString Dataset::displayText(const QString& name) const
{
    const int i = requireField(name);
    const QVariant v = value(i);
    if (v.isNull()) return {};
    switch (m_columns[size_t(i)].type) {
    case ColumnType::DateTime: return dates::dateAndTime(parseStoredDateTime(v));
    case ColumnType::YesNo: return v.toLongLong() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    default: return v.toString();
    }
}

QString Dataset::dateTimeStorageText(const QDateTime& dt)
{
    // The date and time of day as given, whatever zone the value was made in: the file holds wall-clock time.
    return dt.isValid()
               ? dt.date().toString(QStringLiteral("yyyy-MM-dd")) + ' ' + dt.time().toString(QStringLiteral("HH:mm:ss"))
               : QString();
}

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
    QVariant& slot = m_edit[size_t(index)];
    if (slot.isNull() == v.isNull() && slot == v) return;
    slot = v;
    m_editChanged[size_t(index)] = true;
    m_modified = true;
    if (!m_disabled) emit fieldChanged(index);
}

void Dataset::setValue(const QString& name, const QVariant& v) { setValue(requireField(name), v); }

// ================================================================ editing

void Dataset::setState(DatasetState s)
{
    if (m_state == s) return;
    m_state = s;
    emit stateChanged(s);
}

void Dataset::notifyCurrent()
{
    if (m_disabled) {
        m_pendingNotify = true;
        return;
    }
    emit currentChanged();
}

void Dataset::enableControls()
{
    if (m_disabled > 0 && --m_disabled == 0 && m_pendingNotify) {
        m_pendingNotify = false;
        emit currentChanged();
    }
}

void Dataset::checkBrowseMode()
{
    if (!isEditing()) return;
    if (m_modified)
        post();
    else
        cancel();
}

void Dataset::insert()
{
    checkActive();
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    checkBrowseMode();
    ensureView();
    postDetailsPending();
    if (m_pos < 0) m_pos = 0;
    m_edit.assign(size_t(m_storedColumns), QVariant());
    m_editChanged.assign(size_t(m_storedColumns), false);
    if (m_master && m_linkColumn >= 0) {
        // The link column is filled before any other code sees the new row.
        bool masterNull = true;
        const qint64 key = masterLinkValue(&masterNull);
        if (!masterNull) {
            m_edit[size_t(m_linkColumn)] = key;
            m_editChanged[size_t(m_linkColumn)] = true;
        }
    }
    m_modified = false;
    m_eof = m_bof = false;
    setState(DatasetState::Insert);
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

void Dataset::append()
{
    checkActive();
    checkBrowseMode();
    ensureView();
    insert();
    m_pos = m_hi - m_lo; // after the last row
}

void Dataset::edit()
{
    checkActive();
    if (isEditing()) return;
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    if (recordCount() == 0) return insert();
    const Row* r = currentRow();
    m_edit.resize(size_t(m_storedColumns));
    for (int i = 0; i < m_storedColumns; ++i) m_edit[size_t(i)] = r->packed().value(i, m_storedColumns);
    m_editChanged.assign(size_t(m_storedColumns), false);
    m_modified = false;
    setState(DatasetState::Edit);
}

void Dataset::cancel()
{
    if (!isEditing()) return;
    const bool wasInsert = m_state == DatasetState::Insert;
    m_edit.clear();
    m_editChanged.clear();
    m_modified = false;
    if (wasInsert) {
        const int count = m_hi - m_lo;
        if (m_pos >= count) m_pos = count - 1;
    }
    setState(DatasetState::Browse);
    if (wasInsert)
        for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

void Dataset::validateWidths() const
{
    for (int i = 0; i < m_storedColumns; ++i) {
        const Column& c = m_columns[size_t(i)];
        if (c.type != ColumnType::Text || c.width <= 0 || !m_editChanged[size_t(i)]) continue;
        const QVariant& v = m_edit[size_t(i)];
        if (v.isNull()) continue;
        const qsizetype length = characterCount(v.toString());
        if (length > c.width)
            throw DatabaseError(QStringLiteral("The value in field '%1' is too long: it holds %2 characters and the "
                                               "field allows at most %3. Shorten it and save again.")
                                    .arg(c.name)
                                    .arg(length)
                                    .arg(c.width));
    }
}

Statement& Dataset::cachedStatement(std::unique_ptr<Statement>& slot, const QString& sql)
{
    if (!slot) slot = std::make_unique<Statement>(*m_connection, sql);
    slot->reset();
    return *slot;
}

Statement& Dataset::writeStatement(bool insert, const std::vector<int>& columns)
{
    for (size_t i = 0; i < m_writeStatements.size(); ++i) {
        CachedWrite& w = m_writeStatements[i];
        if (w.insert != insert || w.columns != columns) continue;
        if (i > 0)
            std::rotate(m_writeStatements.begin(), m_writeStatements.begin() + i, m_writeStatements.begin() + i + 1);
        m_writeStatements.front().statement->reset();
        return *m_writeStatements.front().statement;
    }
    QStringList names;
    for (int i : columns) names << '[' + m_columns[size_t(i)].name + ']';
    QString sql;
    if (insert && columns.empty()) {
        sql = QStringLiteral("INSERT INTO [%1] DEFAULT VALUES").arg(m_table->name);
    } else if (insert) {
        sql = QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                  .arg(m_table->name, names.join(", "), QStringList(names.size(), QStringLiteral("?")).join(", "));
    } else {
        // The row as we read it: its rowid and the stored values of the columns being written. Another writer's
        // change to one of them meanwhile leaves nothing to update, which post reports instead of overwriting it.
        QStringList sets, unchanged;
        for (int k = 0; k < names.size(); ++k) {
            sets << names[k] + QStringLiteral(" = ?");
            const bool text = m_columns[size_t(columns[size_t(k)])].type == ColumnType::Text;
            unchanged << names[k] + (text ? QStringLiteral(" IS ? COLLATE BINARY") : QStringLiteral(" IS ?"));
        }
        sql = QStringLiteral("UPDATE [%1] SET %2 WHERE rowid = ? AND %3")
                  .arg(m_table->name, sets.join(", "), unchanged.join(" AND "));
    }
    constexpr size_t Kept = 8;
    if (m_writeStatements.size() >= Kept) m_writeStatements.pop_back();
    m_writeStatements.insert(m_writeStatements.begin(),
                             CachedWrite{insert, columns, std::make_unique<Statement>(*m_connection, sql)});
    return *m_writeStatements.front().statement;
}

void Dataset::dropStatements()
{
    m_reloadStatement.reset();
    m_deleteStatement.reset();
    m_deleteRunStatement.reset();
    m_writeStatements.clear();
}

void Dataset::reloadRow(qint64 rowid, Row& row)
{
    Statement& st =
        cachedStatement(m_reloadStatement,
                        QStringLiteral("SELECT rowid, %1 FROM [%2] WHERE rowid = ?").arg(columnList(), m_table->name));
    st.bindInt(1, rowid);
    PackedRow::Builder b(m_storedColumns);
    if (st.step()) {
        readRow(st, b, m_store, row);
    } else {
        row.rowid = rowid;
        for (const QVariant& v : m_edit) b.addValue(v);
        row.data = m_store.add(b);
    }
    st.reset();
}

void Dataset::releaseRow(const Row& row)
{
    m_store.release(row.packed().byteSize(m_storedColumns));
    // Replaced and deleted rows leave their bytes behind; once they outweigh the live rows, copy those out.
    if (m_store.garbageBytes() < 1024 * 1024 || m_store.garbageBytes() * 2 < m_store.usedBytes()) return;
    RowStore fresh;
    for (Row& r : m_rows)
        if (r.data != row.data) r.data = fresh.copy(r.data, r.packed().byteSize(m_storedColumns));
    m_store = std::move(fresh);
}

void Dataset::writeRow()
{
    const bool inserting = m_state == DatasetState::Insert;
    std::vector<int> indexes;
    for (int i = 0; i < m_storedColumns; ++i) {
        if (m_columns[size_t(i)].type == ColumnType::AutoIncrement) continue;
        if (!m_editChanged[size_t(i)]) continue;
        indexes.push_back(i);
    }
    const Connection::Stamp before = m_connection->stampOf(m_table->name);
    const bool wasCurrent = before == m_readStamp;
    m_lastPostColumns.clear();
    qint64 rowid = 0;
    if (inserting) {
        Statement& st = writeStatement(true, indexes);
        for (size_t i = 0; i < indexes.size(); ++i) st.bind(int(i) + 1, m_edit[size_t(indexes[i])]);
        st.step();
        st.reset();
        rowid = m_connection->lastInsertRowid();
    } else {
        const Row& original = *currentRow();
        rowid = original.rowid;
        if (!indexes.empty()) {
            Statement& st = writeStatement(false, indexes);
            int k = 1;
            for (int i : indexes) st.bind(k++, m_edit[size_t(i)]);
            st.bindInt(k++, rowid);
            const PackedRow stored = original.packed();
            for (int i : indexes) {
                int size = 0;
                const char* p = stored.bytes(i, m_storedColumns, &size);
                switch (stored.tag(i, m_storedColumns)) {
                case PackedRow::Null: st.bindNull(k++); break;
                case PackedRow::Text: st.bindText(k++, p, size); break;
                default: st.bind(k++, stored.value(i, m_storedColumns));
                }
            }
            st.step();
            st.reset();
            if (m_connection->changes() == 0)
                throw DatabaseError(QStringLiteral("Row cannot be located for updating. Some values may have been "
                                                   "changed since it was last read."));
        }
    }
    m_connection->noteWrite(m_table->name);
    if (wasCurrent) m_readStamp = m_connection->stampOf(m_table->name);
    m_lastPostColumns = indexes;

    Row fresh;
    reloadRow(rowid, fresh);
    if (inserting) {
        const int at = m_lo + std::max(0, std::min(m_pos, m_hi - m_lo));
        m_rows.insert(m_rows.begin() + at, fresh);
        rowsChanged();
        ++m_hi;
        m_pos = at - m_lo;
        bool masterNull = true;
        const qint64 key = masterLinkValue(&masterNull);
        // A row written with another master's link belongs to that master's rows, not to this view.
        if (m_master && m_linkColumn >= 0 && linkOf(fresh) != (masterNull ? NullLink : key)) moveToLinkPlace(at);
    } else {
        const int at = m_lo + m_pos;
        const Row old = m_rows[size_t(at)];
        m_rows[size_t(at)] = fresh;
        rowsChanged();
        releaseRow(old);
        if (m_linkColumn >= 0 && linkOf(fresh) != linkOf(old)) moveToLinkPlace(at);
    }
}

void Dataset::moveToLinkPlace(int at)
{
    Row moved = std::move(m_rows[size_t(at)]);
    m_rows.erase(m_rows.begin() + at);
    // Among its new master's rows in rowid order, where a re-read would put it.
    auto pos = std::upper_bound(m_rows.begin(), m_rows.end(), moved, [this](const Row& a, const Row& b) {
        if (linkOf(a) != linkOf(b)) return linkOf(a) < linkOf(b);
        return a.rowid < b.rowid;
    });
    m_rows.insert(pos, std::move(moved));
    rowsChanged();
    const int keep = m_pos;
    computeView();
    m_pos = std::min(keep, m_hi - m_lo - 1);
}

void Dataset::post()
{
    checkActive();
    if (!isEditing()) return;
    const bool wasInsert = m_state == DatasetState::Insert;
    if (beforePost) beforePost(*this);
    validateWidths();
    writeRow();
    m_edit.clear();
    m_editChanged.clear();
    m_modified = false;
    m_eof = m_bof = false;
    setState(DatasetState::Browse);
    if (wasInsert || !m_details.empty())
        for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
    if (afterPost) afterPost(*this);
}

void Dataset::remove()
{
    checkActive();
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    if (m_state == DatasetState::Insert) return cancel();
    if (m_state == DatasetState::Edit) cancel();
    ensureView();
    if (m_hi == m_lo)
        throw DatabaseError(QStringLiteral("%1: Cannot perform this operation on an empty dataset").arg(name()));
    postDetailsPending();
    const int at = m_lo + m_pos;
    const Connection::Stamp before = m_connection->stampOf(m_table->name);
    const bool wasCurrent = before == m_readStamp;
    Statement& st =
        cachedStatement(m_deleteStatement, QStringLiteral("DELETE FROM [%1] WHERE rowid = ?").arg(m_table->name));
    st.bindInt(1, m_rows[size_t(at)].rowid);
    st.step();
    st.reset();
    m_connection->noteWrite(m_table->name);
    if (wasCurrent) m_readStamp = m_connection->stampOf(m_table->name);
    const Row gone = m_rows[size_t(at)];
    m_rows.erase(m_rows.begin() + at);
    releaseRow(gone);
    rowsChanged();
    --m_hi;
    if (m_pos >= m_hi - m_lo) m_pos = m_hi - m_lo - 1;
    m_eof = m_hi == m_lo;
    m_bof = m_pos <= 0;
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
    if (afterDelete) afterDelete(*this);
}

bool Dataset::lastPostWrote(const QString& field) const
{
    const int index = fieldIndex(field);
    return std::find(m_lastPostColumns.begin(), m_lastPostColumns.end(), index) != m_lastPostColumns.end();
}

int Dataset::removeAll(int limit)
{
    checkActive();
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    checkBrowseMode();
    ensureView();
    const int count = limit < 0 ? m_hi - m_lo : std::min(limit, m_hi - m_lo);
    if (afterDelete) {
        // A rule runs after each deletion: one row at a time, as the rule expects.
        for (int i = 0; i < count; ++i) {
            first();
            remove();
        }
        return count;
    }
    postDetailsPending();
    // The rows, in runs of consecutive rowids: a run is deleted by one statement that can reach no row we do not
    // mean, since every rowid in it is one of ours.
    std::vector<qint64> rowids;
    rowids.reserve(size_t(count));
    for (int r = m_lo; r < m_lo + count; ++r) rowids.push_back(m_rows[size_t(r)].rowid);
    std::sort(rowids.begin(), rowids.end());
    const bool wasCurrent = m_connection->stampOf(m_table->name) == m_readStamp;
    Statement& st = cachedStatement(m_deleteRunStatement,
                                    QStringLiteral("DELETE FROM [%1] WHERE rowid BETWEEN ? AND ?").arg(m_table->name));
    size_t done = 0;
    const auto forgetDeleted = [&] {
        // What was deleted stays deleted, also when a later run fails; the rows held follow the file.
        if (done == 0) return;
        m_connection->noteWrite(m_table->name);
        if (wasCurrent) m_readStamp = m_connection->stampOf(m_table->name);
        const auto gone = [&](const Row& r) {
            return r.rowid <= rowids[done - 1] && std::binary_search(rowids.begin(), rowids.begin() + done, r.rowid);
        };
        const auto end =
            std::stable_partition(m_rows.begin() + m_lo, m_rows.begin() + m_hi, [&](const Row& r) { return !gone(r); });
        for (auto it = end; it != m_rows.begin() + m_hi; ++it) m_store.release(it->packed().byteSize(m_storedColumns));
        const int removed = int(m_rows.begin() + m_hi - end);
        m_rows.erase(end, m_rows.begin() + m_hi);
        m_hi -= removed;
        rowsChanged();
        m_pos = m_hi > m_lo ? 0 : -1;
        m_eof = m_bof = true;
        for (Dataset* d : m_details) d->masterMoved();
        notifyCurrent();
    };
    Transaction transaction(*m_connection);
    try {
        while (done < rowids.size()) {
            size_t end = done + 1;
            while (end < rowids.size() && rowids[end] == rowids[end - 1] + 1) ++end;
            st.reset();
            st.bindInt(1, rowids[done]);
            st.bindInt(2, rowids[end - 1]);
            st.step();
            done = end;
        }
        st.reset();
        transaction.commit();
    } catch (...) {
        try {
            transaction.commit();
        } catch (...) {
            done = 0; // nothing was kept
        }
        forgetDeleted();
        throw;
    }
    forgetDeleted();
    return int(done);
}

void Dataset::refresh()
{
    checkActive();
    checkBrowseMode();
    m_lastRefreshSkipped = false;
    if (m_table && m_connection->stampOf(m_table->name) == m_readStamp) {
        // Nothing was written to the table since we read it, by us or by anyone else.
        m_lastRefreshSkipped = true;
        return;
    }
    ensureView();
    const qint64 keepRowid = rowId();
    const int keepPos = m_pos;
    readAll();
    computeView();
    const int count = m_hi - m_lo;
    int pos = -1;
    if (m_table && keepRowid != 0) {
        for (int r = m_lo; r < m_hi; ++r)
            if (m_rows[size_t(r)].rowid == keepRowid) {
                pos = r - m_lo;
                break;
            }
    }
    if (pos < 0) pos = count == 0 ? -1 : std::clamp(keepPos, 0, count - 1);
    m_pos = pos;
    m_eof = m_bof = count == 0;
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

QVariant Dataset::lookupValue(const QString& keyColumn, const QVariant& key, const QString& resultColumn) const
{
    if (!isOpen() || key.isNull()) return {};
    ensureView();
    const int k = fieldIndex(keyColumn), r = fieldIndex(resultColumn);
    if (k < 0 || r < 0 || k >= m_storedColumns || r >= m_storedColumns) return {};
    for (int i = m_lo; i < m_hi; ++i) {
        const QVariant v = m_rows[size_t(i)].packed().value(k, m_storedColumns);
        if (!v.isNull() && v == key) return m_rows[size_t(i)].packed().value(r, m_storedColumns);
        if (!v.isNull() && v.toString() == key.toString()) return m_rows[size_t(i)].packed().value(r, m_storedColumns);
    }
    return {};
}

// ================================================================ measurements

size_t Dataset::heapBytes() const { return m_rows.capacity() * sizeof(Row) + m_store.allocatedBytes(); }

size_t Dataset::textBytes() const
{
    size_t total = 0;
    for (const Row& r : m_rows) {
        const PackedRow row = r.packed();
        for (int i = 0; i < m_storedColumns; ++i)
            if (row.tag(i, m_storedColumns) == PackedRow::Text) {
                int size = 0;
                row.bytes(i, m_storedColumns, &size);
                total += size_t(size);
            }
    }
    return total;
}

} // namespace qv
