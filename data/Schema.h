#pragma once
// The one description of the database file's tables and columns. The datasets check the file against it,
// the installer creates the file from it and the tests build their fixtures with it.

#include <QString>
#include <QStringList>
#include <vector>

namespace qv {

enum class ColumnType { AutoIncrement, Integer, Text, DateTime, YesNo };

struct ColumnDef {
    QString name;
    ColumnType type;
    int width = 0; // declared text width in characters; 0 when the program declares none
};

struct TableDef {
    QString name;
    std::vector<ColumnDef> columns;

    const ColumnDef* column(const QString& name) const; // letter case ignored
    int columnIndex(const QString& name) const;         // -1 when absent
    QString keyColumn() const;                          // the autoincrement key, empty when none
};

// A text's length as a declared width counts it: in characters (code points), so that a character outside the
// basic plane, which takes two UTF-16 units, counts once.
qsizetype characterCount(QStringView text);

const std::vector<TableDef>& schemaTables();
const TableDef* schemaTable(const QString& name);
const TableDef& requireTable(const QString& name); // throws DatabaseError when unknown

// Data definition for a fresh file: every table, the unique index on CalendarDays.Day and the indexes that
// keep the profession suggestions and the lookups cheap.
QStringList schemaCreateStatements();

} // namespace qv
