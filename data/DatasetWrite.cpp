// Writing rows: post's INSERT or UPDATE with the row it leaves, delete and delete-all.
#include "data/Dataset.h"
#include "data/DatabaseError.h"

#include <algorithm>
#include <exception>
#include <limits>

namespace qv {

void Dataset::validateValues() const
{
    for (int i = 0; i < m_storedColumns; ++i) {
        if (!m_edit.isSet(i)) continue;
        const Column& c = m_columns[size_t(i)];
        const QVariant& v = m_edit.value(i);
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

RowStore::Ref Dataset::reloadRow(qint64 rowid)
{
    Statement& st = m_statements->reload(*m_connection);
    st.bindInt(1, rowid);
    RowStore::Ref row;
    if (st.step()) {
        row = m_rows.store(st, true);
    } else {
        PackedRow::Builder b(m_storedColumns);
        for (const QVariant& v : m_edit.values()) b.addValue(v);
        b.setRowid(rowid);
        row = m_rows.store(b);
    }
    st.reset();
    return row;
}

void Dataset::writeRow()
{
    const bool inserting = m_state == DatasetState::Insert;
    m_edit.prepareWrite(*m_table);
    const std::vector<int>& written = m_edit.written();
    const std::vector<Utf8Span>& texts = m_edit.writtenTexts();
    const auto bindWritten = [&](Statement& st) {
        for (size_t k = 0; k < written.size(); ++k) {
            if (!texts[k].data)
                st.bind(int(k) + 1, m_edit.value(written[k]));
            else
                st.bindText(int(k) + 1, texts[k].data, texts[k].size, Statement::Binding::Static);
        }
    };
    const Connection::Stamp before = m_connection->stampOf(m_table->name);
    const bool wasCurrent = before == m_readStamp;
    const int at = inserting ? m_lo + std::max(0, std::min(m_pos, m_hi - m_lo)) : m_lo + m_pos;
    qint64 rowid = 0;
    if (inserting) {
        Statement& st = m_statements->insert(*m_connection, written);
        bindWritten(st);
        st.step();
        st.reset();
        rowid = m_connection->lastInsertRowid();
    } else {
        rowid = m_rows.rowid(at);
        if (!written.empty()) {
            Statement& st = m_statements->update(*m_connection, written);
            bindWritten(st);
            m_statements->bindHeldRow(st, int(written.size()) + 1, rowid, m_rows.row(at), written);
            st.step();
            st.reset();
            if (m_connection->changes() == 0) throw RowNotLocated();
        }
    }
    m_connection->noteWrite(m_table->name);
    if (wasCurrent) {
        // Our own write moves only our own count: the engine's counter tells of other connections' commits.
        m_readStamp = before;
        ++m_readStamp.local;
    }
    ++m_posts;
    m_postsWriting.resize(size_t(m_storedColumns));
    for (int i : written) ++m_postsWriting[size_t(i)];

    // A new row is what was bound to it; a changed one is that over the row as read, if nobody else has written
    // since. Otherwise, or where the file's rules leave a doubt, the row is read back.
    const PackedRow original = inserting ? PackedRow() : m_rows.row(at);
    const RowStore::Ref fresh = (inserting || wasCurrent) && m_composer->compose(*m_connection, rowid, original,
                                                                                 written, m_edit.values(), texts)
                                    ? m_rows.store(m_composer->row())
                                    : reloadRow(rowid);
    const qint64 oldLink = m_linkColumn >= 0 && !inserting ? m_rows.link(at) : 0;
    if (inserting) {
        m_rows.insert(at, fresh);
        ++m_hi;
        m_pos = at - m_lo;
        bool masterNull = true;
        const qint64 key = masterLinkValue(&masterNull);
        // A row written with another master's link belongs to that master's rows, not to this view.
        if (m_master && m_linkColumn >= 0 && m_rows.link(at) != (masterNull ? StoredRows::NullLink : key))
            placeByLink(at);
    } else {
        m_rows.replace(at, fresh);
        if (m_linkColumn >= 0 && m_rows.link(at) != oldLink) placeByLink(at);
    }
}

void Dataset::post()
{
    checkActive();
    if (!isEditing()) return;
    const bool wasInsert = m_state == DatasetState::Insert;
    if (beforePost) beforePost(*this);
    validateValues();
    ensureView();
    const int row = m_pos;
    const int countBefore = m_hi - m_lo;
    writeRow();
    m_edit.posted(wasInsert);
    m_eof = false;
    setState(DatasetState::Browse);
    // A posted row that belongs to another master row leaves this view.
    const bool stays = m_hi - m_lo == countBefore + (wasInsert ? 1 : 0);
    notifyRow(stays ? RowChange::Changed : RowChange::Removed, row);
    if (wasInsert || !m_details.empty()) notifyDetails();
    notifyCurrent();
    if (afterPost) afterPost(*this);
}

void Dataset::remove()
{
    checkWritable();
    if (m_state == DatasetState::Insert) return cancel();
    if (m_state == DatasetState::Edit) cancel();
    ensureView();
    if (m_hi == m_lo)
        throw DatabaseError(QStringLiteral("%1: Cannot perform this operation on an empty dataset").arg(name()));
    postDetailsPending();
    const int at = m_lo + m_pos;
    const Connection::Stamp before = m_connection->stampOf(m_table->name);
    const bool wasCurrent = before == m_readStamp;
    // Only the row as it was read: a change another copy of the program made meanwhile is refused, as a save is,
    // not deleted unseen.
    std::vector<int> every(static_cast<size_t>(m_storedColumns));
    for (int i = 0; i < m_storedColumns; ++i) every[size_t(i)] = i;
    Statement& st = m_statements->removeHeld(*m_connection);
    m_statements->bindHeldRow(st, 1, m_rows.rowid(at), m_rows.row(at), every);
    st.step();
    st.reset();
    if (m_connection->changes() == 0) throw RowNotLocated();
    m_connection->noteWrite(m_table->name);
    if (wasCurrent) m_readStamp = m_connection->stampOf(m_table->name);
    m_rows.erase(at);
    --m_hi;
    const int row = m_pos;
    if (m_pos >= m_hi - m_lo) m_pos = m_hi - m_lo - 1;
    m_eof = m_hi == m_lo;
    notifyRow(RowChange::Removed, row);
    notifyDetails();
    notifyCurrent();
    if (afterDelete) afterDelete(*this);
}

void Dataset::checkCurrentRowUnchanged()
{
    checkWritable();
    if (m_state == DatasetState::Insert || currentIndex() < 0)
        throw DatabaseError(QStringLiteral("%1: Cannot perform this operation on an empty dataset").arg(name()));
    const int at = currentIndex();
    // The very condition a delete finds its row by.
    std::vector<int> every(static_cast<size_t>(m_storedColumns));
    for (int i = 0; i < m_storedColumns; ++i) every[size_t(i)] = i;
    Statement& st = m_statements->findHeld(*m_connection);
    m_statements->bindHeldRow(st, 1, m_rows.rowid(at), m_rows.row(at), every);
    const bool found = st.step();
    st.reset();
    if (!found) throw RowNotLocated();
}

quint64 Dataset::postsWriting(const QString& field) const
{
    const int index = requireField(field);
    return size_t(index) < m_postsWriting.size() ? m_postsWriting[size_t(index)] : 0;
}

int Dataset::removeAll(int limit)
{
    checkWritable();
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
    for (int r = m_lo; r < m_lo + count; ++r) rowids.push_back(m_rows.rowid(r));
    std::sort(rowids.begin(), rowids.end());
    if (rowids.empty()) return 0;
    const bool wasCurrent = m_connection->stampOf(m_table->name) == m_readStamp;
    Statement& st = m_statements->removeRun(*m_connection);
    size_t done = 0;
    std::exception_ptr error;
    {
        Transaction transaction(*m_connection);
        m_connection->noteWrite(m_table->name);
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
        } catch (...) {
            error = std::current_exception();
        }
        st.reset();
        // What was deleted before a failed run stays deleted, as it would one row at a time; a failed commit keeps
        // nothing.
        try {
            transaction.commit();
        } catch (...) {
            if (!error) error = std::current_exception();
            done = 0;
        }
    }
    if (done > 0) {
        // The rows held follow the file.
        if (wasCurrent) m_readStamp = m_connection->stampOf(m_table->name);
        rowids.resize(done);
        m_hi -= m_rows.eraseRowids(m_lo, m_hi, rowids);
        m_pos = m_hi > m_lo ? 0 : -1;
        m_eof = true;
        notifyDetails();
        notifyRowsReset();
        notifyCurrent();
    } else if (error) {
        // Nothing was kept: show what the file holds, which others may have changed meanwhile too.
        try {
            refresh();
        } catch (...) {}
    }
    if (error) std::rethrow_exception(error);
    return int(done);
}

} // namespace qv
