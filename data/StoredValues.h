#pragma once
// What the file stores for a value bound to one of its columns, worked out without asking the file, wherever the
// engine's rules leave no doubt: a posted row can then be held as composed from the values bound instead of being
// read back. Where there is a doubt (a text that may turn into a number, a default, a trigger), the caller reads.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace qv {

class Connection;

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
} // namespace qv
