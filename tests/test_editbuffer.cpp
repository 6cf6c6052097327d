// The row being edited: what counts as a change, what a post writes and the UTF-8 it binds, reused row after row.
#include "data/DatabaseError.h"
#include "data/EditBuffer.h"
#include "data/Schema.h"

#include <QtTest>

using namespace qv;

class TestEditBuffer : public QObject {
    Q_OBJECT

private slots:
    void changesAreWhatDiffers_data();
    void changesAreWhatDiffers();
    void writtenColumnsAndTheirTexts();
    void halfACharacterPairIsRefused_data();
    void halfACharacterPairIsRefused();
};

// Setting a value the row holds already changes nothing; a null and an empty text differ.
void TestEditBuffer::changesAreWhatDiffers_data()
{
    QTest::addColumn<QVariant>("held");
    QTest::addColumn<QVariant>("set");
    QTest::addColumn<bool>("changed");
    QTest::newRow("same text") << QVariant("Ann") << QVariant("Ann") << false;
    QTest::newRow("text in another case") << QVariant("Ann") << QVariant("ANN") << true;
    QTest::newRow("empty text over null") << QVariant() << QVariant(QString("")) << true;
    QTest::newRow("null over null") << QVariant() << QVariant() << false;
    QTest::newRow("null over a text") << QVariant("Ann") << QVariant() << true;
    QTest::newRow("same number") << QVariant(qint64(7)) << QVariant(qint64(7)) << false;
    QTest::newRow("another number") << QVariant(qint64(7)) << QVariant(qint64(8)) << true;
}

void TestEditBuffer::changesAreWhatDiffers()
{
    QFETCH(QVariant, held);
    QFETCH(QVariant, set);
    QFETCH(bool, changed);
    PackedRow::Builder b(2);
    b.addInt(1);
    b.addValue(held);
    RowStore store;
    const RowStore::Ref ref = store.add(b);
    EditBuffer edit;
    edit.startFrom(PackedRow(store.at(ref)), 2);
    QVERIFY(!edit.isModified());
    QCOMPARE(edit.set(1, set), changed);
    QCOMPARE(edit.isModified(), changed);
    QCOMPARE(edit.isSet(1), changed);
}

// A post writes the columns set, in order, never the key the file gives; each text once as UTF-8, in one buffer
// that serves row after row. A new row starts empty again after a posted one, with its link preset but unchanged.
void TestEditBuffer::writtenColumnsAndTheirTexts()
{
    const TableDef& people = requireTable("People");
    const int columns = int(people.columns.size());
    EditBuffer edit;
    const QStringList names{QString(300, QChar(0xE9)), QString::fromUtf8("\xF0\x9F\x98\x80 Zo\xC3\xAB"), "Lee"};
    for (const QString& name : names) {
        edit.startEmpty(columns);
        edit.preset(1, qint64(1)); // the link to the company
        QVERIFY(!edit.isModified());
        edit.set(0, qint64(99)); // the key: never written
        edit.set(people.columnIndex("Mobile"), QString());
        edit.set(people.columnIndex("Name"), name);
        edit.set(people.columnIndex("ProfessionID"), qint64(4));
        edit.prepareWrite(people);
        const std::vector<int> expected{1, people.columnIndex("Name"), people.columnIndex("Mobile"),
                                        people.columnIndex("ProfessionID")};
        QCOMPARE(edit.written(), expected);
        const std::vector<Utf8Span>& texts = edit.writtenTexts();
        QVERIFY(!texts[0].data && !texts[3].data);
        QCOMPARE(QByteArray(texts[1].data, texts[1].size), name.toUtf8());
        QCOMPARE(QByteArray(texts[2].data, texts[2].size), QByteArray());
        edit.posted(true);
        for (int i = 0; i < columns; ++i) QVERIFY(edit.value(i).isNull());
    }
}

// Half of a character outside the basic plane has no UTF-8 form: the post is refused, the field and the character
// named, wherever in the text it stands.
void TestEditBuffer::halfACharacterPairIsRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("first half at the end") << "Ann" + QString(QChar(0xD83D)) << "U+D83D";
    QTest::newRow("second half at the start") << QString(QChar(0xDE00)) + "Ann"
                                              << "U+DE00";
    QTest::newRow("second half after a whole pair")
        << "A" + QString::fromUtf8("\xF0\x9F\x98\x80") + QChar(0xDE00) << "U+DE00";
}

void TestEditBuffer::halfACharacterPairIsRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, named);
    const TableDef& people = requireTable("People");
    EditBuffer edit;
    edit.startEmpty(int(people.columns.size()));
    edit.set(people.columnIndex("Info"), "fine");
    edit.set(people.columnIndex("Spouse"), text);
    try {
        edit.prepareWrite(people);
        QFAIL("half of a character pair was taken");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("'Spouse'") && e.message().contains(named), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestEditBuffer)
#include "test_editbuffer.moc"
