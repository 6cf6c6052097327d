// The data grid, its model, its cell kinds and the record navigator, over the follow-ups of the contacts: the
// model's row notices checked by Qt's model tester, the grid's editing habits driven by keys and by the
// accessibility interface, and the navigator's buttons in each state of the dataset.
#include "data/DataModule.h"
#include "data/Domains.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/GridDelegates.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QPixmap>
#include <QScreen>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

// Adams has three follow-ups, Baker none, Clark one.
QStringList followUpRows()
{
    return {personInsert("Adams"), personInsert("Baker"), personInsert("Clark"),
            "INSERT INTO PeopleFollowUp (PersonID, ProductsInterestedIn, ExpextedOrderValue) VALUES "
            "(1, 'a1', 100), (1, 'a2', 200), (1, 'a3', 300), (3, 'c1', 400)"};
}

std::vector<GridColumn> followUpColumns(int* pressed)
{
    return {GridColumn::button("FUDate", "Follow-up date", 90, [pressed] { ++*pressed; }),
            GridColumn::pickList("ContactMethod", "Contact method", 90, domains::contactMethod(), 6),
            GridColumn::text("ProductsInterestedIn", "Offered solution", 120),
            GridColumn::wholeNumber("ExpextedOrderValue", "Expected order value", 90),
            GridColumn::notTypable("PersonID", "Person", 50)};
}

// The texts of one column of every row the model shows, "|" between rows.
QString columnTexts(const DatasetModel& model, int column)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << model.cellText(r, column);
    return out.join('|');
}

// A window holding the follow-up grid and its navigator, shown and active.
struct GridWindow {
    explicit GridWindow(const QStringList& rows = followUpRows()) : db(rows), dm(db.open())
    {
        grid = new DBGrid(dm.FollowUp, followUpColumns(&pressed), &window);
        navigator = new DBNavigator(dm.FollowUp, &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        layout->addWidget(navigator);
        window.resize(600, 300);
        window.show();
        QApplication::setActiveWindow(&window);
        if (!QTest::qWaitForWindowExposed(&window)) qFatal("window not exposed");
        grid->setFocus();
    }
    Dataset* followUps() const { return dm.FollowUp; }
    DatasetModel* model() const { return grid->datasetModel(); }
    QString solutions() const { return columnTexts(*model(), 2); }
    QString stored() const
    {
        return db
            .scalar("SELECT group_concat(ProductsInterestedIn, '|') FROM (SELECT ProductsInterestedIn FROM "
                    "PeopleFollowUp WHERE PersonID = 1 ORDER BY ID)")
            .toString();
    }
    void goTo(int row, int column = 2) { grid->setCurrentIndex(model()->index(row, column)); }
    // Types into the current cell as a user does: the first key opens the editor, the rest go to it.
    void type(const QString& text)
    {
        QTest::keyClick(grid, text.at(0).toLatin1());
        QWidget* editor = QApplication::focusWidget();
        if (!editor || editor == grid) qFatal("no cell editor opened");
        if (text.size() > 1) QTest::keyClicks(editor, text.mid(1));
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : grid;
        QTest::keyClick(target, Qt::Key(k), mods);
    }

    TestDatabase db;
    TMainDataModule& dm;
    QWidget window;
    DBGrid* grid;
    DBNavigator* navigator;
    int pressed = 0;
};

QAccessibleInterface* accessibleCell(DBGrid* grid, int row, int column)
{
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    if (!table || !table->tableInterface()) return nullptr;
    return table->tableInterface()->cellAt(row, column);
}

} // namespace

class TestGrid : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }

    void modelFollowsEveryRowChangeRowByRow();
    void hiddenGridCatchesUpWhenShown();
    void anotherMasterRowShowsItsDetailsFromTheFirst();
    void downPastTheLastRowStartsANewRow();
    void tabLeavesTheGridAtItsEnds();
    void untouchedNewRowIsDroppedTypedOneIsPosted();
    void ctrlDeleteAsksFirst_data();
    void ctrlDeleteAsksFirst();
    void postErrorIsShownAndTheEditStays_data();
    void postErrorIsShownAndTheEditStays();
    void numberBeyondAnIntegerGetsAMessageAndTheGridGoesOn_data();
    void numberBeyondAnIntegerGetsAMessageAndTheGridGoesOn();
    void cellKindsDecideWhatCanBeTyped_data();
    void cellKindsDecideWhatCanBeTyped();
    void pickListOffersItsEntriesAndTakesOtherText();
    void buttonCellRunsItsCommandOnTheCurrentRow();
    void buttonFollowsTheCurrentRowOnTheScreen();
    void navigatorButtonsInEachState_data();
    void navigatorButtonsInEachState();
    void navigatorActs();
};

// Every kind of row change reaches the view as single-row inserts, removals and changes, checked by Qt's tester;
// only a re-read of many rows resets the model.
void TestGrid::modelFollowsEveryRowChangeRowByRow()
{
    TestDatabase db(followUpRows());
    TMainDataModule& dm = db.open();
    // The tester compares the first column's texts around each change: make them tell the rows apart.
    std::vector<GridColumn> columns{GridColumn::text("ProductsInterestedIn", "Offered solution", 120)};
    int pressed = 0;
    for (GridColumn& c : followUpColumns(&pressed)) columns.push_back(c);
    DatasetModel model(dm.FollowUp, columns);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
    Dataset* fu = dm.FollowUp;
    QCOMPARE(columnTexts(model, 0), QString("a1|a2|a3"));

    fu->moveTo(1);
    fu->insert(); // before the current row
    QCOMPARE(columnTexts(model, 0), QString("a1||a2|a3"));
    QCOMPARE(model.currentRow(), 1);
    fu->setValue("ProductsInterestedIn", "new");
    QCOMPARE(columnTexts(model, 0), QString("a1|new|a2|a3"));
    fu->post();
    QCOMPARE(columnTexts(model, 0), QString("a1|new|a2|a3"));
    fu->append();
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.currentRow(), 4);
    fu->cancel();
    fu->moveTo(0);
    fu->remove();
    QCOMPARE(columnTexts(model, 0), QString("new|a2|a3"));
    fu->edit();
    fu->setValue("ProductsInterestedIn", "changed");
    fu->cancel();
    QCOMPARE(columnTexts(model, 0), QString("new|a2|a3"));
    QCOMPARE(inserts.count(), 2);
    QCOMPARE(removals.count(), 2);
    QCOMPARE(resets.count(), 0);

    // Another contact: its few rows take the place of the others without a reset, so the view keeps its layout.
    // Without follow-ups, one blank row to start typing into; typing there inserts into it.
    dm.PeopleCompanyDet->moveTo(1);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(model.rowCount(), 1);
    QVERIFY(model.showsBlankRow());
    QVERIFY(model.setData(model.index(0, 0), "b1"));
    QCOMPARE(fu->state(), DatasetState::Insert);
    QCOMPARE(model.rowCount(), 1);
    fu->post();
    QCOMPARE(columnTexts(model, 0), QString("b1"));
    QCOMPARE(db.scalar("SELECT PersonID FROM PeopleFollowUp WHERE ProductsInterestedIn = 'b1'").toInt(), 2);
    fu->remove();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(columnTexts(model, 0), QString());
    dm.PeopleCompanyDet->moveTo(0);
    QCOMPARE(columnTexts(model, 0), QString("new|a2|a3"));

    // Another program's rows appear on a re-read; many of them come as one reset.
    db.execute({"INSERT INTO PeopleFollowUp (PersonID, ProductsInterestedIn) VALUES (1, 'elsewhere')"});
    fu->refresh();
    QCOMPARE(columnTexts(model, 0), QString("a2|a3|new|elsewhere"));
    QCOMPARE(resets.count(), 0);
    db.execute({"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) INSERT INTO "
                "PeopleFollowUp (PersonID, ProductsInterestedIn) SELECT 1, 'bulk' FROM n"});
    fu->refresh();
    QCOMPARE(model.rowCount(), 1504);
    QCOMPARE(resets.count(), 1);
}

// A hidden grid does not follow re-reads one by one; when shown again it shows the rows as they are.
void TestGrid::hiddenGridCatchesUpWhenShown()
{
    GridWindow w;
    QSignalSpy resets(w.model(), &QAbstractItemModel::modelReset);
    w.window.hide();
    Dataset* contacts = w.dm.PeopleCompanyDet;
    for (int i = 0; i < 50; ++i) contacts->moveTo(i % 3);
    contacts->moveTo(2);
    QVERIFY(resets.count() <= 1);
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    QCOMPARE(w.solutions(), QString("c1"));
    QCOMPARE(w.grid->currentIndex().row(), 0);
}

// The grid's current cell sits on a row that the next master row does not have: the details still stand on
// their first row, and the grid with them.
void TestGrid::anotherMasterRowShowsItsDetailsFromTheFirst()
{
    GridWindow w;
    w.goTo(2);
    QCOMPARE(w.followUps()->recNo(), 2);
    w.dm.PeopleCompanyDet->moveTo(2); // Clark: one follow-up
    QCOMPARE(w.followUps()->recNo(), 0);
    QCOMPARE(w.grid->currentIndex().row(), 0);
    QCOMPARE(w.solutions(), QString("c1"));
    w.dm.PeopleCompanyDet->moveTo(0);
    QCOMPARE(w.followUps()->recNo(), 0);
    QCOMPARE(w.grid->currentIndex().row(), 0);
    QCOMPARE(w.solutions(), QString("a1|a2|a3"));
}

void TestGrid::downPastTheLastRowStartsANewRow()
{
    GridWindow w;
    w.goTo(2);
    w.key(Qt::Key_Down);
    QCOMPARE(w.followUps()->state(), DatasetState::Insert);
    QCOMPARE(w.solutions(), QString("a1|a2|a3|"));
    QCOMPARE(w.grid->currentIndex().row(), 3);
    // Down again on the untouched new row adds nothing more.
    w.key(Qt::Key_Down);
    QCOMPARE(w.model()->rowCount(), 4);
    QCOMPARE(w.followUps()->state(), DatasetState::Insert);
}

// Tab walks the cells and leaves the grid after the last one (Shift+Tab before the first), on to the navigator.
void TestGrid::tabLeavesTheGridAtItsEnds()
{
    GridWindow w;
    const int last = w.model()->columnCount() - 1;
    w.goTo(0, last);
    w.key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.grid);
    QCOMPARE(w.grid->currentIndex(), w.model()->index(1, 0));
    w.goTo(2, last);
    w.key(Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != w.grid);
    QVERIFY(w.navigator->isAncestorOf(QApplication::focusWidget()));

    w.grid->setFocus();
    w.goTo(0, 0);
    w.key(Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(QApplication::focusWidget() != w.grid);
}

void TestGrid::untouchedNewRowIsDroppedTypedOneIsPosted()
{
    GridWindow w;
    w.goTo(2);
    w.key(Qt::Key_Down);
    w.key(Qt::Key_Up);
    QCOMPARE(w.followUps()->state(), DatasetState::Browse);
    QCOMPARE(w.solutions(), QString("a1|a2|a3"));
    QCOMPARE(w.grid->currentIndex().row(), 2);

    w.key(Qt::Key_Down);
    w.type("demo kit");
    w.key(Qt::Key_Return); // closes the cell editor
    QCOMPARE(w.followUps()->state(), DatasetState::Insert);
    w.key(Qt::Key_Up);
    QCOMPARE(w.followUps()->state(), DatasetState::Browse);
    QCOMPARE(w.stored(), QString("a1|a2|a3|demo kit"));
    QCOMPARE(w.grid->currentIndex().row(), 2);
}

void TestGrid::ctrlDeleteAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("left");
    QTest::newRow("OK deletes") << int(MessageAnswer::Ok) << "a1|a3";
    QTest::newRow("Cancel keeps") << int(MessageAnswer::Cancel) << "a1|a2|a3";
}

void TestGrid::ctrlDeleteAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(QString, left);
    ScriptedMessages shown;
    shown.answers.push_back(MessageAnswer(answer));
    GridWindow w;
    w.goTo(1);
    w.key(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(shown.texts(), QStringList{"Delete record?"});
    QCOMPARE(int(shown.shown.at(0).buttons), int(MessageButtons::OkCancel));
    QCOMPARE(w.stored(), left);
    QCOMPARE(w.solutions(), left);
}

// A post refused by the data layer or by a record rule: the error's text in the error box, the row still in its
// edit with what was typed, the grid still on it.
void TestGrid::postErrorIsShownAndTheEditStays_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("error");
    QTest::newRow("number too large") << "99999999999"
                                      << "too large";
    QTest::newRow("text too long") << QString(260, 'x') << "too long";
}

void TestGrid::postErrorIsShownAndTheEditStays()
{
    QFETCH(QString, typed);
    QFETCH(QString, error);
    ScriptedMessages shown;
    GridWindow w;
    const int column = typed.startsWith('9') ? 3 : 2;
    w.goTo(1, column);
    // Also through the accessibility interface, as a screen reader sets a cell's text.
    QAccessibleInterface* cell = accessibleCell(w.grid, 1, column);
    QVERIFY(cell);
    cell->setText(QAccessible::Value, typed);
    QCOMPARE(w.followUps()->state(), DatasetState::Edit);
    w.key(Qt::Key_Up);
    QCOMPARE(shown.shown.size(), size_t(1));
    QCOMPARE(int(shown.shown[0].kind), int(MessageKind::Error));
    QVERIFY2(shown.shown[0].text.contains(error), qPrintable(shown.shown[0].text));
    QCOMPARE(w.followUps()->state(), DatasetState::Edit);
    QCOMPARE(w.grid->currentIndex().row(), 1);
    QCOMPARE(w.model()->cellText(1, column), typed);
    QCOMPARE(w.stored(), QString("a1|a2|a3"));
}

void TestGrid::numberBeyondAnIntegerGetsAMessageAndTheGridGoesOn_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept"); // what the cell holds: the digits before the one refused
    QTest::newRow("past the largest") << "12345678901234567890"
                                      << "1234567890123456789";
    QTest::newRow("past the smallest") << "-9999999999999999999"
                                       << "-999999999999999999";
}

// The real error box, closed with a key, while the cell's editor is open: the program goes on, the cell keeps what
// it could hold, and the grid takes the next number and posts it.
void TestGrid::numberBeyondAnIntegerGetsAMessageAndTheGridGoesOn()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    GridWindow w;
    {
        KeyAnsweredBoxes boxes({Qt::Key_Return});
        w.goTo(1, 3);
        w.type(typed);
        w.key(Qt::Key_Return);
        QTest::qWait(200);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts[0].contains(QStringLiteral("'%1' is not a valid integer value").arg(typed)),
                 qPrintable(boxes.texts[0]));
    }
    QCOMPARE(w.model()->cellText(1, 3), kept);
    QCOMPARE(w.followUps()->state(), DatasetState::Edit);
    ScriptedMessages shown;
    w.goTo(1, 3);
    w.type("250");
    w.key(Qt::Key_Return);
    w.key(Qt::Key_Up);
    QCOMPARE(shown.texts(), QStringList());
    QCOMPARE(w.db.scalar("SELECT ExpextedOrderValue FROM PeopleFollowUp WHERE ProductsInterestedIn = 'a2'").toInt(),
             250);
}

// Free text, a whole number, a date that only its button sets, a column only shown: by keys and by the
// accessibility interface.
void TestGrid::cellKindsDecideWhatCanBeTyped_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // the cell afterwards; null when nothing may be typed
    QTest::newRow("free text") << 2 << "Fleet plan"
                               << "Fleet plan";
    QTest::newRow("whole number keeps its characters") << 3 << "1a2-3"
                                                       << "123";
    QTest::newRow("negative whole number") << 3 << "-45"
                                           << "-45";
    QTest::newRow("date cell") << 0 << "12/1/2026" << QString();
    QTest::newRow("shown only") << 4 << "9" << QString();
}

void TestGrid::cellKindsDecideWhatCanBeTyped()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    GridWindow w;
    const QString before = w.model()->cellText(0, column);
    w.goTo(0, column);
    QTest::keyClicks(w.grid, typed.left(1));
    QWidget* editor = QApplication::focusWidget();
    if (editor && editor != w.grid) {
        QTest::keyClicks(editor, typed.mid(1));
        w.key(Qt::Key_Return);
    }
    QCOMPARE(w.model()->cellText(0, column), stored.isNull() ? before : stored);

    QAccessibleInterface* cell = accessibleCell(w.grid, 1, column);
    QVERIFY(cell);
    const QString other = w.model()->cellText(1, column);
    cell->setText(QAccessible::Value, column == 3 ? "77" : "by reader");
    const QString expected = stored.isNull() ? other : column == 3 ? "77" : "by reader";
    QCOMPARE(w.model()->cellText(1, column), expected);
}

void TestGrid::pickListOffersItsEntriesAndTakesOtherText()
{
    GridWindow w;
    w.goTo(0, 1);
    w.grid->edit(w.model()->index(0, 1));
    auto* box = w.grid->viewport()->findChild<QComboBox*>();
    QVERIFY(box);
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
    QCOMPARE(entries, domains::contactMethod());
    QCOMPARE(box->maxVisibleItems(), 6);
    QCOMPARE(box->lineEdit()->maxLength(), 10);
    box->setCurrentIndex(1);
    emit box->activated(1);
    QCOMPARE(w.followUps()->text("ContactMethod"), QString("Telephone"));
    QTest::keyClicks(box->lineEdit(), "x");
    QCOMPARE(w.followUps()->text("ContactMethod"), QString("Telephonex"));
    w.key(Qt::Key_Return);
    w.followUps()->post();
    QCOMPARE(w.db.scalar("SELECT ContactMethod FROM PeopleFollowUp WHERE ProductsInterestedIn = 'a1'").toString(),
             QString("Telephonex"));
}

// The button sits in the current row only; a click on it runs the command, a click elsewhere in the cell
// does not. On a contact without rows the blank row carries it.
void TestGrid::buttonCellRunsItsCommandOnTheCurrentRow()
{
    GridWindow w;
    w.goTo(1, 0);
    const QRect cell = w.grid->visualRect(w.model()->index(1, 0));
    const QRect button = ButtonCellDelegate::buttonRect(cell);
    QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 3, cell.center().y()));
    QCOMPARE(w.pressed, 0);
    QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, button.center());
    QCOMPARE(w.pressed, 1);
    QCOMPARE(w.followUps()->recNo(), 1);
    w.key(Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(w.pressed, 2);

    w.dm.PeopleCompanyDet->moveTo(1); // Baker: no follow-ups
    QCOMPARE(w.model()->rowCount(), 1);
    w.goTo(0, 0);
    const QRect blank = ButtonCellDelegate::buttonRect(w.grid->visualRect(w.model()->index(0, 0)));
    QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, blank.center());
    QCOMPARE(w.pressed, 3);
}

// What the screen shows, not a fresh rendering: the rows the current row left and reached are painted again,
// whether the user or the dataset moved it.
void TestGrid::buttonFollowsTheCurrentRowOnTheScreen()
{
    GridWindow w;
    auto onScreen = [&](int row) {
        QApplication::processEvents();
        const QRect button = ButtonCellDelegate::buttonRect(w.grid->visualRect(w.model()->index(row, 0)));
        const QPoint at = w.grid->viewport()->mapTo(&w.window, button.topLeft());
        const QPixmap shot = w.window.screen()->grabWindow(w.window.winId());
        return shot.copy(QRect(at, button.size())).toImage();
    };
    w.goTo(0); // a cell of another column: the button's own cell is not the one the view repaints anyway
    const QImage currentButton = onScreen(0), plainCell = onScreen(1);
    QVERIFY(currentButton != plainCell);
    w.goTo(1);
    QCOMPARE(onScreen(1), currentButton);
    QCOMPARE(onScreen(0), plainCell);
    w.followUps()->moveTo(0);
    QCOMPARE(onScreen(0), currentButton);
    QCOMPARE(onScreen(1), plainCell);
}

void TestGrid::navigatorButtonsInEachState_data()
{
    QTest::addColumn<int>("contact");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("enabled"); // First, Prior, Next, Last, Insert, Delete, Post, Cancel, Refresh
    QTest::newRow("first row") << 0 << "first"
                               << "001111001";
    QTest::newRow("middle row") << 0 << "middle"
                                << "111111001";
    QTest::newRow("last row") << 0 << "last"
                              << "110011001";
    QTest::newRow("editing") << 0 << "edit"
                             << "111111111";
    QTest::newRow("inserting") << 0 << "insert"
                               << "111111111";
    QTest::newRow("no rows") << 1 << ""
                             << "000010001";
    QTest::newRow("first row of one") << 2 << ""
                                      << "000011001";
}

void TestGrid::navigatorButtonsInEachState()
{
    QFETCH(int, contact);
    QFETCH(QString, setup);
    QFETCH(QString, enabled);
    GridWindow w;
    w.dm.PeopleCompanyDet->moveTo(contact);
    Dataset* fu = w.followUps();
    if (setup == "middle") fu->moveTo(1);
    if (setup == "last") fu->last();
    if (setup == "edit") {
        fu->moveTo(1);
        fu->edit();
    }
    if (setup == "insert") {
        fu->moveTo(1);
        fu->insert();
    }
    QString seen;
    QStringList hints;
    for (int b = 0; b < DBNavigator::ButtonCount; ++b) {
        QToolButton* button = w.navigator->button(DBNavigator::Button(b));
        seen += button->isEnabled() ? '1' : '0';
        hints << button->toolTip();
        QCOMPARE(button->accessibleName(), button->toolTip());
    }
    QCOMPARE(seen, enabled);
    QCOMPARE(hints, (QStringList{"First record", "Prior record", "Next record", "Last record", "Insert record",
                                 "Delete record", "Post edit", "Cancel edit", "Refresh data"}));
}

// The buttons act on the dataset, also when pressed through the accessibility interface.
void TestGrid::navigatorActs()
{
    ScriptedMessages shown;
    GridWindow w;
    Dataset* fu = w.followUps();
    auto press = [&](DBNavigator::Button b) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(w.navigator->button(b));
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    };
    press(DBNavigator::Last);
    QCOMPARE(fu->recNo(), 2);
    QCOMPARE(w.grid->currentIndex().row(), 2);
    press(DBNavigator::Insert);
    QCOMPARE(w.solutions(), QString("a1|a2||a3"));
    fu->setValue("ProductsInterestedIn", "between");
    press(DBNavigator::Post);
    QCOMPARE(w.stored(), QString("a1|a2|a3|between"));
    press(DBNavigator::Prior);
    QCOMPARE(fu->text("ProductsInterestedIn"), QString("a2"));
    fu->edit();
    fu->setValue("ProductsInterestedIn", "undone");
    press(DBNavigator::Cancel);
    QCOMPARE(fu->text("ProductsInterestedIn"), QString("a2"));
    shown.answers.push_back(MessageAnswer::Ok);
    press(DBNavigator::Delete);
    QCOMPARE(shown.texts(), QStringList{"Delete record?"});
    QCOMPARE(w.stored(), QString("a1|a3|between"));
    w.db.execute({"UPDATE PeopleFollowUp SET ProductsInterestedIn = 'renamed' WHERE ProductsInterestedIn = 'a1'"});
    press(DBNavigator::Refresh);
    QCOMPARE(w.solutions(), QString("renamed|a3|between"));
    press(DBNavigator::First);
    QCOMPARE(w.grid->currentIndex().row(), 0);
}

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
