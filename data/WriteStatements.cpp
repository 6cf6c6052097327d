#include "data/WriteStatements.h"
#include "data/Schema.h"

#include <QStringList>
#include <algorithm>

namespace qv {

namespace {

// The text is composed only when the statement is prepared: composing it costs as much as a row's post.
template <class MakeSql> Statement& prepared(std::unique_ptr<Statement>& slot, Connection& c, MakeSql sql)
{
    if (!slot) slot = std::make_unique<Statement>(c, sql());
    slot->reset();
    return *slot;
}

} // namespace

QString WriteStatements::columnList() const
{
    QStringList columns;
    // Brackets, not double quotes: SQLite reads an unknown double-quoted name as a text literal.
    for (const ColumnDef& c : m_table.columns) columns << '[' + c.name + ']';
    return columns.join(", ");
}

QString WriteStatements::heldRowCondition(const std::vector<int>& columns) const
{
    QStringList held{QStringLiteral("rowid = ?")};
    for (int i : columns) {
        const ColumnDef& c = m_table.columns[size_t(i)];
        held << '[' + c.name +
                    (c.type == ColumnType::Text ? QStringLiteral("] IS ? COLLATE BINARY") : QStringLiteral("] IS ?"));
    }
    return held.join(QStringLiteral(" AND "));
}

Statement& WriteStatements::insert(Connection& c, const std::vector<int>& columns) { return written(c, true, columns); }

Statement& WriteStatements::update(Connection& c, const std::vector<int>& columns)
{
    return written(c, false, columns);
}

Statement& WriteStatements::written(Connection& c, bool insert, const std::vector<int>& columns)
{
    for (size_t i = 0; i < m_written.size(); ++i) {
        Cached& w = m_written[i];
        if (w.insert != insert || w.columns != columns) continue;
        if (i > 0) std::rotate(m_written.begin(), m_written.begin() + i, m_written.begin() + i + 1);
        m_written.front().statement->reset();
        return *m_written.front().statement;
    }
    QStringList names;
    for (int i : columns) names << '[' + m_table.columns[size_t(i)].name + ']';
    QString sql;
    if (insert && columns.empty()) {
        sql = QStringLiteral("INSERT INTO [%1] DEFAULT VALUES").arg(m_table.name);
    } else if (insert) {
        sql = QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                  .arg(m_table.name, names.join(", "), QStringList(names.size(), QStringLiteral("?")).join(", "));
    } else {
        QStringList sets;
        for (const QString& name : names) sets << name + QStringLiteral(" = ?");
        sql =
            QStringLiteral("UPDATE [%1] SET %2 WHERE %3").arg(m_table.name, sets.join(", "), heldRowCondition(columns));
    }
    constexpr size_t Kept = 32;
    if (m_written.size() >= Kept) m_written.pop_back();
    m_written.insert(m_written.begin(), Cached{insert, columns, std::make_unique<Statement>(c, sql)});
    return *m_written.front().statement;
}

QString WriteStatements::everyColumnHeld() const
{
    std::vector<int> every(m_table.columns.size());
    for (size_t i = 0; i < every.size(); ++i) every[i] = int(i);
    return heldRowCondition(every);
}

Statement& WriteStatements::removeHeld(Connection& c)
{
    return prepared(m_removeHeld, c, [this] {
        return QStringLiteral("DELETE FROM [%1] WHERE %2").arg(m_table.name, everyColumnHeld());
    });
}

Statement& WriteStatements::findHeld(Connection& c)
{
    return prepared(m_findHeld, c, [this] {
        return QStringLiteral("SELECT 1 FROM [%1] WHERE %2").arg(m_table.name, everyColumnHeld());
    });
}

Statement& WriteStatements::removeRun(Connection& c)
{
    return prepared(m_removeRun, c, [this] {
        return QStringLiteral("DELETE FROM [%1] WHERE rowid BETWEEN ? AND ?").arg(m_table.name);
    });
}

Statement& WriteStatements::reload(Connection& c)
{
    return prepared(m_reload, c, [this] {
        return QStringLiteral("SELECT rowid, %1 FROM [%2] WHERE rowid = ?").arg(columnList(), m_table.name);
    });
}

void WriteStatements::clear()
{
    m_written.clear();
    m_removeHeld.reset();
    m_findHeld.reset();
    m_removeRun.reset();
    m_reload.reset();
}

void WriteStatements::bindHeldRow(Statement& st, int first, qint64 rowid, const PackedRow& row,
                                  const std::vector<int>& columns) const
{
    const int count = int(m_table.columns.size());
    st.bindInt(first++, rowid);
    for (int i : columns) {
        int size = 0;
        const char* p = row.bytes(i, count, &size);
        switch (row.tag(i, count)) {
        case PackedRow::Null: st.bindNull(first++); break;
        case PackedRow::Text: st.bindText(first++, p, size, Statement::Binding::Static); break;
        default: st.bind(first++, row.value(i, count));
        }
    }
}

} // namespace qv
