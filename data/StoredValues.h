#pragma once
// What the file stores for a value bound to one of its columns, worked out without asking the file, wherever the
// engine's rules leave no doubt: a posted row can then be held as composed from the values bound instead of being
// read back. Where there is a doubt (a text that may turn into a number, a default, a trigger), the caller reads.

#include "data/PackedRow.h"
#include "data/StoredText.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class Connection;
struct TableDef;

namespace storedvalues {

// A column's type affinity, decided from its declared type as the engine decides it.
enum class Affinity { Text, Numeric, Integer, Real, None };
Affinity affinityOf(const QString& declaredType);

// Whether no numeric affinity can turn this text into a number: it holds a character that no number has. (A
// text of digits, signs, points, exponents and blanks only is left in doubt, whichever way it would go.)
bool surelyNotNumeric(const char* utf8, int size);

struct FileColumn {
    Affinity affinity = Affinity::None;
    bool hasDefault = false; // an omitted column, or a null refused by a constraint, may take it
    bool isRowid = false;    // an alias of the rowid: it holds the row's rowid, whatever was bound
};

// The file's columns of a table, in the order given; nothing when a row may change on its way into the file
// (a trigger on the table), the file's text is not UTF-8, or a column is missing or cannot be told apart.
std::optional<std::vector<FileColumn>> readFileColumns(Connection& connection, const QString& table,
                                                       const QStringList& columns);

} // namespace storedvalues

// The row a post leaves in the file, composed from the values bound over the row as read, wherever the file's
// declared types leave no doubt of what it stores. The file's form is read once per connection.
class RowComposer {
public:
    explicit RowComposer(const TableDef& table) : m_table(table) {}
    void forget(); // another file may be connected next

    // The table's first column is the rowid's alias: a read need not select the rowid again.
    bool keyIsRowid(Connection& c);
    // The row with the given rowid: the written columns' values (texts as bound, in the same order) over the original
    // row (an invalid one for a new row). False where the file may store something else: then read the row back.
    bool compose(Connection& c, qint64 rowid, const PackedRow& original, const std::vector<int>& written,
                 const std::vector<QVariant>& values, const std::vector<Utf8Span>& texts);
    const PackedRow::Builder& row() const { return *m_row; }

private:
    bool formKnown(Connection& c);

    const TableDef& m_table;
    enum class Form { Unknown, Known, ReadBack };
    Form m_form = Form::Unknown;
    std::vector<storedvalues::FileColumn> m_columns;
    std::unique_ptr<PackedRow::Builder> m_row;
};

} // namespace qv
