// Writing rows: the prepared statements, post's INSERT or UPDATE with the re-read, delete and delete-all.
#include "data/Dataset.h"
#include "data/DatabaseError.h"

#include <QStringEncoder>
#include <algorithm>
#include <numeric>
#include <cstring>
#include <sqlcipher/sqlite3.h>

namespace qv {

namespace {

// The first UTF-16 unit of a text that is half of a pair without its other half.
int loneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return c.unicode();
    }
    return 0;
}

// Binds a held value exactly as the row holds it, for a WHERE that finds the row only as it was read.
void bindHeld(Statement& st, int index, const PackedRow& row, int column, int columnCount)
{
    int size = 0;
    const char* p = row.bytes(column, columnCount, &size);
    switch (row.tag(column, columnCount)) {
    case PackedRow::Null: st.bindNull(index); break;
    case PackedRow::Text: st.bindText(index, p, size, Statement::Binding::Static); break;
    default: st.bind(index, row.value(column, columnCount));
    }
}

} // namespace

Statement& Dataset::cachedStatement(std::unique_ptr<Statement>& slot, const std::function<QString()>& sql)
{
    // The text is composed only when the statement is prepared: composing it costs as much as a row's post.
    if (!slot) slot = std::make_unique<Statement>(*m_connection, sql());
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
        QStringList sets;
        for (const QString& name : names) sets << name + QStringLiteral(" = ?");
        sql = QStringLiteral("UPDATE [%1] SET %2 WHERE %3")
                  .arg(m_table->name, sets.join(", "), heldRowCondition(columns));
    }
    // An import's rows leave different columns empty, and each such set is a statement of its own: keep enough of
    // them that a file's usual mix is prepared once, not once per row.
    constexpr size_t Kept = 32;
    if (m_writeStatements.size() >= Kept) m_writeStatements.pop_back();
    m_writeStatements.insert(m_writeStatements.begin(),
                             CachedWrite{insert, columns, std::make_unique<Statement>(*m_connection, sql)});
    return *m_writeStatements.front().statement;
}

QString Dataset::heldRowCondition(const std::vector<int>& columns) const
{
    QStringList held{QStringLiteral("rowid = ?")};
    for (int i : columns) {
        const bool text = m_columns[size_t(i)].type == ColumnType::Text;
        held << '[' + m_columns[size_t(i)].name +
                    (text ? QStringLiteral("] IS ? COLLATE BINARY") : QStringLiteral("] IS ?"));
    }
    return held.join(QStringLiteral(" AND "));
}

void Dataset::bindHeldRow(Statement& st, int first, const Row& row, const std::vector<int>& columns) const
{
    st.bindInt(first++, rowidOf(row));
    const PackedRow stored = packedOf(row);
    for (int i : columns) bindHeld(st, first++, stored, i, m_storedColumns);
}

void Dataset::dropStatements()
{
    m_reloadStatement.reset();
    m_deleteStatement.reset();
    m_deleteRunStatement.reset();
    m_unchangedStatement.reset();
    m_writeStatements.clear();
    m_fileForm = FileForm::Unknown; // another file may be connected next
}

void Dataset::reloadRow(qint64 rowid, Row& row)
{
    Statement& st = cachedStatement(m_reloadStatement, [this] {
        return QStringLiteral("SELECT rowid, %1 FROM [%2] WHERE rowid = ?").arg(columnList(), m_table->name);
    });
    st.bindInt(1, rowid);
    PackedRow::Builder b(m_storedColumns);
    if (st.step()) {
        readRow(st, true, b, m_store, row);
    } else {
        for (const QVariant& v : m_edit) b.addValue(v);
        b.setRowid(rowid);
        row.ref = m_store.add(b);
    }
    st.reset();
}

void Dataset::readFileForm()
{
    if (m_fileForm != FileForm::Unknown) return;
    QStringList names;
    for (int i = 0; i < m_storedColumns; ++i) names << m_columns[size_t(i)].name;
    const auto columns = storedvalues::readFileColumns(*m_connection, m_table->name, names);
    m_fileForm = columns ? FileForm::Known : FileForm::ReadBack;
    m_fileColumns = columns.value_or(std::vector<storedvalues::FileColumn>());
    m_composer = std::make_unique<PackedRow::Builder>(m_storedColumns);
}

bool Dataset::composeRow(qint64 rowid, const Row* original, const std::vector<int>& written,
                         const std::vector<TextSpan>& texts, Row& row)
{
    readFileForm();
    if (m_fileForm != FileForm::Known) return false;
    using storedvalues::Affinity;
    PackedRow::Builder& b = *m_composer;
    b.clear();
    const PackedRow stored = original ? packedOf(*original) : PackedRow();
    size_t k = 0; // the next of the written columns, which ascend
    for (int i = 0; i < m_storedColumns; ++i) {
        const storedvalues::FileColumn& file = m_fileColumns[size_t(i)];
        const bool isWritten = k < written.size() && written[k] == i;
        const size_t at = k;
        if (isWritten) ++k;
        if (file.isRowid) {
            if (isWritten && original) return false; // the row got another rowid
            b.addInt(rowid);
            continue;
        }
        if (!isWritten) {
            if (!original) {
                if (file.hasDefault) return false;
                b.addNull();
                continue;
            }
            switch (stored.tag(i, m_storedColumns)) {
            case PackedRow::Null: b.addNull(); break;
            case PackedRow::Int: b.addInt(stored.integer(i, m_storedColumns)); break;
            case PackedRow::Real: b.addReal(stored.value(i, m_storedColumns).toDouble()); break;
            case PackedRow::Text: {
                int size = 0;
                const char* p = stored.bytes(i, m_storedColumns, &size);
                b.addText(p, size);
            }
            }
            continue;
        }
        const QVariant& v = m_edit[size_t(i)];
        if (v.isNull()) {
            if (file.hasDefault) return false;
            b.addNull();
        } else if (v.typeId() == QMetaType::QString) {
            const TextSpan& text = texts[at];
            const bool keptAsText = file.affinity == Affinity::Text || file.affinity == Affinity::None ||
                                    storedvalues::surelyNotNumeric(text.data, text.size);
            if (!keptAsText) return false;
            b.addText(text.data, text.size);
        } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
            if (file.affinity != Affinity::Integer && file.affinity != Affinity::Numeric &&
                file.affinity != Affinity::None)
                return false;
            b.addInt(v.toLongLong());
        } else {
            return false;
        }
    }
    b.setRowid(rowid);
    row.ref = m_store.add(b);
    return true;
}

void Dataset::releaseRow(const Row& row)
{
    m_store.release(packedOf(row).byteSize(m_storedColumns));
    // Replaced and deleted rows leave their bytes behind; once they outweigh the live rows, copy those out.
    if (m_store.garbageBytes() < 1024 * 1024 || m_store.garbageBytes() * 2 < m_store.usedBytes()) return;
    RowStore fresh;
    for (Row& r : m_rows)
        if (r.ref != row.ref) r.ref = fresh.copy(m_store.at(r.ref), packedOf(r).byteSize(m_storedColumns));
    m_store = std::move(fresh);
}

void Dataset::writeRow()
{
    const bool inserting = m_state == DatasetState::Insert;
    // Kept from row to row: an import writes many.
    std::vector<int>& indexes = m_written;
    indexes.clear();
    for (int i = 0; i < m_storedColumns; ++i) {
        if (m_columns[size_t(i)].type == ColumnType::AutoIncrement) continue;
        if (!m_editChanged[size_t(i)]) continue;
        indexes.push_back(i);
    }
    // Each text is converted once: the bytes bound are the bytes the row keeps. They go one after another into
    // one buffer kept from row to row, made large enough first, so that a row's texts cost no allocation.
    std::vector<TextSpan>& texts = m_writtenTexts;
    texts.assign(indexes.size(), TextSpan{});
    QStringEncoder toUtf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    qsizetype room = 0;
    for (int i : indexes)
        if (const QVariant& v = m_edit[size_t(i)]; v.typeId() == QMetaType::QString)
            room += toUtf8.requiredSpace(static_cast<const QString*>(v.constData())->size());
    if (m_writtenUtf8.size() < room) m_writtenUtf8.resize(room);
    char* out = m_writtenUtf8.data();
    for (size_t k = 0; k < indexes.size(); ++k) {
        const QVariant& v = m_edit[size_t(indexes[k])];
        if (v.typeId() != QMetaType::QString || v.isNull()) continue;
        const QString& text = *static_cast<const QString*>(v.constData());
        char* const start = out;
        out = toUtf8.appendToBuffer(out, text);
        if (toUtf8.hasError()) {
            // Half of a character outside the basic plane: it has no UTF-8 form, and storing a stand-in would store
            // another text than the one shown.
            toUtf8.resetState();
            throw DatabaseError(
                QStringLiteral("The value in field '%1' holds an invalid character (U+%2, half of a "
                               "character pair). Correct it and save again.")
                    .arg(m_columns[size_t(indexes[k])].name, QString::number(loneSurrogate(text), 16).toUpper()));
        }
        texts[k] = {start, int(out - start)};
    }
    const auto bindWritten = [&](Statement& st) {
        for (size_t k = 0; k < indexes.size(); ++k) {
            if (!texts[k].data)
                st.bind(int(k) + 1, m_edit[size_t(indexes[k])]);
            else
                st.bindText(int(k) + 1, texts[k].data, texts[k].size, Statement::Binding::Static);
        }
    };
    const Connection::Stamp before = m_connection->stampOf(m_table->name);
    const bool wasCurrent = before == m_readStamp;
    qint64 rowid = 0;
    if (inserting) {
        Statement& st = writeStatement(true, indexes);
        bindWritten(st);
        st.step();
        st.reset();
        rowid = m_connection->lastInsertRowid();
    } else {
        const Row& original = *currentRow();
        rowid = rowidOf(original);
        if (!indexes.empty()) {
            Statement& st = writeStatement(false, indexes);
            bindWritten(st);
            bindHeldRow(st, int(indexes.size()) + 1, original, indexes);
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
    for (int i : indexes) ++m_postsWriting[size_t(i)];

    Row fresh;
    // A new row is what was bound to it; a changed one is that over the row as read, if nobody else has written
    // since. Otherwise, or where the file's rules leave a doubt, the row is read back.
    const Row* original = inserting ? nullptr : currentRow();
    if (!(inserting || wasCurrent) || !composeRow(rowid, original, indexes, texts, fresh)) reloadRow(rowid, fresh);
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
        return rowidOf(a) < rowidOf(b);
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
    validateValues();
    ensureView();
    const int row = m_pos;
    const int countBefore = m_hi - m_lo;
    writeRow();
    if (wasInsert) {
        // Only the values set can be other than null: the emptied buffer serves the next insert.
        for (size_t i = 0; i < m_edit.size(); ++i)
            if (m_editChanged[i]) m_edit[i] = QVariant();
    } else {
        m_edit.clear();
    }
    m_editChanged.clear();
    m_modified = false;
    m_eof = m_bof = false;
    setState(DatasetState::Browse);
    // A posted row that belongs to another master row leaves this view.
    const bool stays = m_hi - m_lo == countBefore + (wasInsert ? 1 : 0);
    notifyRow(stays ? RowChange::Changed : RowChange::Removed, row);
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
    // Only the row as it was read: a change another copy of the program made meanwhile is refused, as a save is,
    // not deleted unseen.
    std::vector<int> all(static_cast<size_t>(m_storedColumns));
    std::iota(all.begin(), all.end(), 0);
    Statement& st = cachedStatement(m_deleteStatement, [&] {
        return QStringLiteral("DELETE FROM [%1] WHERE %2").arg(m_table->name, heldRowCondition(all));
    });
    bindHeldRow(st, 1, m_rows[size_t(at)], all);
    st.step();
    st.reset();
    if (m_connection->changes() == 0) throw RowNotLocated();
    m_connection->noteWrite(m_table->name);
    if (wasCurrent) m_readStamp = m_connection->stampOf(m_table->name);
    const Row gone = m_rows[size_t(at)];
    m_rows.erase(m_rows.begin() + at);
    releaseRow(gone);
    rowsChanged();
    --m_hi;
    const int row = m_pos;
    if (m_pos >= m_hi - m_lo) m_pos = m_hi - m_lo - 1;
    m_eof = m_hi == m_lo;
    m_bof = m_pos <= 0;
    notifyRow(RowChange::Removed, row);
    for (Dataset* d : m_details) d->masterMoved();
    notifyCurrent();
    if (afterDelete) afterDelete(*this);
}

void Dataset::checkCurrentRowUnchanged()
{
    checkActive();
    if (!m_table) throw DatabaseError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(name()));
    const Row* row = currentRow();
    if (!row || m_state == DatasetState::Insert)
        throw DatabaseError(QStringLiteral("%1: Cannot perform this operation on an empty dataset").arg(name()));
    // The very condition a delete finds its row by.
    std::vector<int> all(static_cast<size_t>(m_storedColumns));
    std::iota(all.begin(), all.end(), 0);
    Statement& st = cachedStatement(m_unchangedStatement, [&] {
        return QStringLiteral("SELECT 1 FROM [%1] WHERE %2").arg(m_table->name, heldRowCondition(all));
    });
    bindHeldRow(st, 1, *row, all);
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
    for (int r = m_lo; r < m_lo + count; ++r) rowids.push_back(rowidOf(m_rows[size_t(r)]));
    std::sort(rowids.begin(), rowids.end());
    if (rowids.empty()) return 0;
    const bool wasCurrent = m_connection->stampOf(m_table->name) == m_readStamp;
    Statement& st = cachedStatement(m_deleteRunStatement, [this] {
        return QStringLiteral("DELETE FROM [%1] WHERE rowid BETWEEN ? AND ?").arg(m_table->name);
    });
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
        const auto gone = [&](const Row& r) {
            return rowidOf(r) <= rowids[done - 1] &&
                   std::binary_search(rowids.begin(), rowids.begin() + done, rowidOf(r));
        };
        const auto end =
            std::stable_partition(m_rows.begin() + m_lo, m_rows.begin() + m_hi, [&](const Row& r) { return !gone(r); });
        for (auto it = end; it != m_rows.begin() + m_hi; ++it) m_store.release(packedOf(*it).byteSize(m_storedColumns));
        const int removed = int(m_rows.begin() + m_hi - end);
        m_rows.erase(end, m_rows.begin() + m_hi);
        m_hi -= removed;
        rowsChanged();
        m_pos = m_hi > m_lo ? 0 : -1;
        m_eof = m_bof = true;
        for (Dataset* d : m_details) d->masterMoved();
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
