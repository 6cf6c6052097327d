// The statements a dataset writes with, on a real file: a row is found for an update or a delete only as it was held,
// the statements kept stay few, and the row a post leaves is composed only where the file's declarations leave no
// doubt.
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/StoredRows.h"
#include "data/StoredValues.h"
#include "data/WriteStatements.h"
#include "tests/support/TestSupport.h"

#include <QtTest>
#include <sqlcipher/sqlite3.h>

using namespace qv;
using namespace qv::test;

namespace {

struct OpenFile {
    explicit OpenFile(const QStringList& statements) : db(statements)
    {
        connection.setConnectionString(db.connectionString());
        connection.open();
    }
    // The rows of a table as a dataset holds them.
    StoredRows read(const TableDef& table)
    {
        StoredRows rows;
        rows.setShape(int(table.columns.size()), -1, true);
        Statement st(connection, QStringLiteral("SELECT rowid, * FROM [%1] ORDER BY rowid").arg(table.name));
        rows.readAll(st, true);
        return rows;
    }
    int preparedStatements() const
    {
        int n = 0;
        for (sqlite3_stmt* s = sqlite3_next_stmt(connection.handle(), nullptr); s;
             s = sqlite3_next_stmt(connection.handle(), s))
            ++n;
        return n;
    }
    TestDatabase db;
    Connection connection;
};

} // namespace

class TestWriteStatements : public QObject {
    Q_OBJECT

private slots:
    void rowIsFoundOnlyAsHeld_data();
    void rowIsFoundOnlyAsHeld();
    void keptStatementsStayFew();
    void postedRowIsComposedOnlyWithoutDoubt_data();
    void postedRowIsComposedOnlyWithoutDoubt();
};

// A follow-up as another program wrote it, then perhaps changed by another copy: an update of one column, and a
// delete, find the row only if it is still as held, byte for byte and type for type.
void TestWriteStatements::rowIsFoundOnlyAsHeld_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("stored");  // an SQL value written before the row is read
    QTest::addColumn<QString>("changed"); // written after; empty for no change
    QTest::newRow("text unchanged") << "FUDescription"
                                    << "'Call'" << QString();
    QTest::newRow("text changed in letter case only") << "FUDescription"
                                                      << "'Call'"
                                                      << "'CALL'";
    QTest::newRow("null unchanged") << "FUDescription"
                                    << "NULL" << QString();
    QTest::newRow("null filled") << "FUDescription"
                                 << "NULL"
                                 << "''";
    QTest::newRow("integer changed") << "ExpextedOrderValue"
                                     << "5"
                                     << "6";
    QTest::newRow("text in an integer column, unchanged") << "ExpextedOrderValue"
                                                          << "'lots'" << QString();
    QTest::newRow("a day count written by another program, unchanged") << "FUDate"
                                                                       << "45000.5" << QString();
    QTest::newRow("that day count changed by a hair") << "FUDate"
                                                      << "45000.5"
                                                      << "45000.500001";
    QTest::newRow("a long text unchanged") << "ProductsInterestedIn"
                                           << "'" + QString(5000, 'p') + "'" << QString();
}

void TestWriteStatements::rowIsFoundOnlyAsHeld()
{
    QFETCH(QString, column);
    QFETCH(QString, stored);
    QFETCH(QString, changed);
    const TableDef& table = requireTable("PeopleFollowUp");
    OpenFile f({QStringLiteral("INSERT INTO PeopleFollowUp (PersonID, %1) VALUES (1, %2)").arg(column, stored)});
    const StoredRows rows = f.read(table);
    if (!changed.isEmpty()) f.db.execute({QStringLiteral("UPDATE PeopleFollowUp SET %1 = %2").arg(column, changed)});
    const int expected = changed.isEmpty() ? 1 : 0;
    WriteStatements statements(table);
    std::vector<int> every;
    for (int i = 0; i < int(table.columns.size()); ++i) every.push_back(i);
    {
        Transaction undone(f.connection); // rolled back: the update below meets the same row
        Statement& remove = statements.removeHeld(f.connection);
        statements.bindHeldRow(remove, 1, rows.rowid(0), rows.row(0), every);
        remove.step();
        QCOMPARE(f.connection.changes(), expected);
    }
    const std::vector<int> written{table.columnIndex(column)};
    Statement& update = statements.update(f.connection, written);
    update.bind(1, QStringLiteral("mine"));
    statements.bindHeldRow(update, 2, rows.rowid(0), rows.row(0), written);
    update.step();
    QCOMPARE(f.connection.changes(), expected);
    QCOMPARE(f.db.scalar(QStringLiteral("SELECT %1 = 'mine' FROM PeopleFollowUp").arg(column)).toInt(), expected);
}

// An import leaves different columns empty row after row: the statements for the sets of columns used lately are
// kept and used again; older ones go, so that the prepared statements stay few however many sets come.
void TestWriteStatements::keptStatementsStayFew()
{
    OpenFile f({});
    WriteStatements statements(requireTable("People"));
    const int before = f.preparedStatements();
    for (int i = 2; i < 60; ++i) statements.insert(f.connection, {1, i});
    const int kept = f.preparedStatements() - before;
    QVERIFY2(kept > 0 && kept <= 32, qPrintable(QString::number(kept)));
    Statement* latest = &statements.insert(f.connection, {1, 59});
    QCOMPARE(&statements.insert(f.connection, {1, 58}) != latest, true);
    QCOMPARE(&statements.insert(f.connection, {1, 59}), latest);
    QCOMPARE(f.preparedStatements() - before, kept);
    statements.clear();
    QCOMPARE(f.preparedStatements(), before);
}

// The row a post leaves is composed from the values bound where the file's declarations say what it stores, and
// read back where they leave a doubt; a composed row is the row the file holds, byte for byte.
void TestWriteStatements::postedRowIsComposedOnlyWithoutDoubt_data()
{
    QTest::addColumn<QString>("declarations"); // of Things (Id, A, B)
    QTest::addColumn<QString>("a");            // the text bound to A; B is left out
    QTest::addColumn<bool>("composed");
    const QString ours = "Id INTEGER PRIMARY KEY AUTOINCREMENT, A VARCHAR(50), B VARCHAR(50)";
    QTest::newRow("texts") << ours << "Ann" << true;
    QTest::newRow("digits into a text column") << ours << "0123" << true;
    QTest::newRow("digits into a numeric column") << "Id INTEGER PRIMARY KEY, A NUMERIC, B TEXT"
                                                  << "0123" << false;
    QTest::newRow("letters into a numeric column") << "Id INTEGER PRIMARY KEY, A NUMERIC, B TEXT"
                                                   << "Ann" << true;
    QTest::newRow("a default for the column left out") << "Id INTEGER PRIMARY KEY, A TEXT, B TEXT DEFAULT 'b'"
                                                       << "Ann" << false;
    QTest::newRow("a key that is no rowid") << "Id INTEGER PRIMARY KEY DESC, A TEXT, B TEXT"
                                            << "Ann" << false;
    QTest::newRow("a trigger") << ours + "); CREATE TRIGGER T AFTER INSERT ON Things BEGIN SELECT 1; END; --"
                               << "Ann" << false;
}

void TestWriteStatements::postedRowIsComposedOnlyWithoutDoubt()
{
    QFETCH(QString, declarations);
    QFETCH(QString, a);
    QFETCH(bool, composed);
    const TableDef things{"Things",
                          {{"Id", ColumnType::AutoIncrement}, {"A", ColumnType::Text}, {"B", ColumnType::Text}}};
    OpenFile f({"CREATE TABLE Things (" + declarations + ")"});
    WriteStatements statements(things);
    Statement& insert = statements.insert(f.connection, {1});
    const QByteArray utf8 = a.toUtf8();
    insert.bindText(1, utf8.constData(), int(utf8.size()));
    insert.step();
    const qint64 rowid = f.connection.lastInsertRowid();
    RowComposer composer(things);
    QCOMPARE(composer.compose(f.connection, rowid, PackedRow(), {1}, {QVariant(), a, QVariant()},
                              {Utf8Span{utf8.constData(), int(utf8.size())}}),
             composed);
    if (!composed) return;
    StoredRows held;
    held.setShape(3, -1, true);
    held.insert(0, held.store(composer.row()));
    const StoredRows file = f.read(things);
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(held.row(0).tag(c, 3), file.row(0).tag(c, 3));
        int heldSize = 0, fileSize = 0;
        const char* heldBytes = held.row(0).bytes(c, 3, &heldSize);
        const char* fileBytes = file.row(0).bytes(c, 3, &fileSize);
        QCOMPARE(QByteArray(heldBytes, heldSize), QByteArray(fileBytes, fileSize));
    }
    QCOMPARE(held.rowid(0), rowid);
}

QTEST_GUILESS_MAIN(TestWriteStatements)
#include "test_writestatements.moc"
