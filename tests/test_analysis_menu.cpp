// The "Tools" items of the main window that reach the filters and the lookup data analysis.
#include "analysis/FiltersForm.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QTimer>
#include <QtTest>

using namespace qv;
using namespace qv::test;

class TestAnalysisMenu : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void withoutContactsNothingOpens();
    void filtersOpenModallyOnTheirWindow();
};

void TestAnalysisMenu::withoutContactsNothingOpens()
{
    RecordingPreviewer previewer;
    StartedProgram p;
    QVERIFY(p.started);
    TForm1* form = p.program.mainWindow();
    QVERIFY(form->FiltersItem->isVisible());
    QVERIFY(form->LookupDataAnalysisItem->isVisible());
    form->FiltersItem->trigger();
    form->LookupDataAnalysisItem->trigger();
    QCOMPARE(p.messages.texts(), (QStringList{"The database is empty.", "The database is empty."}));
    QVERIFY(previewer.reports.empty());
    QVERIFY(!p.program.filters()->isVisible());
}

void TestAnalysisMenu::filtersOpenModallyOnTheirWindow()
{
    StartedProgram p({personInsert("Someone", {"PersonType", "Customer", "CustoemrImportance", "High"})});
    QVERIFY(p.started);
    QString modal;
    auto script = whenModal([&](QWidget* w) {
        modal = w->objectName() + ' ' + w->windowTitle();
        w->close();
    });
    p.program.mainWindow()->FiltersItem->trigger();
    QVERIFY2(script->ok(), script->failure());
    QCOMPARE(modal, QString("TFilters Filters"));
    QVERIFY(p.messages.shown.empty());

    RecordingPreviewer previewer;
    p.program.mainWindow()->LookupDataAnalysisItem->trigger();
    QCOMPARE(previewer.reports.size(), size_t(1));
    QVERIFY(previewer.lastText().contains("Lookup Data Analysis Report"));
}

QTEST_MAIN(TestAnalysisMenu)
#include "test_analysis_menu.moc"
