#include "data/Dataset.h"
#include "data/DatabaseError.h"
#include "data/DateFormats.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
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

qint64 Dataset::linkIn(const PackedRow& p) const
{
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

QString Dataset::selectSql(bool withRowid) const
{
    if (!m_table) return m_sql;
    // In the table's own order, a plain scan; a detail sorts its rows by the link in memory (see readAll).
    return QStringLiteral("SELECT %1%2 FROM [%3] ORDER BY rowid")
        .arg(withRowid ? QStringLiteral("rowid, ") : QString(), columnList(), m_table->name);
}

bool Dataset::keyIsRowid()
{
    if (!m_table || m_storedColumns == 0 || m_columns[0].type != ColumnType::AutoIncrement) return false;
    readFileForm();
    return m_fileForm == FileForm::Known && m_fileColumns[0].isRowid;
}

void Dataset::readRow(Statement& st, bool withRowid, PackedRow::Builder& b, RowStore& store, Row& row) const
{
    b.clear();
    // One call that takes the connection's lock per cell, not one per type, text and length.
    sqlite3_stmt* h = st.handle();
    const int first = withRowid ? 1 : 0;
    for (int i = 0; i < m_storedColumns; ++i) {
        sqlite3_value* v = sqlite3_column_value(h, i + first);
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL: b.addNull(); break;
        case SQLITE_INTEGER: b.addInt(sqlite3_value_int64(v)); break;
        case SQLITE_FLOAT: b.addReal(sqlite3_value_double(v)); break;
        default: {
            const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            b.addText(p, sqlite3_value_bytes(v));
        }
        }
    }
    if (m_table) b.setRowid(withRowid ? st.columnInt(0) : b.integer(0));
    row.ref = store.add(b);
}

void Dataset::readAll()
{
    m_connection->handle(); // fails with the closed-connection error first
    const Connection::Stamp stamp = m_table ? m_connection->stampOf(m_table->name) : Connection::Stamp{};
    const bool withRowid = m_table && !keyIsRowid();
    Statement st(*m_connection, selectSql(withRowid));
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
    // Each row's link, taken while the row is at hand; rows keep their rowid order within a link.
    std::vector<std::pair<qint64, quint32>> order;
    while (st.step()) {
        Row r;
        readRow(st, withRowid, b, store, r);
        if (m_linkColumn >= 0) {
            const PackedRow::Tag t = b.tag(m_linkColumn);
            const qint64 link = t == PackedRow::Null  ? NullLink
                                : t == PackedRow::Int ? b.integer(m_linkColumn)
                                                      : linkIn(PackedRow(store.at(r.ref)));
            order.emplace_back(link, quint32(rows.size()));
        }
        rows.push_back(r);
    }
    // Read in rowid order; a detail shows its rows grouped by the link, in rowid order within a group.
    if (m_linkColumn >= 0) sortByLink(rows, order);
    rows.shrink_to_fit();
    m_rows = std::move(rows);
    rowsChanged();
    m_store = std::move(store);
    m_readStamp = stamp;
}

void Dataset::sortByLink(std::vector<Row>& rows, std::vector<std::pair<qint64, quint32>>& order)
{
    if (std::is_sorted(order.begin(), order.end())) return;
    qint64 lo = std::numeric_limits<qint64>::max(), hi = std::numeric_limits<qint64>::min();
    for (const auto& o : order)
        if (o.first != NullLink) {
            lo = std::min(lo, o.first);
            hi = std::max(hi, o.first);
        }
    std::vector<Row> sorted(rows.size());
    // Links are mostly keys of a few thousand or a few hundred thousand master rows: counted into place, in one
    // pass that keeps the rowid order within a link, instead of compared. Bucket 0 holds the rows without one.
    const quint64 width = lo <= hi ? quint64(hi) - quint64(lo) : 0;
    if (width < 4 * quint64(rows.size()) + 1024) {
        std::vector<quint32> start(size_t(width) + 3, 0);
        const auto bucket = [&](qint64 link) {
            return link == NullLink ? size_t(0) : size_t(quint64(link) - quint64(lo)) + 1;
        };
        for (const auto& o : order) ++start[bucket(o.first) + 1];
        for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
        for (const auto& o : order) sorted[start[bucket(o.first)]++] = rows[o.second];
    } else {
        std::sort(order.begin(), order.end());
        for (size_t i = 0; i < order.size(); ++i) sorted[i] = rows[order[i].second];
    }
    rows = std::move(sorted);
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
    notifyRowsReset();
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
    notifyRowsReset();
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
    notifyRowsReset();
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
    // A scan moves row by row and reads a few cells of each, spread over the row: start loading the whole of the
    // rows just ahead now, as far as one row usually reaches, so that their cells are in cache when reached.
    const int ahead = m_lo + index + 2;
    if (ahead < m_hi) packedOf(m_rows[size_t(ahead)]).prefetch(10);
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

int Dataset::shownRowCount() const { return recordCount() + (m_state == DatasetState::Insert ? 1 : 0); }

int Dataset::currentShownRow() const
{
    if (!isOpen()) return -1;
    ensureView();
    return m_pos;
}

QVariant Dataset::valueAt(int shownRow, int index) const
{
    if (!isOpen() || index < 0 || index >= m_storedColumns) return {};
    ensureView();
    if (isEditing() && shownRow == m_pos) return m_edit[size_t(index)];
    int viewRow = shownRow;
    if (m_state == DatasetState::Insert && shownRow > m_pos) --viewRow;
    if (viewRow < 0 || viewRow >= m_hi - m_lo) return {};
    return packedOf(m_rows[size_t(m_lo + viewRow)]).value(index, m_storedColumns);
}

const char* Dataset::utf8At(int shownRow, int index, int* size) const
{
    *size = 0;
    if (!isOpen() || index < 0 || index >= m_storedColumns) return nullptr;
    ensureView();
    if (isEditing() && shownRow >= m_pos) {
        if (shownRow == m_pos) return nullptr;
        if (m_state == DatasetState::Insert) --shownRow;
    }
    if (shownRow < 0 || shownRow >= m_hi - m_lo) return nullptr;
    const int at = m_lo + shownRow;
    // A scan reads row after row: start loading the next ones now, far enough ahead to arrive in time, and the
    // whole of a usual row, since a scan may read a cell near its end.
    if (at + 8 < m_hi) packedOf(m_rows[size_t(at + 8)]).prefetch(12);
    const PackedRow row = packedOf(m_rows[size_t(at)]);
    if (row.tag(index, m_storedColumns) != PackedRow::Text) return nullptr;
    return row.bytes(index, m_storedColumns, size);
}

// ================================================================ editing

void Dataset::setState(DatasetState s)
{
    if (m_state == s) return;
    m_state = s;
    if (noticesHeld()) {
        m_pendingState = true;
        return;
    }
    emit stateChanged(s);
}

bool Dataset::noticesHeld() const
{
    // A detail follows its master: while nobody watches the master move, nobody watches the detail follow it.
    for (const Dataset* d = this; d; d = d->m_master)
        if (d->m_disabled) return true;
    return false;
}

void Dataset::notifyCurrent()
{
    if (noticesHeld()) {
        m_pendingNotify = true;
        return;
    }
    emit currentChanged();
}

void Dataset::notifyRowsReset()
{
    if (noticesHeld()) {
        m_pendingRowsReset = true;
        return;
    }
    emit rowsReset();
}

void Dataset::notifyRow(RowChange change, int row)
{
    // A grid that missed one row notice cannot follow the next: while held back, they become one re-read.
    if (noticesHeld()) {
        m_pendingRowsReset = true;
        return;
    }
    switch (change) {
    case RowChange::Inserted: emit rowInserted(row); break;
    case RowChange::Removed: emit rowRemoved(row); break;
    case RowChange::Changed: emit rowChanged(row); break;
    }
}

void Dataset::enableControls()
{
    if (m_disabled > 0 && --m_disabled == 0) releaseHeldNotices();
}

void Dataset::releaseHeldNotices()
{
    if (noticesHeld()) return;
    if (m_pendingRowsReset) {
        m_pendingRowsReset = false;
        emit rowsReset();
    }
    if (m_pendingState) {
        m_pendingState = false;
        emit stateChanged(m_state);
    }
    if (m_pendingNotify) {
        m_pendingNotify = false;
        emit currentChanged();
    }
    for (Dataset* d : m_details) d->releaseHeldNotices();
}

void Dataset::checkBrowseMode()
{
    if (!isEditing()) return;
    if (m_modified)
        post();
    else
        cancel();
}

void Dataset::insert() { startInsert(false); }

void Dataset::append() { startInsert(true); }

void Dataset::resetEdit()
{
    // Outside editing the buffer is empty or all null (a posted insert leaves it so): an import, inserting row
    // after row, reuses it as it stands.
    if (m_edit.size() != size_t(m_storedColumns)) m_edit.assign(size_t(m_storedColumns), QVariant());
    m_editChanged.assign(size_t(m_storedColumns), false);
}

void Dataset::startInsert(bool atEnd)
{
    checkActive();
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    checkBrowseMode();
    ensureView();
    postDetailsPending();
    if (atEnd)
        m_pos = m_hi - m_lo; // after the last row
    else if (m_pos < 0)
        m_pos = 0;
    resetEdit();
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
    notifyRow(RowChange::Inserted, m_pos);
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

void Dataset::edit()
{
    checkActive();
    if (isEditing()) return;
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    if (recordCount() == 0) return insert();
    const Row* r = currentRow();
    m_edit.resize(size_t(m_storedColumns));
    for (int i = 0; i < m_storedColumns; ++i) m_edit[size_t(i)] = packedOf(*r).value(i, m_storedColumns);
    m_editChanged.assign(size_t(m_storedColumns), false);
    m_modified = false;
    setState(DatasetState::Edit);
}

void Dataset::cancel()
{
    if (!isEditing()) return;
    const bool wasInsert = m_state == DatasetState::Insert;
    const bool wasModified = m_modified;
    const int row = m_pos;
    m_edit.clear();
    m_editChanged.clear();
    m_modified = false;
    if (wasInsert) {
        const int count = m_hi - m_lo;
        if (m_pos >= count) m_pos = count - 1;
    }
    setState(DatasetState::Browse);
    if (wasInsert)
        notifyRow(RowChange::Removed, row);
    else if (wasModified)
        notifyRow(RowChange::Changed, row);
    if (wasInsert)
        for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
}

void Dataset::validateValues() const
{
    for (int i = 0; i < m_storedColumns; ++i) {
        const Column& c = m_columns[size_t(i)];
        if (!m_editChanged[size_t(i)]) continue;
        const QVariant& v = m_edit[size_t(i)];
        if (v.isNull()) continue;
        if (c.type == ColumnType::Integer) {
            // The file's whole numbers are 32 bits wide; a larger one would come back as another number.
            const qint64 n = v.toLongLong();
            if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
                throw DatabaseError(QStringLiteral("The value in field '%1' is too large: %2 is not a whole number "
                                                   "from %3 to %4. Correct it and save again.")
                                        .arg(c.name)
                                        .arg(n)
                                        .arg(std::numeric_limits<qint32>::min())
                                        .arg(std::numeric_limits<qint32>::max()));
            continue;
        }
        if (c.type != ColumnType::Text || c.width <= 0) continue;
        // A text holds no more characters than UTF-16 units: most are counted without looking at them.
        const QString* text = v.typeId() == QMetaType::QString ? static_cast<const QString*>(v.constData()) : nullptr;
        if (text && text->size() <= c.width) continue;
        const qsizetype length = characterCount(text ? *text : v.toString());
        if (length > c.width)
            throw DatabaseError(QStringLiteral("The value in field '%1' is too long: it holds %2 characters and the "
                                               "field allows at most %3. Shorten it and save again.")
                                    .arg(c.name)
                                    .arg(length)
                                    .arg(c.width));
    }
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
            if (rowidOf(m_rows[size_t(r)]) == keepRowid) {
                pos = r - m_lo;
                break;
            }
    }
    if (pos < 0) pos = count == 0 ? -1 : std::clamp(keepPos, 0, count - 1);
    m_pos = pos;
    m_eof = m_bof = count == 0;
    for (Dataset* d : m_details) d->masterMoved();
    notifyRowsReset();
    notifyCurrent();
}

// ================================================================ measurements

size_t Dataset::heapBytes() const { return m_rows.capacity() * sizeof(Row) + m_store.allocatedBytes(); }

size_t Dataset::textBytes() const
{
    size_t total = 0;
    for (const Row& r : m_rows) {
        const PackedRow row = packedOf(r);
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
