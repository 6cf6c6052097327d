// Rows held in memory: the blocks of a row store, whatever the sizes of the rows and the order they come in, and
// the live rows copied into a fresh store as a dataset compacts its rows.
#include "data/PackedRow.h"

#include <QtTest>
#include <algorithm>

using namespace qv;

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

} // namespace

class TestPackedRows : public QObject {
    Q_OBJECT

private slots:
    void rowsOfEverySizeInEveryOrder_data();
    void rowsOfEverySizeInEveryOrder();
};

// Short rows share a block; a row too large for what is left of it, or for any block, takes a block of its own.
// Every order of rows that fit the rest of a block, that need the next block and that need one of their own, added
// and then copied into a fresh store as compaction copies the live rows: every row reads back as it was added.
void TestPackedRows::rowsOfEverySizeInEveryOrder_data()
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

void TestPackedRows::rowsOfEverySizeInEveryOrder()
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

QTEST_GUILESS_MAIN(TestPackedRows)
#include "test_packedrows.moc"
