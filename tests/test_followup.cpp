// The follow-up window driven through its grids, the date picker and its buttons, the save on closing, the
// follow-up report read back from its composed pages, and the main window's item and the Files window's command
// that open it.
#include "activities/FollowUp.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "data/Domains.h"
#include "platform/Clock.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/DatasetModel.h"
#include "platform/GridDelegates.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "reports/QVFReport.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

// Adams has two follow-ups (the later one first), Baker none, Clark one with a contact method of his own.
QStringList rows()
{
    return {personInsert("Adams", {"Title", "Mr."}), personInsert("Baker"), personInsert("Clark"),
            "INSERT INTO PeopleFollowUp (PersonID, FUDate, ContactMethod, ProductsInterestedIn, SaleStatus, "
            "RoleInSale, ExpextedOrderValue, ExpectedOrderDate, FUDescription) VALUES "
            "(1, '2026-11-20 00:00:00', 'Email', 'Tracking units', 'Evaluating alternatives', 'Decision maker', "
            "41000, '2027-02-01 00:00:00', 'Sent the offer.'), "
            "(1, '2026-10-02 00:00:00', 'Visit', NULL, NULL, 'User', NULL, NULL, NULL), "
            "(3, '2026-09-01 00:00:00', 'Pigeon', 'Old offer', NULL, NULL, NULL, NULL, NULL)"};
}

struct FollowUps {
    explicit FollowUps(const QStringList& statements = rows()) : db(statements), dm(db.open()), form(dm) {}
    ~FollowUps() { destroyPickDateForm(); }
    // Opens the window modally, runs act while it is up, and closes it with its close box.
    void whileOpen(const std::function<void()>& act)
    {
        auto modal = whenModal([&](QWidget* w) {
            QApplication::setActiveWindow(w);
            act();
            w->close();
        });
        form.ShowModal();
        if (!modal->ok()) qWarning("%s", modal->failure());
    }
    // Presses the date button of a column in the follow-ups' current row and answers the picker.
    void pickDate(const QString& field, const std::optional<QDate>& answer)
    {
        auto picker = whenModal([&](QWidget* w) {
            auto* pick = static_cast<TPickDateForm*>(w);
            if (answer) {
                pick->MonthCalendar1->setSelectedDate(*answer);
                pick->OKBtn->click();
            } else {
                pick->CancelBtn->click();
            }
        });
        DBGrid* grid = form.FollowUpGrid;
        const int column = grid->datasetModel()->columnOf(field);
        grid->setCurrentIndex(grid->datasetModel()->index(std::max(0, grid->currentIndex().row()), column));
        const QRect button = ButtonCellDelegate::buttonRect(grid->visualRect(grid->currentIndex()));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, button.center());
        if (!picker->ok()) qWarning("%s", picker->failure());
    }
    QList<QVariantList> stored(const QString& person) const
    {
        return db.rows("SELECT FUDate, ContactMethod, ProductsInterestedIn, SaleStatus, RoleInSale, "
                       "ExpextedOrderValue, ExpectedOrderDate, FUDescription FROM PeopleFollowUp WHERE PersonID = " +
                       person + " ORDER BY ID");
    }
    TestDatabase db;
    TMainDataModule& dm;
    TFollowUpForm form;
};

QStringList allLines(const RecordingPreviewer& previewer) { return previewer.lastText(); }

} // namespace

class TestFollowUp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useUnitedStatesLocale();
        useDaylightSavingZone();
    }
    void cleanup() { clock::setFixed({}); }

    void datePickedOnAnEmptyGridCreatesTheFirstFollowUp();
    void cancelledPickerChangesNothing_data();
    void cancelledPickerChangesNothing();
    void chosenContactStaysCurrentAfterClosing();
    void contactMethodOutsideTheListIsKept();
    void closingSavesThePendingFollowUpAndIgnoresARefusal_data();
    void closingSavesThePendingFollowUpAndIgnoresARefusal();
    void reportListsTheHistoryOldestFirst();
    void historyWrapsWithinTheWidthLosingNoWord();
    void reportWithoutFollowUpsShowsTheTitleBandOnly();
    void reportLinesFitThePage();
    void buttons();
    void columnsHoldTheirHeadersAndEntries();
    void menuItemAndFilesCommand();
};

void TestFollowUp::datePickedOnAnEmptyGridCreatesTheFirstFollowUp()
{
    ScriptedMessages shown;
    FollowUps f;
    f.dm.PeopleCompanyDet->moveTo(1); // Baker
    f.whileOpen([&] { f.pickDate("FUDate", QDate(2026, 12, 3)); });
    const auto baker = f.stored("2");
    QCOMPARE(baker.size(), 1);
    QCOMPARE(baker[0][0].toString(), QString("2026-12-03 00:00:00"));
    for (int c = 1; c < baker[0].size(); ++c) QVERIFY2(baker[0][c].isNull(), qPrintable(QString::number(c)));
    QVERIFY(shown.shown.empty());
}

void TestFollowUp::cancelledPickerChangesNothing_data()
{
    QTest::addColumn<int>("contact");
    QTest::addColumn<QString>("field");
    QTest::newRow("empty grid") << 1 << "FUDate";
    QTest::newRow("stored follow-up") << 0 << "ExpectedOrderDate";
}

void TestFollowUp::cancelledPickerChangesNothing()
{
    QFETCH(int, contact);
    QFETCH(QString, field);
    FollowUps f;
    f.dm.PeopleCompanyDet->moveTo(contact);
    const auto before = f.db.rows("SELECT * FROM PeopleFollowUp ORDER BY ID");
    DatasetState state = DatasetState::Inactive;
    f.whileOpen([&] {
        f.pickDate(field, std::nullopt);
        state = f.dm.FollowUp->state();
    });
    QCOMPARE(int(state), int(DatasetState::Browse));
    QCOMPARE(f.db.rows("SELECT * FROM PeopleFollowUp ORDER BY ID"), before);
}

// Choosing a row of the contacts grid makes that contact current everywhere, also after the window has closed.
void TestFollowUp::chosenContactStaysCurrentAfterClosing()
{
    FollowUps f;
    QString shownFollowUps;
    f.whileOpen([&] {
        DBGrid* contacts = f.form.ContactsGrid;
        QTest::mouseClick(contacts->viewport(), Qt::LeftButton, {},
                          contacts->visualRect(contacts->datasetModel()->index(2, 1)).center());
        const DatasetModel* model = f.form.FollowUpGrid->datasetModel();
        shownFollowUps = model->cellText(0, model->columnOf("ProductsInterestedIn"));
    });
    QCOMPARE(f.dm.PeopleCompanyDet->text("Name"), QString("Clark"));
    QCOMPARE(shownFollowUps, QString("Old offer"));
    QVERIFY(f.form.ContactsGrid->isReadOnly());
    QVERIFY(!(f.form.ContactsGrid->datasetModel()->flags(f.form.ContactsGrid->datasetModel()->index(0, 1)) &
              Qt::ItemIsEditable));
}

// A method typed by another program is shown as it is, survives opening its pick list, and is kept when another
// field of the follow-up is saved.
void TestFollowUp::contactMethodOutsideTheListIsKept()
{
    FollowUps f;
    f.dm.PeopleCompanyDet->moveTo(2); // Clark
    QString shownMethod, editorText;
    f.whileOpen([&] {
        DBGrid* grid = f.form.FollowUpGrid;
        const DatasetModel* model = grid->datasetModel();
        const QModelIndex method = model->index(0, model->columnOf("ContactMethod"));
        shownMethod = model->cellText(0, method.column());
        grid->setCurrentIndex(method);
        grid->edit(method);
        auto* box = grid->viewport()->findChild<QComboBox*>();
        if (!box) return;
        editorText = box->currentText();
        QTest::keyClick(box, Qt::Key_Escape);
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        table->tableInterface()
            ->cellAt(0, model->columnOf("FUDescription"))
            ->setText(QAccessible::Value, "Asked again");
    });
    QCOMPARE(shownMethod, QString("Pigeon"));
    QCOMPARE(editorText, QString("Pigeon"));
    const auto clark = f.stored("3");
    QCOMPARE(clark[0][1].toString(), QString("Pigeon"));
    QCOMPARE(clark[0][7].toString(), QString("Asked again"));
}

void TestFollowUp::closingSavesThePendingFollowUpAndIgnoresARefusal_data()
{
    QTest::addColumn<QString>("typed"); // into "Expected order value" of Adams's first follow-up
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("stillEditing");
    QTest::newRow("a whole number is saved") << "1500" << QVariant(1500) << false;
    QTest::newRow("a number too large stays in the edit") << "9999999999" << QVariant(41000) << true;
}

void TestFollowUp::closingSavesThePendingFollowUpAndIgnoresARefusal()
{
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(bool, stillEditing);
    ScriptedMessages shown;
    FollowUps f;
    f.whileOpen([&] {
        DBGrid* grid = f.form.FollowUpGrid;
        const QModelIndex value = grid->cell(0, "ExpextedOrderValue");
        grid->setCurrentIndex(value);
        QTest::keyClicks(grid, typed.left(1));
        QTest::keyClicks(QApplication::focusWidget(), typed.mid(1));
    });
    QVERIFY(shown.shown.empty());
    QCOMPARE(f.stored("1")[0][5].toLongLong(), stored.toLongLong());
    QCOMPARE(f.dm.FollowUp->isEditing(), stillEditing);
}

void TestFollowUp::reportListsTheHistoryOldestFirst()
{
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(14, 5, 9)));
    RecordingPreviewer previewer;
    FollowUps f;
    f.form.ReportBtnClick();
    QCOMPARE(previewer.reports.size(), size_t(1));
    const report::ComposedReport& composed = previewer.reports.back();
    QCOMPARE(composed.pageCount(), 1);
    QCOMPARE(allLines(previewer),
             (QStringList{"Follow-up Report", "12/10/2026, 2:05:09 PM", "Title", "Mr.", "Name", "Adams",
                          "Follow-up Activities", "10/2/2026 \u2013 Visit", "      Role: User", "",
                          "11/20/2026 \u2013 Email", "      Offered solution: Tracking units",
                          "      Status: Evaluating alternatives", "      Role: Decision maker",
                          "      Expected order value: 41,000", "      Expected order date: 2/1/2027",
                          "      Description: Sent the offer."}));
    QCOMPARE(composed.title(), QString("Report"));

    // The frame around title and name is painted, also from a saved copy of the report.
    QRectF frame;
    for (const report::BandItem& item : composed.data().band)
        if (item.kind == report::BandItem::Frame) frame = item.rectMm;
    QVERIFY(frame.width() > 190);
    QTemporaryDir dir;
    composed.save(dir.filePath("followups.qvr"));
    for (const report::ComposedReport& r : {composed, report::ComposedReport::load(dir.filePath("followups.qvr"))}) {
        const double scale = 4; // pixels per millimetre
        QImage page(int(210 * scale), int(297 * scale), QImage::Format_RGB32);
        QPainter painter(&page);
        r.renderPage(painter, 0, scale);
        painter.end();
        // Whether something is drawn within half a millimetre of a point.
        auto inked = [&](double xMm, double yMm) {
            for (int dx = -2; dx <= 2; ++dx)
                for (int dy = -2; dy <= 2; ++dy)
                    if (qGray(page.pixel(int(xMm * scale) + dx, int(yMm * scale) + dy)) < 160) return true;
            return false;
        };
        const double middle = frame.center().y();
        QVERIFY(inked(frame.left(), middle));
        QVERIFY(inked(frame.right(), middle));
        QVERIFY(inked(frame.center().x() + 60, frame.top()));
        QVERIFY(inked(frame.center().x() + 60, frame.bottom()));
        QVERIFY(!inked(frame.center().x() + 60, middle)); // inside, right of the name: empty
    }
}

// Long texts break between words within the width, the continuation lines indented under their caption; a word
// longer than a line is cut; runs of blanks are squeezed; nothing else is lost.
void TestFollowUp::historyWrapsWithinTheWidthLosingNoWord()
{
    const QString longWord = QString("Quarterly").repeated(8);
    const QString description = "Sent   the offer " + longWord + " and called back twice about the delivery dates";
    FollowUps f({personInsert("Adams"),
                 "INSERT INTO PeopleFollowUp (PersonID, FUDate, ContactMethod, RoleInSale, FUDescription) VALUES "
                 "(1, '2026-11-20 00:00:00', 'Email', 'Decision maker in the purchasing department', '" +
                     description + "')"});
    const QFont font = report::reportFont(10);
    const double width = 60;
    const QStringList lines = followUpHistory(*f.dm.FollowUp, font, width);
    QString role, told;
    for (const QString& line : lines) {
        QVERIFY2(report::textWidthMm(line, font) <= width, qPrintable(line));
        if (line.startsWith("      Role: "))
            role = line.mid(12);
        else if (line.startsWith("      Description: "))
            told = line.mid(19);
        else if (line.startsWith(QString(12, ' ')) && !told.isEmpty())
            told += ' ' + line.mid(12);
        else if (line.startsWith(QString(12, ' ')) && !role.isEmpty())
            role += ' ' + line.mid(12);
    }
    QVERIFY(lines.size() >= 6);
    QCOMPARE(role, QString("Decision maker in the purchasing department"));
    QVERIFY2(told.startsWith("Sent the offer") && !told.contains("  "), qPrintable(told));
    // The long word's pieces rejoin with a blank where it was cut.
    QCOMPARE(told.remove(' '), description.simplified().remove(' '));
}

void TestFollowUp::reportWithoutFollowUpsShowsTheTitleBandOnly()
{
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    RecordingPreviewer previewer;
    FollowUps f;
    f.dm.PeopleCompanyDet->moveTo(1);
    f.form.ReportBtnClick();
    QCOMPARE(allLines(previewer), (QStringList{"Follow-up Report", "12/10/2026, 9:00:00 AM", "Title", "", "Name",
                                               "Baker", "Follow-up Activities"}));
}

// A long description is broken between words, and a word longer than a line is cut into pieces: every line
// fits the memo, and nothing of the text is lost.
void TestFollowUp::reportLinesFitThePage()
{
    const QString words = QString("word ").repeated(50).trimmed();
    const QString unbroken = QString(120, 'x');
    FollowUps f({personInsert("Long"), QStringLiteral("INSERT INTO PeopleFollowUp (PersonID, FUDescription, "
                                                      "ProductsInterestedIn) VALUES (1, '%1', '%2')")
                                           .arg(words, unbroken)});
    RecordingPreviewer previewer;
    f.form.ReportBtnClick();
    const report::MemoSnapshot& memo = previewer.reports.back().data().memo;
    QVERIFY(memo.lines.size() > 4);
    QString joined;
    for (const QString& line : memo.lines) {
        QVERIFY2(report::textWidthMm(line, memo.font) <= memo.widthMm, qPrintable(line));
        joined += line.trimmed();
    }
    QVERIFY(joined.contains(unbroken));
    QCOMPARE(QString(joined).remove(' ').count("word"), 50);
}

void TestFollowUp::buttons()
{
    FollowUps f;
    QCOMPARE(f.form.DatabaseUsageBtn->toolTip(), QString("Database Usage"));
    QCOMPARE(f.form.ReportBtn->text(), QString("Report..."));
    QCOMPARE(f.form.HeadingLabel->text(), QString("Follow-up activities, history, and milestones"));
    int usage = 0;
    f.form.onDatabaseUsage = [&] { ++usage; };
    RecordingPreviewer previewer;
    f.whileOpen([&] {
        QTest::mouseClick(f.form.DatabaseUsageBtn, Qt::LeftButton);
        QTest::mouseClick(f.form.ReportBtn, Qt::LeftButton);
    });
    QCOMPARE(usage, 1);
    QCOMPARE(previewer.reports.size(), size_t(1));
    QStringList headers;
    for (int c = 0; c < f.form.FollowUpGrid->datasetModel()->columnCount(); ++c)
        headers << f.form.FollowUpGrid->datasetModel()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"Follow-up date", "Contact method", "Offered solution", "Status", "Role",
                                   "Expected order value", "Expected order date", "Description"}));
}

// No header is cut, and no entry of the list a column's values come from.
void TestFollowUp::columnsHoldTheirHeadersAndEntries()
{
    FollowUps f;
    const QHash<QString, QStringList> entries{{"Title", domains::title()},
                                              {"Gender", domains::gender()},
                                              {"PersonType", domains::personType()},
                                              {"CustoemrImportance", domains::importance()},
                                              {"EducationLevel", domains::educationLevel()},
                                              {"Income", domains::income()},
                                              {"ContactMethod", domains::contactMethod()},
                                              {"SaleStatus", domains::saleStatus()},
                                              {"RoleInSale", domains::roleInSale()}};
    for (DBGrid* grid : {f.form.ContactsGrid, f.form.FollowUpGrid}) {
        QHeaderView* header = grid->horizontalHeader();
        for (int c = 0; c < grid->datasetModel()->columnCount(); ++c) {
            const GridColumn& column = grid->datasetModel()->column(c);
            QStyleOptionHeader option;
            option.initFrom(header);
            option.section = c;
            option.text = column.caption;
            // A header makes room for its text in bold, as it shows it while its column is current.
            QFont bold = header->font();
            bold.setBold(true);
            option.fontMetrics = QFontMetrics(bold);
            const int headerNeeds =
                header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header).width();
            QVERIFY2(headerNeeds <= column.width,
                     qPrintable(QString("%1 needs %2").arg(column.caption).arg(headerNeeds)));
            const int cellMargins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
            for (const QString& entry : entries.value(column.field))
                QVERIFY2(grid->fontMetrics().horizontalAdvance(entry) + cellMargins <= column.width,
                         qPrintable(QString("%1 cuts \"%2\"").arg(column.caption, entry)));
        }
    }
}

void TestFollowUp::menuItemAndFilesCommand()
{
    FixedScreen screen(96, 768);
    ScriptedMessages shown;
    {
        TestDatabase empty;
        Program program(empty.folder() + "quorvane");
        QVERIFY(program.start());
        QVERIFY(program.mainWindow()->FollowUpItem->isVisible());
        program.mainWindow()->FollowUpItem->trigger();
        QCOMPARE(shown.texts(), QStringList{"The database is empty."});
        QVERIFY(!program.followUp()->isVisible());
    }
    shown.shown.clear();
    TestDatabase db(rows());
    Program program(db.folder() + "quorvane");
    QVERIFY(program.start());
    QStringList opened;
    auto script = whenModal([&](QWidget* w) {
        opened << w->objectName() + ' ' + w->windowTitle();
        w->close();
    });
    program.mainWindow()->FollowUpItem->trigger();
    QVERIFY2(script->ok(), script->failure());
    script = whenModal([&](QWidget* w) {
        opened << w->objectName();
        w->close();
    });
    program.dataEntryForm()->followUpCommand();
    QVERIFY2(script->ok(), script->failure());
    QCOMPARE(opened, (QStringList{"TFollowUpForm Follow-up Activities", "TFollowUpForm"}));
    QVERIFY(shown.shown.empty());
}

QTEST_MAIN(TestFollowUp)
#include "test_followup.moc"
