// The windows as a screen reader announces them through Qt's accessibility bridge: every control that can take
// the focus has a name that says what it is, a value never stands in for the name, a group is announced by its own
// title, and the windows have the roles a screen reader expects.
#include "analysis/FiltersForm.h"
#include "analysis/RetailForm.h"
#include "app/About.h"
#include "app/HelpFormUnit.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "app/SelectCompany.h"
#include "app/TaxUnit.h"
#include "platform/PreviewWindow.h"
#include "platform/ProgramEnd.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "reports/TextReport.h"
#include "tests/support/TestSupport.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCalendarWidget>
#include <QToolButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

QAccessibleInterface* accessible(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }

// The names of what labels the control, as the bridge reports its "labelled by" relation.
QStringList labels(QAccessibleInterface* a)
{
    QStringList out;
    for (const auto& [target, relation] : a->relations(QAccessible::Label))
        if (target) out << target->text(QAccessible::Name);
    return out;
}

// What a screen reader says for a control: its labels, then its name where the labels do not already say it.
QString announced(QWidget* w)
{
    QAccessibleInterface* a = accessible(w);
    const QString name = a->text(QAccessible::Name).trimmed();
    QString said = labels(a).join(' ').trimmed();
    if (!said.contains(name)) said = (said + ' ' + name).trimmed();
    return said;
}

// A group is announced by its label when it has one, otherwise by its name.
QString announcedGroup(QWidget* w)
{
    const QStringList l = labels(accessible(w));
    return l.isEmpty() ? accessible(w)->text(QAccessible::Name) : l.join(' ');
}

// The pieces inside a control (a list's edit box, a spin box's editor) belong to it and are not asked.
bool isInnerPart(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p)) return true;
    return false;
}

struct Windows {
    Windows() : db({personInsert("Adams", {"Gender", "Male", "Household", "Single", "Title", "Mr."})})
    {
        program = std::make_unique<Program>(db.folder() + "quorvane");
        if (!program->start()) qFatal("the program did not start");
        preview.setReport(TextReport("TFReport", "Filtering Report", false).compose());
        // Every criterion of the filters ticked and given a value, as a user searching would leave them.
        for (QCheckBox* check : program->filters()->findChildren<QCheckBox*>()) check->setChecked(true);
        for (QComboBox* list : program->filters()->findChildren<QComboBox*>()) list->setCurrentIndex(1);
    }
    QWidget* window(const QString& caption)
    {
        for (QWidget* w :
             {static_cast<QWidget*>(program->mainWindow()), static_cast<QWidget*>(program->dataEntryForm()),
              static_cast<QWidget*>(program->filters()), static_cast<QWidget*>(program->retail()),
              static_cast<QWidget*>(&pickDateForm()), static_cast<QWidget*>(&preview),
              static_cast<QWidget*>(program->taxForm()), static_cast<QWidget*>(program->helpForm()),
              static_cast<QWidget*>(program->databaseUsageForm()), static_cast<QWidget*>(program->aboutForm())})
            if (w->windowTitle() == caption) return w;
        qFatal("no window %s", qPrintable(caption));
    }
    FixedScreen screen{96, 768};
    ScriptedMessages messages;
    TestDatabase db;
    std::unique_ptr<Program> program;
    PreviewWindow preview;
};

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useUnitedStatesLocale();
        m_windows = std::make_unique<Windows>();
    }
    void cleanupTestCase() { m_windows.reset(); }

    void everyFocusableControlSaysWhatItIs_data();
    void everyFocusableControlSaysWhatItIs();
    void controlsAreAnnouncedByTheirOwnNames_data();
    void controlsAreAnnouncedByTheirOwnNames();
    void datePickerPageIsAnnouncedAsShown();
    void windowsHaveTheirRoles_data();
    void windowsHaveTheirRoles();

private:
    std::unique_ptr<Windows> m_windows;
};

void TestAccessibility::everyFocusableControlSaysWhatItIs_data()
{
    QTest::addColumn<QString>("window");
    for (const char* w : {"Files", "Filters", "Personality Identification", "Pick Date", "Print Preview",
                          "Tax Information", "Quorvane PRO 2005 Help", "Database Usage", "About Quorvane PRO 2005"})
        QTest::newRow(w) << QString::fromLatin1(w);
}

// Each control that takes the focus, on every page: a name is announced; a name given to the control is part of
// what is announced; its value alone never is the announcement. Each titled group is announced by its own title.
void TestAccessibility::everyFocusableControlSaysWhatItIs()
{
    QFETCH(QString, window);
    QWidget* top = m_windows->window(window);
    QStringList faults;
    int checked = 0;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || isInnerPart(w)) continue;
        ++checked;
        const QString what = QStringLiteral("%1 (%2)").arg(w->objectName(), w->metaObject()->className());
        const QString said = announced(w);
        const QString value = accessible(w)->text(QAccessible::Value).trimmed();
        if (said.isEmpty())
            faults << what + ": no name";
        else if (!w->accessibleName().isEmpty() && !said.contains(w->accessibleName()))
            faults << what + ": announced \"" + said + "\" instead of \"" + w->accessibleName() + "\"";
        else if (w->accessibleName().isEmpty() && !value.isEmpty() && said == value)
            faults << what + ": announced only by its value \"" + value + "\"";
    }
    for (QGroupBox* g : top->findChildren<QGroupBox*>())
        if (!g->title().isEmpty() && announcedGroup(g) != g->title())
            faults << QStringLiteral("group \"%1\" announced as \"%2\"").arg(g->title(), announcedGroup(g));
    QVERIFY(checked > 0);
    for (const QString& f : faults) qWarning().noquote() << f;
    QVERIFY2(faults.isEmpty(), "see the warnings above");
}

// The controls a screen reader user met without a proper name.
void TestAccessibility::controlsAreAnnouncedByTheirOwnNames_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("anniversary reminder group") << "Files"
                                                << "Areminder"
                                                << "Anniversary reminder";
    QTest::newRow("birthday reminder group") << "Files"
                                             << "Breminder"
                                             << "Birthday reminder";
    QTest::newRow("filter list with a value") << "Filters"
                                              << "GenderValue"
                                              << "Gender";
    QTest::newRow("filter list of a long criterion") << "Filters"
                                                     << "ProspectingMethodValue"
                                                     << "Prospecting method";
    QTest::newRow("filter text box") << "Filters"
                                     << "BACityValue"
                                     << "Business address: City";
    QTest::newRow("previous month") << "Pick Date"
                                    << "qt_calendar_prevmonth"
                                    << "Previous month";
    QTest::newRow("next month") << "Pick Date"
                                << "qt_calendar_nextmonth"
                                << "Next month";
    QTest::newRow("year") << "Pick Date"
                          << "qt_calendar_yearedit"
                          << "Year";
    QTest::newRow("preview page") << "Print Preview"
                                  << "PreviewArea"
                                  << "Page";
}

void TestAccessibility::controlsAreAnnouncedByTheirOwnNames()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QWidget* w = m_windows->window(window)->findChild<QWidget*>(control);
    QVERIFY(w);
    const QString said = qobject_cast<QGroupBox*>(w) ? announcedGroup(w) : announced(w);
    QVERIFY2(said.contains(name), qPrintable(said));
}

// The month and year buttons say what the screen shows, also after the page turns.
void TestAccessibility::datePickerPageIsAnnouncedAsShown()
{
    QWidget* picker = m_windows->window("Pick Date");
    auto* calendar = picker->findChild<QCalendarWidget*>("MonthCalendar1");
    calendar->setSelectedDate(QDate(2026, 12, 10));
    auto* month = calendar->findChild<QToolButton*>("qt_calendar_monthbutton");
    auto* year = calendar->findChild<QToolButton*>("qt_calendar_yearbutton");
    QVERIFY(month && year);
    QCOMPARE(announced(month) + ' ' + announced(year), QString("December 2026"));
    QTest::mouseClick(calendar->findChild<QToolButton*>("qt_calendar_nextmonth"), Qt::LeftButton);
    QCOMPARE(announced(month) + ' ' + announced(year), QString("January 2027"));
    QCOMPARE(accessible(month)->text(QAccessible::Description), QString("Month"));
}

void TestAccessibility::windowsHaveTheirRoles_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("role");
    QTest::newRow("main window") << "Quorvane PRO 2005" << int(QAccessible::Window);
    QTest::newRow("Files") << "Files" << int(QAccessible::Dialog);
    QTest::newRow("Filters") << "Filters" << int(QAccessible::Dialog);
    QTest::newRow("Pick Date") << "Pick Date" << int(QAccessible::Dialog);
    QTest::newRow("Print Preview") << "Print Preview" << int(QAccessible::Window);
    QTest::newRow("Tax Information") << "Tax Information" << int(QAccessible::Dialog);
    QTest::newRow("help") << "Quorvane PRO 2005 Help" << int(QAccessible::Window);
    QTest::newRow("Database Usage") << "Database Usage" << int(QAccessible::Window);
    QTest::newRow("About") << "About Quorvane PRO 2005" << int(QAccessible::Dialog);
}

void TestAccessibility::windowsHaveTheirRoles()
{
    QFETCH(QString, window);
    QFETCH(int, role);
    QWidget* w = m_windows->window(window);
    QCOMPARE(int(accessible(w)->role()), role);
    QCOMPARE(accessible(w)->text(QAccessible::Name), window);
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
