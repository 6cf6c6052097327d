// The filters: which contacts a set of criteria finds, the summary line, the result grid and text, the e-mail
// commands and the window's state between showings.
#include "analysis/FilterResultsModel.h"
#include "analysis/FiltersForm.h"
#include "data/DataModule.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

int criterionOf(const QString& field)
{
    const auto& list = filterCriteria();
    for (size_t i = 0; i < list.size(); ++i)
        if (field == QLatin1String(list[i].field)) return int(i);
    return -1;
}

// Ticks a criterion and enters its value the way the user does: a pick in a list or typing into a box.
void choose(TFilters& w, const QString& field, const QString& value)
{
    const auto& c = w.criteria()[size_t(criterionOf(field))];
    QTest::mouseClick(c.check, Qt::LeftButton, {}, QPoint(5, c.check->height() / 2));
    if (auto* list = qobject_cast<QComboBox*>(c.value))
        list->setCurrentIndex(list->findText(value));
    else if (std::all_of(value.begin(), value.end(), [](QChar ch) { return ch.unicode() < 128; }))
        QTest::keyClicks(c.value, value);
    else
        static_cast<QLineEdit*>(c.value)->insert(value); // key clicks carry ASCII only; insert types the rest
}

QStringList listedNames(const TFilters& w)
{
    QStringList out;
    for (int r = 0; r < w.resultsModel()->resultCount(); ++r) out << w.resultsModel()->cellText(r, 1);
    return out;
}

QStringList fixture()
{
    return {
        personInsert("Golf Upper", {"Hobbies", "GOLF", "Gender", "Male", "PersonType", "Customer", "TelCallback",
                                    "gu@example.com", "Mobile", "555-1"}),
        personInsert("Golf Lower", {"Hobbies", "golf", "Gender", "Female", "PersonType", "Customer"}),
        personInsert("Golf List", {"Hobbies", "golf, tennis", "Gender", "Male", "PersonType", "Prospect", "TelCallback",
                                   "gl@example.com"}),
        personInsert("Golf Blank", {"Hobbies", "Golf ", "Gender", "Male", "TelCallback", ""}),
        personInsert("No Hobby", {"Hobbies", QString(), "Gender", "Male", "PersonType", "Customer", "TelCallback",
                                  "nh@example.com"}),
        personInsert("Elan Accent", {"Hobbies", "\u00c9lan", "Gender", "male"}),
        "INSERT INTO Companies (Name) VALUES ('Other Company')",
        "INSERT INTO People (CompanyID, Name, Hobbies, Gender) VALUES ((SELECT max(CompanyID) FROM Companies), "
        "'Elsewhere', 'golf', 'Male')",
    };
}

} // namespace

class TestFilters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }

    void criteria_data();
    void criteria();
    void summaryListsFragmentsInTableOrder();
    void tickedBoxWithoutValueIsClearedAndIgnored();
    void noCriterionListsEveryContactOfTheCompanyOnly();
    void toggleShowsAndEmptiesValue();
    void resultGridAndText();
    void runWithoutResultsLeavesOneEmptyRowAndCommandsOff();
    void bulkEmailKeepsEmptyEntriesAndRowOrder();
    void bulkEmailNeedsOwnAddress();
    void releaseOverEmailColumnOpensMessage();
    void pointerAndHintOverEmailColumn();
    void showingResetsAllButOwnAddress();
    void reportGetsResultText();
    void modelIsSound();
};

void TestFilters::criteria_data()
{
    QTest::addColumn<QStringList>("choices"); // field, value, field, value ...
    QTest::addColumn<QStringList>("found");
    QTest::newRow("case of A to Z ignored")
        << QStringList{"Hobbies", "golf"} << QStringList{"Golf Upper", "Golf Lower"};
    QTest::newRow("whole text, no substring") << QStringList{"Hobbies", "golf, TENNIS"} << QStringList{"Golf List"};
    QTest::newRow("trailing blank must match") << QStringList{"Hobbies", "golf "} << QStringList{"Golf Blank"};
    QTest::newRow("accented letter must be identical") << QStringList{"Hobbies", "\u00e9lan"} << QStringList{};
    QTest::newRow("other letters of an accented text fold")
        << QStringList{"Hobbies", "\u00c9LAN"} << QStringList{"Elan Accent"};
    QTest::newRow("list value, case of stored text ignored")
        << QStringList{"Gender", "Male"}
        << QStringList{"Golf Upper", "Golf List", "Golf Blank", "No Hobby", "Elan Accent"};
    QTest::newRow("several criteria at once")
        << QStringList{"Gender", "Male", "PersonType", "Customer"} << QStringList{"Golf Upper", "No Hobby"};
    QTest::newRow("null never matches") << QStringList{"Gender", "Male", "Ethnic", "x"} << QStringList{};
}

void TestFilters::criteria()
{
    QFETCH(QStringList, choices);
    QFETCH(QStringList, found);
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    for (int i = 0; i + 1 < choices.size(); i += 2) choose(w, choices[i], choices[i + 1]);
    QTest::mouseClick(w.FilterButton, Qt::LeftButton);
    QCOMPARE(listedNames(w), found);
    QCOMPARE(w.ReportButton->isEnabled(), !found.isEmpty());
    QCOMPARE(w.BulkEmailButton->isEnabled(), !found.isEmpty());
}

void TestFilters::summaryListsFragmentsInTableOrder()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    choose(w, "BACity", "Paris");
    choose(w, "PersonType", "Customer");
    choose(w, "Gender", "Male");
    QTest::mouseClick(w.FilterButton, Qt::LeftButton);
    QCOMPARE(w.resultText().value(1),
             QString("Filters used: [Gender: Male] [Type: Customer] [Business address: City:  Paris]"));
}

void TestFilters::tickedBoxWithoutValueIsClearedAndIgnored()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    const auto& hobbies = w.criteria()[size_t(criterionOf("Hobbies"))];
    const auto& gender = w.criteria()[size_t(criterionOf("Gender"))];
    hobbies.check->setChecked(true);
    gender.check->setChecked(true);
    choose(w, "HAPostalCode", "ab 1c");
    QCOMPARE(w.valueText(criterionOf("HAPostalCode")), QString("AB 1C"));
    w.FilterButtonClick();
    QVERIFY(!hobbies.check->isChecked());
    QVERIFY(hobbies.value->isHidden());
    QVERIFY(!gender.check->isChecked());
    QCOMPARE(w.resultText().value(1), QString("Filters used: [Home address: Postal/ZIP code: AB 1C]"));
}

void TestFilters::noCriterionListsEveryContactOfTheCompanyOnly()
{
    TestDatabase db(fixture());
    TMainDataModule& dm = db.open();
    dm.PeopleCompanyDet->last();
    TFilters w(dm);
    w.show();
    QTest::keyClick(w.FilterButton, Qt::Key_Return); // the default button
    QCOMPARE(listedNames(w),
             (QStringList{"Golf Upper", "Golf Lower", "Golf List", "Golf Blank", "No Hobby", "Elan Accent"}));
    QCOMPARE(w.resultText().mid(0, 3),
             (QStringList{"", "You did not choose any filters. All records are displayed.", ""}));
    QCOMPARE(dm.PeopleCompanyDet->text("Name"), QString("Golf Upper")); // back on the first contact
}

void TestFilters::toggleShowsAndEmptiesValue()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    for (const char* field : {"Income", "Profession"}) {
        const auto& c = w.criteria()[size_t(criterionOf(field))];
        QVERIFY(c.value->isHidden() && !c.value->isEnabled());
        choose(w, field, field == QLatin1String("Income") ? "< 15,000" : "Baker");
        QVERIFY(!c.value->isHidden() && c.value->isEnabled());
        QVERIFY(!w.valueText(criterionOf(field)).isEmpty());
        QTest::mouseClick(c.check, Qt::LeftButton, {}, QPoint(5, c.check->height() / 2));
        QVERIFY(c.value->isHidden() && !c.value->isEnabled());
        QCOMPARE(w.valueText(criterionOf(field)), QString());
    }
    auto* income = qobject_cast<QComboBox*>(w.criteria()[size_t(criterionOf("Income"))].value);
    QVERIFY(income && !income->isEditable());
    QCOMPARE(income->count(), 14);
}

void TestFilters::resultGridAndText()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    choose(w, "Hobbies", "golf");
    w.FilterButtonClick();
    const auto* m = w.resultsModel();
    QCOMPARE(m->rowCount(), 2);
    QStringList headers;
    for (int c = 0; c < m->columnCount(); ++c) headers << m->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"No.", "Name", "Type", "Mobile", "Email"}));
    QCOMPARE(m->cellText(0, 0), QString("1"));
    QCOMPARE(m->cellText(0, 4), QString("gu@example.com"));
    QCOMPARE(m->cellText(1, 0), QString("2"));
    QCOMPARE(m->cellText(1, 3), QString());
    const QList<int> widths{25, 125, 55, 80, 150};
    for (int c = 0; c < 5; ++c) QCOMPARE(w.ResultsGrid->columnWidth(c), widths[c]);
    QCOMPARE(w.resultText(),
             (QStringList{"", "Filters used: [Hobbies: golf]", "", "Filtering result number 1", "Name: Golf Upper",
                          "Type: Customer", "Mobile: 555-1", "Email: gu@example.com", "", "Filtering result number 2",
                          "Name: Golf Lower", "Type: Customer", ""}));
}

void TestFilters::runWithoutResultsLeavesOneEmptyRowAndCommandsOff()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    w.FilterButtonClick();
    QVERIFY(w.ReportButton->isEnabled());
    choose(w, "Hobbies", "chess");
    w.FilterButtonClick();
    QCOMPARE(w.resultsModel()->rowCount(), 1);
    QCOMPARE(w.resultsModel()->resultCount(), 0);
    QCOMPARE(w.resultsModel()->cellText(0, 1), QString());
    QVERIFY(!w.ReportButton->isEnabled());
    QVERIFY(!w.BulkEmailButton->isEnabled());
    QCOMPARE(w.resultText(), (QStringList{"", "Filters used: [Hobbies: chess]", ""}));
}

void TestFilters::bulkEmailKeepsEmptyEntriesAndRowOrder()
{
    TestDatabase db({personInsert("A", {"TelCallback", "a@x.org"}), personInsert("B"),
                     personInsert("C", {"TelCallback", "c@x.org&cc=eve@x.org"})});
    TFilters w(db.open());
    w.show();
    w.FilterButtonClick();
    ScriptedShell shell;
    QTest::keyClicks(w.YourEmailEdit, "me@x.org");
    QTest::mouseClick(w.BulkEmailButton, Qt::LeftButton);
    // The user drags the last row to the top: the list follows the grid's order.
    w.ResultsGrid->verticalHeader()->moveSection(2, 0);
    w.BulkEmailButtonClick();
    QCOMPARE(shell.targets, (QStringList{"mailto:me@x.org?bcc=a@x.org;;c@x.org%26cc%3Deve@x.org;",
                                         "mailto:me@x.org?bcc=c@x.org%26cc%3Deve@x.org;a@x.org;;"}));
    QCOMPARE(shell.modes.front(), ShowMode::Maximized);
}

void TestFilters::bulkEmailNeedsOwnAddress()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    w.FilterButtonClick();
    ScriptedShell shell;
    ScriptedMessages messages;
    w.YourEmailEdit->clear();
    QTest::mouseClick(w.BulkEmailButton, Qt::LeftButton);
    QCOMPARE(messages.texts(), QStringList{"You must enter your email address."});
    QCOMPARE(messages.shown.front().kind, MessageKind::Error);
    QVERIFY(shell.targets.isEmpty());
}

void TestFilters::releaseOverEmailColumnOpensMessage()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    choose(w, "Hobbies", "golf");
    w.FilterButtonClick();
    ScriptedShell shell;
    QTableView* grid = w.ResultsGrid;
    const auto cellCentre = [&](int row, int column) {
        return grid->visualRect(w.resultsModel()->index(row, column)).center();
    };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(0, 4));
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, cellCentre(1, 4)); // empty cell, any button
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(0, 1));  // not the Email column
    QHeaderView* header = grid->horizontalHeader();
    const QPoint headerCentre(header->sectionViewportPosition(4) + header->sectionSize(4) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, headerCentre);
    QCOMPARE(shell.targets, (QStringList{"mailto:gu@example.com", "mailto:", "mailto:Email"}));
}

void TestFilters::pointerAndHintOverEmailColumn()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    w.FilterButtonClick();
    QTableView* grid = w.ResultsGrid;
    const auto moveTo = [&](int column) {
        QMouseEvent move(QEvent::MouseMove, grid->visualRect(w.resultsModel()->index(0, column)).center(),
                         grid->viewport()->mapToGlobal(QPoint()), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &move);
        return grid->viewport()->cursor().shape();
    };
    QCOMPARE(moveTo(4), Qt::PointingHandCursor);
    QCOMPARE(moveTo(2), Qt::ArrowCursor);
    QCOMPARE(w.resultsModel()->index(0, 4).data(Qt::ToolTipRole).toString(), QString("Send email"));
    QVERIFY(w.resultsModel()->index(0, 3).data(Qt::ToolTipRole).isNull());
    QCOMPARE(w.resultsModel()->headerData(4, Qt::Horizontal, Qt::ToolTipRole).toString(), QString("Send email"));
}

void TestFilters::showingResetsAllButOwnAddress()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    w.show();
    choose(w, "Hobbies", "golf");
    w.FilterButtonClick();
    QTest::keyClicks(w.YourEmailEdit, "me@x.org");
    w.hide();

    bool reset = false;
    auto modal = whenModal([&](QWidget* w) {
        auto* shown = qobject_cast<TFilters*>(w);
        if (!shown) return;
        const auto& c = shown->criteria()[size_t(criterionOf("Hobbies"))];
        reset = !c.check->isChecked() && c.value->isHidden() && shown->valueText(criterionOf("Hobbies")).isEmpty() &&
                shown->resultsModel()->resultCount() == 0 && shown->resultText().isEmpty() &&
                !shown->ReportButton->isEnabled() && !shown->BulkEmailButton->isEnabled();
        shown->reject();
    });
    w.ShowModal();
    QVERIFY2(modal->ok(), modal->failure());
    QVERIFY(reset);
    QCOMPARE(w.YourEmailEdit->text(), QString("me@x.org"));
}

void TestFilters::reportGetsResultText()
{
    QStringList contacts;
    for (int i = 0; i < 300; ++i) contacts << personInsert(QStringLiteral("Contact %1").arg(i), {"Mobile", "555"});
    TestDatabase db(contacts);
    TFilters w(db.open());
    RecordingPreviewer previewer;
    w.show();
    w.FilterButtonClick();
    QTest::mouseClick(w.ReportButton, Qt::LeftButton);
    QCOMPARE(previewer.reports.size(), size_t(1));
    const auto& report = previewer.reports.front();
    QCOMPARE(report.data().memo.lines, w.resultText());
    QVERIFY(report.pageCount() > 5); // 1,803 lines flow over several pages
    QVERIFY(report.pageText(0).contains("Filtering Report"));
    QVERIFY(previewer.lastText().contains("Name: Contact 299"));
}

void TestFilters::modelIsSound()
{
    TestDatabase db(fixture());
    TFilters w(db.open());
    QAbstractItemModelTester tester(w.resultsModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    w.show();
    w.FilterButtonClick();
    choose(w, "Hobbies", "chess");
    w.FilterButtonClick();
}

QTEST_MAIN(TestFilters)
#include "test_filters.moc"
