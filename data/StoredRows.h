#pragma once
// The rows a dataset holds: every row's cells packed into a RowStore, the rows in the dataset's order (a detail's
// grouped by its link column, in rowid order within a link), each known by its reference. A row replaced or removed
// leaves its bytes behind until they outweigh the live rows; then the live rows are copied into a fresh store.

#include "data/PackedRow.h"

#include <limits>
#include <utility>
#include <vector>

namespace qv {

class Statement;

class StoredRows {
public:
    // A detail's rows are ordered by their link column's value; a null link sorts before every value.
    static constexpr qint64 NullLink = std::numeric_limits<qint64>::min();

    // How many columns each row stores, the link column (-1 for none), and whether the rows are a table's, which
    // know their rowid.
    void setShape(int columns, int linkColumn, bool tableRows);
    int columnCount() const { return m_columns; }

    int size() const { return int(m_refs.size()); }
    PackedRow row(int i) const { return PackedRow(m_store.at(m_refs[size_t(i)])); }
    qint64 rowid(int i) const { return m_tableRows ? row(i).rowid(m_columns) : 0; }
    qint64 link(int i) const { return linkIn(row(i)); }
    // Moves whenever the rows change, so that what is worked out from them knows when to work it out again.
    quint64 generation() const { return m_generation; }

    // Every row of a statement that selects the rowid first when withRowid, then the stored columns, in place of the
    // rows held.
    void readAll(Statement& st, bool withRowid);
    // The statement's current row stored, not yet placed among the rows.
    RowStore::Ref store(Statement& st, bool withRowid);
    RowStore::Ref store(const PackedRow::Builder& row) { return m_store.add(row); }

    void insert(int at, RowStore::Ref row);
    void replace(int at, RowStore::Ref row); // the row that stood there is garbage now
    void erase(int at);
    // Removes the rows in [from, to) whose rowids are among the sorted ones; returns how many went. The rows kept
    // keep their order.
    int eraseRowids(int from, int to, const std::vector<qint64>& sortedRowids);
    // A row whose link changed goes among its new link's rows, where a re-read would put it; returns its place.
    int moveToLinkPlace(int at);
    // The rows whose link is the given one: [first, second). For NullLink, the rows without a link.
    std::pair<int, int> linkRange(qint64 link) const;
    void clear();

    size_t heapBytes() const; // for the memory benchmark
    size_t textBytes() const; // the UTF-8 bytes of the texts held

private:
    qint64 linkIn(const PackedRow& row) const;
    void fill(Statement& st, bool withRowid);
    void sortByLink(std::vector<std::pair<qint64, quint32>>& order);
    void release(RowStore::Ref row); // its bytes are garbage; compacts when they outweigh the live rows
    void changed() { ++m_generation; }

    int m_columns = 0;
    int m_linkColumn = -1;
    bool m_tableRows = false;
    std::vector<RowStore::Ref> m_refs;
    RowStore m_store;
    PackedRow::Builder m_builder{0};
    quint64 m_generation = 0;
};

} // namespace qv
