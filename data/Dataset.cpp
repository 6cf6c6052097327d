// The dataset's states and moves, and the notices that tell the controls of them. The rows themselves are held by
// StoredRows, written through WriteStatements (DatasetWrite.cpp), read field by field in DatasetFields.cpp and
// searched in DatasetLocate.cpp.
#include "data/Dataset.h"
#include "data/DatabaseError.h"

#include <algorithm>

namespace qv {

// ================================================================ construction

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
    m_rows.setShape(m_storedColumns, -1, true);
    m_statements = std::make_unique<WriteStatements>(*m_table);
    m_composer = std::make_unique<RowComposer>(*m_table);
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
    m_rows.setShape(m_storedColumns, m_linkColumn, m_table != nullptr);
    if (master) {
        m_masterLinkColumn = master->fieldIndex(linkColumn);
        master->m_details.push_back(this);
    }
}

void Dataset::addLookupField(const QString& name, std::function<QVariant(const Dataset&)> compute)
{
    m_columns.push_back({name, ColumnType::Text, 0, std::move(compute)});
}

void Dataset::dropStatements()
{
    if (!m_table) return;
    m_statements->clear();
    m_composer->forget(); // another file may be connected next
}

// ================================================================ open, close, read

QString Dataset::selectSql(bool withRowid) const
{
    if (!m_table) return m_sql;
    // In the table's own order, a plain scan; a detail sorts its rows by the link in memory.
    return QStringLiteral("SELECT %1%2 FROM [%3] ORDER BY rowid")
        .arg(withRowid ? QStringLiteral("rowid, ") : QString(), m_statements->columnList(), m_table->name);
}

Dataset::RowsRead Dataset::prepareRead()
{
    m_connection->handle(); // fails with the closed-connection error first
    RowsRead r;
    r.stamp = m_table ? m_connection->stampOf(m_table->name) : Connection::Stamp{};
    // No rowid selected where the key column holds it already.
    r.withRowid = m_table && !m_composer->keyIsRowid(*m_connection);
    // Prepared here, so that a missing table or column fails before any row is read.
    r.statement = std::make_unique<Statement>(*m_connection, selectSql(r.withRowid));
    if (m_table) {
        r.rows.setShape(m_storedColumns, m_linkColumn, true);
    } else {
        // A query's columns are whatever its SQL selects.
        for (int i = 0; i < r.statement->columnCount(); ++i) r.columnNames << r.statement->columnName(i);
        r.rows.setShape(r.statement->columnCount(), -1, false);
    }
    r.keysColumn = m_keptKeysColumn;
    return r;
}

void Dataset::read(RowsRead& r)
{
    r.rows.readAll(*r.statement, r.withRowid);
    r.statement.reset();
    // Worked out while the rows are fresh in the processor's cache, not on the first keystroke.
    if (r.keysColumn >= 0) r.keys.of(r.rows, r.keysColumn);
}

void Dataset::takeRows(RowsRead&& r)
{
    if (!m_table && (m_columns.empty() || m_storedColumns != r.rows.columnCount())) {
        const std::vector<Column> lookups(m_columns.begin() + m_storedColumns, m_columns.end());
        m_columns.clear();
        for (const QString& name : std::as_const(r.columnNames)) m_columns.push_back({name, ColumnType::Text, 0, {}});
        m_storedColumns = r.rows.columnCount();
        m_columns.insert(m_columns.end(), lookups.begin(), lookups.end());
    }
    m_rows = std::move(r.rows);
    if (r.keysColumn >= 0) m_searchKeys = std::move(r.keys);
    m_readStamp = r.stamp;
}

void Dataset::readAll()
{
    RowsRead r = prepareRead();
    read(r);
    takeRows(std::move(r));
}

void Dataset::keepSearchKeys(const QString& column) { m_keptKeysColumn = requireField(column); }

void Dataset::open()
{
    if (isOpen()) return;
    readAll();
    becomeOpen();
}

void Dataset::open(RowsRead&& read)
{
    if (isOpen()) return;
    takeRows(std::move(read));
    becomeOpen();
}

void Dataset::becomeOpen()
{
    m_state = DatasetState::Browse;
    m_viewStale = true;
    ensureView();
    emit stateChanged(m_state);
    emit opened();
    notifyDetails();
    notifyRowsReset();
    notifyCurrent();
}

void Dataset::close()
{
    if (!isOpen()) return;
    m_rows.clear();
    m_edit.clear();
    m_lo = m_hi = 0;
    m_pos = -1;
    m_eof = true;
    m_viewStale = false;
    m_state = DatasetState::Inactive;
    emit stateChanged(m_state);
    emit closed();
    notifyDetails();
    notifyRowsReset();
    notifyCurrent();
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
            if (m_rows.rowid(r) == keepRowid) {
                pos = r - m_lo;
                break;
            }
    }
    if (pos < 0) pos = count == 0 ? -1 : std::clamp(keepPos, 0, count - 1);
    m_pos = pos;
    m_eof = count == 0;
    notifyDetails();
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
        m_hi = m_rows.size();
    } else {
        bool masterNull = true;
        const qint64 key = masterLinkValue(&masterNull);
        // No master row: nothing to show, the insertion point after the rows without a link.
        const auto [lo, hi] = m_rows.linkRange(masterNull ? StoredRows::NullLink : key);
        m_lo = masterNull ? hi : lo;
        m_hi = hi;
    }
    m_pos = m_hi > m_lo ? 0 : -1;
    m_eof = m_hi == m_lo;
}

void Dataset::masterMoved()
{
    if (!isOpen()) return;
    m_viewStale = true;
    notifyDetails();
    notifyRowsReset();
    notifyCurrent();
}

void Dataset::notifyDetails()
{
    for (Dataset* d : m_details) d->masterMoved();
}

void Dataset::postDetailsPending()
{
    for (Dataset* d : m_details) {
        if (d->m_viewStale || !d->isOpen()) continue;
        d->checkBrowseMode();
        d->postDetailsPending();
    }
}

void Dataset::placeByLink(int at)
{
    m_rows.moveToLinkPlace(at);
    const int keep = m_pos;
    computeView();
    m_pos = std::min(keep, m_hi - m_lo - 1);
}

int Dataset::currentIndex() const
{
    ensureView();
    return m_pos < 0 || m_lo + m_pos >= m_hi ? -1 : m_lo + m_pos;
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
    if (ahead < m_hi) m_rows.row(ahead).prefetch(10);
    notifyDetails();
    if (notify) notifyCurrent();
}

void Dataset::first()
{
    checkActive();
    checkBrowseMode();
    ensureView();
    moveToIndex(m_hi > m_lo ? 0 : -1, true);
    m_eof = m_hi == m_lo;
}

void Dataset::last()
{
    checkActive();
    checkBrowseMode();
    ensureView();
    moveToIndex(m_hi - m_lo - 1, true);
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
        m_eof = false;
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
    m_eof = false;
}

bool Dataset::atEnd() const
{
    ensureView();
    return m_eof || (m_hi == m_lo && m_state != DatasetState::Insert);
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
    if (isEditing() && shownRow == m_pos) return m_edit.value(index);
    int viewRow = shownRow;
    if (m_state == DatasetState::Insert && shownRow > m_pos) --viewRow;
    if (viewRow < 0 || viewRow >= m_hi - m_lo) return {};
    return m_rows.row(m_lo + viewRow).value(index, m_storedColumns);
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
    // whole of a usual row, since a scan may read a cell near its end. Once per row, not per cell.
    if (at != m_prefetchedFrom && at + 8 < m_hi) {
        m_rows.row(at + 8).prefetch(12);
        m_prefetchedFrom = at;
    }
    const PackedRow row = m_rows.row(at);
    if (row.tag(index, m_storedColumns) != PackedRow::Text) return nullptr;
    return row.bytes(index, m_storedColumns, size);
}

// ================================================================ states and notices

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

void Dataset::noteValueSet(int index)
{
    if (noticesHeld())
        m_pendingNotify = true; // the controls show the new value once they are told again
    else
        emit fieldChanged(index);
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

// ================================================================ editing

void Dataset::checkWritable() const
{
    checkActive();
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
}

void Dataset::checkBrowseMode()
{
    if (!isEditing()) return;
    if (m_edit.isModified())
        post();
    else
        cancel();
}

void Dataset::insert() { startInsert(false); }

void Dataset::append() { startInsert(true); }

void Dataset::startInsert(bool atEnd)
{
    checkWritable();
    checkBrowseMode();
    ensureView();
    postDetailsPending();
    if (atEnd)
        m_pos = m_hi - m_lo; // after the last row
    else if (m_pos < 0)
        m_pos = 0;
    m_edit.startEmpty(m_storedColumns);
    if (m_master && m_linkColumn >= 0) {
        // The link column is filled before any other code sees the new row.
        bool masterNull = true;
        const qint64 key = masterLinkValue(&masterNull);
        if (!masterNull) m_edit.preset(m_linkColumn, key);
    }
    m_eof = false;
    setState(DatasetState::Insert);
    notifyRow(RowChange::Inserted, m_pos);
    notifyDetails();
    notifyCurrent();
}

void Dataset::edit()
{
    checkActive();
    if (isEditing()) return;
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    if (recordCount() == 0) return insert();
    m_edit.startFrom(m_rows.row(currentIndex()), m_storedColumns);
    setState(DatasetState::Edit);
}

void Dataset::cancel()
{
    if (!isEditing()) return;
    const bool wasInsert = m_state == DatasetState::Insert;
    const bool wasModified = m_edit.isModified();
    const int row = m_pos;
    m_edit.clear();
    if (wasInsert) {
        const int count = m_hi - m_lo;
        if (m_pos >= count) m_pos = count - 1;
    }
    setState(DatasetState::Browse);
    if (wasInsert)
        notifyRow(RowChange::Removed, row);
    else if (wasModified)
        notifyRow(RowChange::Changed, row);
    if (wasInsert) notifyDetails();
    notifyCurrent();
}

// ================================================================ measurements

size_t Dataset::heapBytes() const { return m_rows.heapBytes(); }

size_t Dataset::textBytes() const { return m_rows.textBytes(); }

} // namespace qv
