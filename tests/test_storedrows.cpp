// Rows held in memory: the blocks of a row store, whatever the sizes of the rows and the order they come in; a
// dataset's rows in link order, placed and removed as a re-read would leave them, compacted; the search keys over them.
#include "data/PackedRow.h"
#include "data/SearchKeys.h"
#include "data/StoredRows.h"
#include "tests/support/TestSupport.h"

#include <QtTest>
#include <algorithm>

using namespace qv;
using namespace qv::test;

namespace {

// A row of a key and a text of the given size, the text's bytes telling the row apart from every other one.
QByteArray textOfSize(int key, int size)
{
    QByteArray text(size, 'a' + key % 26);
    for (int i = 0; i + 4 <= size; i += 97) std::memcpy(text.data() + i, &key, 4);
    return text;
}

RowStore::Ref addRow(RowStore& store, int key, const QByteArray& text)
{
    PackedRow::Builder b(2);
    b.addInt(key);
    b.addText(text.constData(), int(text.size()));
    return store.add(b);
}

void compareRow(const RowStore& store, RowStore::Ref ref, int key, const QByteArray& text)
{
    const PackedRow row(store.at(ref));
    QCOMPARE(row.integer(0, 2), qint64(key));
    int size = 0;
    const char* p = row.bytes(1, 2, &size);
    QCOMPARE(size, int(text.size()));
    QVERIFY2(std::memcmp(p, text.constData(), size_t(size)) == 0, qPrintable(QString("row %1").arg(key)));
}

// The follow-ups of a file, read as the dataset reads them: PersonID is the link.
struct FollowUps {
    explicit FollowUps(const QStringList& personIds)
    {
        QStringList rows;
        for (const QString& id : personIds)
            rows << QStringLiteral("INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (%1, 'f%2')")
                        .arg(id)
                        .arg(rows.size() + 1);
        db.execute(rows);
        connection.setConnectionString(db.connectionString());
        connection.open();
        rows_.setShape(columns(), link(), true);
        reread(rows_);
    }
    static int columns() { return int(requireTable("PeopleFollowUp").columns.size()); }
    static int link() { return requireTable("PeopleFollowUp").columnIndex("PersonID"); }
    void reread(StoredRows& into)
    {
        Statement st(connection, "SELECT * FROM PeopleFollowUp ORDER BY rowid");
        into.readAll(st, false);
    }
    // Each row as "rowid:link", in the order held.
    static QStringList order(const StoredRows& rows)
    {
        QStringList out;
        for (int i = 0; i < rows.size(); ++i)
            out << QStringLiteral("%1:%2")
                       .arg(rows.rowid(i))
                       .arg(rows.link(i) == StoredRows::NullLink ? QStringLiteral("null")
                                                                 : QString::number(rows.link(i)));
        return out;
    }
    TestDatabase db;
    Connection connection;
    StoredRows rows_;
};

} // namespace

class TestStoredRows : public QObject {
    Q_OBJECT

private slots:
    void rowsOfEverySizeInEveryOrder_data();
    void rowsOfEverySizeInEveryOrder();
    void rowsFollowTheirLinks_data();
    void rowsFollowTheirLinks();
    void replacedRowsAreCompactedAway();
    void searchKeysFollowTheRows();
};

// Short rows share a block; a row too large for what is left of it, or for any block, takes a block of its own.
// Every order of rows that fit the rest of a block, that need the next block and that need one of their own, added
// and then copied into a fresh store as compaction copies the live rows: every row reads back as it was added.
void TestStoredRows::rowsOfEverySizeInEveryOrder_data()
{
    QTest::addColumn<QList<int>>("sizes"); // of the rows' texts, in the order they are added
    // 16 and 37 bytes share a block; 4,000 fits a first block but not its rest; 9,000 needs a block larger than the
    // first; 300,000 is larger than the largest block.
    QList<int> sizes{16, 37, 4000, 9000, 300000};
    do {
        QStringList name;
        for (int s : sizes) name << QString::number(s);
        QTest::newRow(qPrintable(name.join(", "))) << sizes;
    } while (std::next_permutation(sizes.begin(), sizes.end()));
}

void TestStoredRows::rowsOfEverySizeInEveryOrder()
{
    QFETCH(QList<int>, sizes);
    // Three rounds, so that the rows also meet blocks partly filled and blocks grown larger.
    RowStore store;
    std::vector<RowStore::Ref> refs;
    std::vector<QByteArray> texts;
    for (int round = 0; round < 3; ++round)
        for (int size : sizes) {
            const int key = int(texts.size());
            texts.push_back(textOfSize(key, size));
            refs.push_back(addRow(store, key, texts.back()));
        }
    for (size_t i = 0; i < refs.size(); ++i) compareRow(store, refs[i], int(i), texts[i]);

    RowStore compacted;
    std::vector<RowStore::Ref> copied;
    for (size_t i = 0; i < refs.size(); ++i)
        copied.push_back(compacted.copy(store.at(refs[i]), PackedRow(store.at(refs[i])).byteSize(2)));
    store.clear();
    for (size_t i = 0; i < copied.size(); ++i) compareRow(compacted, copied[i], int(i), texts[i]);
}

// A detail's rows stand grouped by their link (none first), in rowid order within a link, whether the links span a
// few keys (counted into place) or far apart ones (sorted), or were written as text by another program. A row whose
// link changes, and the rows taken out, leave the others where a re-read puts them.
void TestStoredRows::rowsFollowTheirLinks_data()
{
    QTest::addColumn<QStringList>("links"); // the PersonID of each follow-up, in rowid order
    QTest::addColumn<int>("changed");       // the held row whose link then changes
    QTest::addColumn<QString>("to");
    QTest::newRow("near keys") << QStringList{"3", "1", "NULL", "2", "1", "3", "NULL"} << 0 << "1";
    QTest::newRow("far-apart keys") << QStringList{"900000000000", "1", "NULL", "-5", "1", "900000000000"} << 4 << "-5";
    QTest::newRow("a link written as text") << QStringList{"'2a'", "1", "2", "NULL"} << 1 << "NULL";
    QTest::newRow("to a link no row has") << QStringList{"1", "2", "3"} << 2 << "7";
}

void TestStoredRows::rowsFollowTheirLinks()
{
    QFETCH(QStringList, links);
    QFETCH(int, changed);
    QFETCH(QString, to);
    FollowUps f(links);
    StoredRows& rows = f.rows_;
    QCOMPARE(rows.size(), links.size());
    for (int i = 1; i < rows.size(); ++i) {
        QVERIFY(rows.link(i - 1) <= rows.link(i));
        if (rows.link(i - 1) == rows.link(i)) QVERIFY(rows.rowid(i - 1) < rows.rowid(i));
    }
    for (int i = 0; i < rows.size(); ++i) {
        const auto [first, last] = rows.linkRange(rows.link(i));
        QVERIFY(first <= i && i < last);
        for (int j = first; j < last; ++j) QCOMPARE(rows.link(j), rows.link(i));
    }

    // The row changed in the file, and held as changed: placed as a re-read places it.
    const qint64 rowid = rows.rowid(changed);
    f.db.execute({QStringLiteral("UPDATE PeopleFollowUp SET PersonID = %1 WHERE rowid = %2").arg(to).arg(rowid)});
    Statement st(f.connection, QStringLiteral("SELECT * FROM PeopleFollowUp WHERE rowid = %1").arg(rowid));
    QVERIFY(st.step());
    rows.replace(changed, rows.store(st, false));
    const int place = rows.moveToLinkPlace(changed);
    QCOMPARE(rows.rowid(place), rowid);
    StoredRows fresh;
    fresh.setShape(FollowUps::columns(), FollowUps::link(), true);
    f.reread(fresh);
    QCOMPARE(FollowUps::order(rows), FollowUps::order(fresh));

    // Every other row taken out, among all of them: the rest keep their order.
    std::vector<qint64> gone;
    for (int i = 0; i < rows.size(); i += 2) gone.push_back(rows.rowid(i));
    std::sort(gone.begin(), gone.end());
    QStringList kept = FollowUps::order(rows);
    for (int i = int(kept.size()) - 1 - (kept.size() - 1) % 2; i >= 0; i -= 2) kept.removeAt(i);
    QCOMPARE(rows.eraseRowids(0, rows.size(), gone), int(gone.size()));
    QCOMPARE(FollowUps::order(rows), kept);
}

// Rows replaced over and over leave their old bytes behind until these outweigh the live rows: then the live rows
// are copied out, every one still read back exactly and the memory held back near what they need.
void TestStoredRows::replacedRowsAreCompactedAway()
{
    FollowUps f({"1", "2", "3"});
    StoredRows& rows = f.rows_;
    const int columns = FollowUps::columns();
    const QByteArray longText(70000, 'x');
    for (int round = 0; round < 40; ++round) {
        PackedRow::Builder b(columns);
        b.addInt(rows.rowid(1));
        for (int c = 1; c < columns; ++c)
            c == 2 ? b.addText(longText.constData(), int(longText.size())) : b.addInt(round);
        b.setRowid(rows.rowid(1));
        rows.replace(1, rows.store(b));
    }
    QVERIFY2(rows.heapBytes() < 8 * size_t(longText.size()) + 1024 * 1024 * 2,
             qPrintable(QString::number(rows.heapBytes())));
    QCOMPARE(rows.row(1).integer(3, columns), 39);
    int size = 0;
    rows.row(1).bytes(2, columns, &size);
    QCOMPARE(size, int(longText.size()));
    QCOMPARE(FollowUps::order(rows), (QStringList{"1:1", "2:39", "3:3"}));
}

// A key per row of the column searched: the folded first eight bytes of an ASCII text; any other value is compared in
// full. Worked out again when the rows change or another column is searched.
void TestStoredRows::searchKeysFollowTheRows()
{
    FollowUps f({"1", "2", "3", "4", "5"});
    f.db.execute({"UPDATE PeopleFollowUp SET FUDescription = 'Call Back Later' WHERE rowid = 1",
                  "UPDATE PeopleFollowUp SET FUDescription = 'Dinner at eight' WHERE rowid = 2",
                  "UPDATE PeopleFollowUp SET FUDescription = CAST(X'410042' AS TEXT) WHERE rowid = 3",
                  "UPDATE PeopleFollowUp SET FUDescription = NULL WHERE rowid = 4",
                  "UPDATE PeopleFollowUp SET FUDescription = CAST(X'C3A9' AS TEXT) WHERE rowid = 5"});
    StoredRows& rows = f.rows_;
    f.reread(rows);
    const int description = requireTable("PeopleFollowUp").columnIndex("FUDescription");
    const int link = FollowUps::link();
    SearchKeys keys;
    const auto keysOf = [&](int column) { return keys.of(rows, column); };
    std::vector<quint64> k = keysOf(description);
    QCOMPARE(k[0], SearchKeys::fold("call bac", 8));
    QCOMPARE(k[0] & SearchKeys::maskFor(4), SearchKeys::fold("CALL", 4));
    QCOMPARE(k[1], SearchKeys::fold("DINNER A", 8));
    QVERIFY(k[2] & SearchKeys::Unfolded);            // a null character
    QVERIFY(k[3] & SearchKeys::Unfolded);            // null
    QVERIFY(k[4] & SearchKeys::Unfolded);            // not ASCII
    QVERIFY(keysOf(link)[0] & SearchKeys::Unfolded); // a number
    // A row replaced: the keys follow.
    Statement st(f.connection, "SELECT 1, NULL, NULL, 'Zed', 1, NULL, NULL, NULL, NULL, NULL, NULL");
    QVERIFY(st.step());
    rows.replace(0, rows.store(st, false));
    QCOMPARE(keysOf(description)[0], SearchKeys::fold("zed", 3));
}

QTEST_GUILESS_MAIN(TestStoredRows)
#include "test_storedrows.moc"
