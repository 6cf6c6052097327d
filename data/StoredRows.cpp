#include "data/StoredRows.h"
#include "data/Connection.h"

#include <algorithm>
#include <sqlcipher/sqlite3.h>

namespace qv {

namespace {

// A row of a statement into the builder: one call that takes the connection's lock per cell, not one per type, text
// and length.
void build(Statement& st, bool withRowid, bool tableRows, int columns, PackedRow::Builder& b)
{
    b.clear();
    sqlite3_stmt* h = st.handle();
    const int first = withRowid ? 1 : 0;
    for (int i = 0; i < columns; ++i) {
        sqlite3_value* v = sqlite3_column_value(h, i + first);
        switch (sqlite3_value_type(v)) {
        case SQLITE_NULL: b.addNull(); break;
        case SQLITE_INTEGER: b.addInt(sqlite3_value_int64(v)); break;
        case SQLITE_FLOAT: b.addReal(sqlite3_value_double(v)); break;
        default: b.addText(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
        }
    }
    if (tableRows) b.setRowid(withRowid ? st.columnInt(0) : b.integer(0));
}

} // namespace

void StoredRows::setShape(int columns, int linkColumn, bool tableRows)
{
    m_columns = columns;
    m_linkColumn = linkColumn;
    m_tableRows = tableRows;
    m_builder = PackedRow::Builder(columns);
}

qint64 StoredRows::linkIn(const PackedRow& p) const
{
    switch (p.tag(m_linkColumn, m_columns)) {
    case PackedRow::Null: return NullLink;
    case PackedRow::Int: return p.integer(m_linkColumn, m_columns);
    default: return p.value(m_linkColumn, m_columns).toLongLong(); // written as text by another program
    }
}

void StoredRows::readAll(Statement& st, bool withRowid)
{
    // Read beside the rows held, which stay as they are if the reading fails.
    StoredRows fresh;
    fresh.setShape(m_columns, m_linkColumn, m_tableRows);
    fresh.fill(st, withRowid);
    m_refs = std::move(fresh.m_refs);
    m_store = std::move(fresh.m_store);
    changed();
}

void StoredRows::fill(Statement& st, bool withRowid)
{
    // Each row's link, taken while the row is at hand; rows keep their rowid order within a link.
    std::vector<std::pair<qint64, quint32>> order;
    while (st.step()) {
        build(st, withRowid, m_tableRows, m_columns, m_builder);
        const RowStore::Ref ref = m_store.add(m_builder);
        if (m_linkColumn >= 0) {
            const PackedRow::Tag t = m_builder.tag(m_linkColumn);
            const qint64 link = t == PackedRow::Null  ? NullLink
                                : t == PackedRow::Int ? m_builder.integer(m_linkColumn)
                                                      : linkIn(PackedRow(m_store.at(ref)));
            order.emplace_back(link, quint32(m_refs.size()));
        }
        m_refs.push_back(ref);
    }
    // Read in rowid order; a detail shows its rows grouped by the link, in rowid order within a group.
    if (m_linkColumn >= 0) sortByLink(order);
    m_refs.shrink_to_fit();
}

void StoredRows::sortByLink(std::vector<std::pair<qint64, quint32>>& order)
{
    if (std::is_sorted(order.begin(), order.end())) return;
    qint64 lo = std::numeric_limits<qint64>::max(), hi = std::numeric_limits<qint64>::min();
    for (const auto& o : order)
        if (o.first != NullLink) {
            lo = std::min(lo, o.first);
            hi = std::max(hi, o.first);
        }
    std::vector<RowStore::Ref> sorted(m_refs.size());
    // Links are mostly keys of a few thousand or a few hundred thousand master rows: counted into place, in one
    // pass that keeps the rowid order within a link, instead of compared. Bucket 0 holds the rows without one.
    const quint64 width = lo <= hi ? quint64(hi) - quint64(lo) : 0;
    if (width < 4 * quint64(m_refs.size()) + 1024) {
        std::vector<quint32> start(size_t(width) + 3, 0);
        const auto bucket = [&](qint64 link) {
            return link == NullLink ? size_t(0) : size_t(quint64(link) - quint64(lo)) + 1;
        };
        for (const auto& o : order) ++start[bucket(o.first) + 1];
        for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
        for (const auto& o : order) sorted[start[bucket(o.first)]++] = m_refs[o.second];
    } else {
        std::sort(order.begin(), order.end());
        for (size_t i = 0; i < order.size(); ++i) sorted[i] = m_refs[order[i].second];
    }
    m_refs = std::move(sorted);
}

RowStore::Ref StoredRows::store(Statement& st, bool withRowid)
{
    build(st, withRowid, m_tableRows, m_columns, m_builder);
    return m_store.add(m_builder);
}

void StoredRows::insert(int at, RowStore::Ref row)
{
    m_refs.insert(m_refs.begin() + at, row);
    changed();
}

void StoredRows::replace(int at, RowStore::Ref row)
{
    const RowStore::Ref old = m_refs[size_t(at)];
    m_refs[size_t(at)] = row;
    changed();
    release(old);
}

void StoredRows::erase(int at)
{
    const RowStore::Ref gone = m_refs[size_t(at)];
    m_refs.erase(m_refs.begin() + at);
    changed();
    release(gone);
}

int StoredRows::eraseRowids(int from, int to, const std::vector<qint64>& sortedRowids)
{
    if (sortedRowids.empty()) return 0;
    const auto gone = [&](RowStore::Ref ref) {
        const qint64 rowid = PackedRow(m_store.at(ref)).rowid(m_columns);
        return rowid <= sortedRowids.back() && std::binary_search(sortedRowids.begin(), sortedRowids.end(), rowid);
    };
    const auto first = m_refs.begin() + from, last = m_refs.begin() + to;
    const auto end = std::stable_partition(first, last, [&](RowStore::Ref ref) { return !gone(ref); });
    for (auto it = end; it != last; ++it) m_store.release(PackedRow(m_store.at(*it)).byteSize(m_columns));
    const int removed = int(last - end);
    m_refs.erase(end, last);
    changed();
    return removed;
}

int StoredRows::moveToLinkPlace(int at)
{
    const RowStore::Ref moved = m_refs[size_t(at)];
    m_refs.erase(m_refs.begin() + at);
    // Among its new link's rows in rowid order, where a re-read would put it.
    const PackedRow row(m_store.at(moved));
    const qint64 link = linkIn(row), rowid = row.rowid(m_columns);
    const auto pos = std::upper_bound(m_refs.begin(), m_refs.end(), moved, [&](RowStore::Ref, RowStore::Ref other) {
        const PackedRow o(m_store.at(other));
        const qint64 otherLink = linkIn(o);
        if (link != otherLink) return link < otherLink;
        return rowid < o.rowid(m_columns);
    });
    const int place = int(pos - m_refs.begin());
    m_refs.insert(pos, moved);
    changed();
    return place;
}

std::pair<int, int> StoredRows::linkRange(qint64 link) const
{
    // Rows without a link sort first and hold the lowest link value: plain comparisons of link suffice.
    const auto lo = std::lower_bound(m_refs.begin(), m_refs.end(), link, [this](RowStore::Ref r, qint64 k) {
        return linkIn(PackedRow(m_store.at(r))) < k;
    });
    const auto hi = std::upper_bound(
        lo, m_refs.end(), link, [this](qint64 k, RowStore::Ref r) { return k < linkIn(PackedRow(m_store.at(r))); });
    return {int(lo - m_refs.begin()), int(hi - m_refs.begin())};
}

void StoredRows::release(RowStore::Ref row)
{
    m_store.release(PackedRow(m_store.at(row)).byteSize(m_columns));
    // Replaced and deleted rows leave their bytes behind; once they outweigh the live rows, copy those out.
    if (m_store.garbageBytes() < 1024 * 1024 || m_store.garbageBytes() * 2 < m_store.usedBytes()) return;
    RowStore fresh;
    for (RowStore::Ref& r : m_refs) r = fresh.copy(m_store.at(r), PackedRow(m_store.at(r)).byteSize(m_columns));
    m_store = std::move(fresh);
}

void StoredRows::clear()
{
    m_refs.clear();
    m_refs.shrink_to_fit();
    m_store.clear();
    changed();
}

size_t StoredRows::heapBytes() const { return m_refs.capacity() * sizeof(RowStore::Ref) + m_store.allocatedBytes(); }

size_t StoredRows::textBytes() const
{
    size_t total = 0;
    for (int r = 0; r < size(); ++r) {
        const PackedRow p = row(r);
        for (int i = 0; i < m_columns; ++i)
            if (p.tag(i, m_columns) == PackedRow::Text) {
                int size = 0;
                p.bytes(i, m_columns, &size);
                total += size_t(size);
            }
    }
    return total;
}

} // namespace qv
