#pragma once
// The statements a table dataset writes and re-reads with, prepared on first use and kept while connected: a save is
// one UPDATE and one re-read, not two compilations. INSERTs and UPDATEs differ by the columns they write; the most
// recently used are kept, enough that an import's usual mix of columns left empty is prepared once, not once a row.

#include "data/Connection.h"
#include "data/PackedRow.h"

#include <memory>
#include <vector>

namespace qv {

struct TableDef;

class WriteStatements {
public:
    explicit WriteStatements(const TableDef& table) : m_table(table) {}

    // The statement comes back reset, its parameters unbound.
    Statement& insert(Connection& c, const std::vector<int>& columns); // the columns' values, in their order
    // SET the columns' values, then WHERE the row is as held: its rowid and the held values of those columns (bound
    // by bindHeldRow). Another writer's change meanwhile leaves nothing to update.
    Statement& update(Connection& c, const std::vector<int>& columns);
    Statement& removeHeld(Connection& c); // DELETE WHERE the row is as held, every column
    Statement& findHeld(Connection& c);   // SELECT 1 WHERE the row is as held, every column
    Statement& removeRun(Connection& c);  // DELETE WHERE rowid BETWEEN ? AND ?
    Statement& reload(Connection& c);     // SELECT rowid and every column WHERE rowid = ?
    void clear();                         // a statement belongs to the connection it was prepared on

    // Binds the rowid and the held values of the columns from index `first` on, each exactly as the row holds it.
    void bindHeldRow(Statement& st, int first, qint64 rowid, const PackedRow& row,
                     const std::vector<int>& columns) const;

    QString columnList() const; // every column, bracketed, in their order

private:
    QString everyColumnHeld() const;
    QString heldRowCondition(const std::vector<int>& columns) const;
    Statement& written(Connection& c, bool insert, const std::vector<int>& columns);

    const TableDef& m_table;
    struct Cached {
        bool insert;
        std::vector<int> columns;
        std::unique_ptr<Statement> statement;
    };
    std::vector<Cached> m_written; // the most recently used first
    std::unique_ptr<Statement> m_removeHeld, m_findHeld, m_removeRun, m_reload;
};

} // namespace qv
