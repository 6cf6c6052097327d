// The personality identification: the tactics from the 24 answers, and the window that stores them.

#include "analysis/Questionnaire.h"
#include "analysis/RetailForm.h"
#include "analysis/Tactics.h"
#include "data/DatabaseError.h"
#include "data/Dataset.h"
#include "tests/support/OtherProcess.h"
#include "tests/support/TestSupport.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTimer>
#include <QAccessible>
#include <QtTest>

using namespace qv;
using namespace qv::personality;

namespace {

// "1010..." with a blank between the scales; "-" is an unanswered question.
Answers answersFrom(const QString& text)
{
    Answers a;
    a.fill(-1);
    int i = 0;
    for (QChar c : text) {
        if (c == ' ') continue;
        a[size_t(i++)] = c == '-' ? -1 : c.digitValue();
    }
    return a;
}

QString answerText(const Answers& a)
{
    QString s;
    for (int i = 0; i < 24; ++i) s += a[size_t(i)] < 0 ? QChar('-') : QChar('0' + a[size_t(i)]);
    return s;
}

} // namespace

class PersonalityTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useUnitedStatesLocale(); }

    void tactics_data();
    void tactics();
    void caseFromScores_data();
    void caseFromScores();
    void noLineTwiceOverManyAnswerSets();
    void questionnaireTexts();

    void openingCreatesRowsOnceAndShowsTheMissingAnswersLine();
    void contactWithoutPersonIdGetsNoRows();
    void answerRowsNotCommittedAreNotShown();
    void clickIsStoredAtOnceAndLoadingWritesNothing();
    void accessibleToggleIsStoredAtOnce();
    void userSwitchingToTacticsRecalculates();
    void hintGoesIntoBothTipBoxes();
};

void PersonalityTest::tactics_data()
{
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QStringList>("lines");
    // A row is named after the case the two scores lead to; "all 0" and "all 1" reach cases 3 and 2. In the zero case
    // (both scores in the middle) each family goes high or low by which of its answers outnumber the others,
    // "count-high" or "count-low"; on a tie the assertive family's rules are tried in turn (1: questions 3 and 4
    // high, 2: questions 2 and 7 low, 3: questions 3 and 16 low, 4: question 3 high alone, 5: none of these) and the
    // responsive family goes high when question 15 or 18 is.
    // clang-format off
    QTest::newRow("all 0") << QStringLiteral("000000000000 000000000000") << QStringList{
        "- Use solid tangible evidence.",
        "- Emphasize long-term benefits.",
        "- Demonstration and presentation should emphasize person's technical experience.",
        "- Reduce risk by providing information and logical arguments.",
        "- Do not engage in social conversation.",
        "- Avoid testimonials.",
        "- Always ask for customer's opinion.",
        "- Always discuss facts and logic.",
        "- Use less sitting positions.",
        "- Show great respect to dates, appointments, and schedules.",
        "- Use less facial expressions.",
        "- Use asking mode rather than telling mode.",
        "- Let customer assume control of the conversation often.",
        "- Use moderate eye contact.",
        "- Use moderate vocal intensity.",
    };
    QTest::newRow("all 1") << QStringLiteral("111111111111 111111111111") << QStringList{
        "- Demonstrate how the product/solution helps achieve personal recognition.",
        "- Use creative graphics and product demos heavily.",
        "- Use testimonials.",
        "- Always try to approach with new types of products.",
        "- Engage in social conversation.",
        "- Pay compliments.",
        "- Discuss personal opinions.",
        "- Reduce discussion of facts and logic.",
        "- Use more sitting positions.",
        "- Use more facial expressions.",
        "- Volunteer only strong opinions that may lead to direct solutions.",
        "- Take positions on issues even if that disagrees with the customer.",
        "- State ideas and proposals simply for quick understanding.",
        "- Increase eye contact.",
        "- Use great vocal intensity.",
        "- Speak and move fast.",
    };
    QTest::newRow("case 1") << QStringLiteral("111111111111 000000000000") << QStringList{
        "- Use a direct, business-organized approach.",
        "- Act and follow up quickly.",
        "- Emphasize effects of purchase decision on profits.",
        "- Do not engage in social conversation.",
        "- Avoid testimonials.",
        "- Always ask for customer's opinion.",
        "- Always discuss facts and logic.",
        "- Use less sitting positions.",
        "- Show great respect to dates, appointments, and schedules.",
        "- Use less facial expressions.",
        "- Volunteer only strong opinions that may lead to direct solutions.",
        "- Take positions on issues even if that disagrees with the customer.",
        "- State ideas and proposals simply for quick understanding.",
        "- Increase eye contact.",
        "- Use great vocal intensity.",
        "- Speak and move fast.",
    };
    QTest::newRow("case 4") << QStringLiteral("000000000000 111111111111") << QStringList{
        "- Build personal relationships.",
        "- Give guarantees for product performance.",
        "- Stress product's benefits in terms of effects on the satisfaction of employees.",
        "- Engage in social conversation.",
        "- Pay compliments.",
        "- Discuss personal opinions.",
        "- Reduce discussion of facts and logic.",
        "- Use more sitting positions.",
        "- Use more facial expressions.",
        "- Use asking mode rather than telling mode.",
        "- Let customer assume control of the conversation often.",
        "- Always ask for customer's opinion.",
        "- Use moderate eye contact.",
        "- Use moderate vocal intensity.",
    };
    QTest::newRow("case 5") << QStringLiteral("111111111111 111111000000") << QStringList{
        "- State ideas and proposals simply for quick understanding.",
        "- Volunteer only strong opinions that may lead to direct solutions.",
        "- Take positions on issues even if that disagrees with the customer.",
        "- Speak and move fast.",
        "- Use great vocal intensity.",
        "- Increase eye contact.",
    };
    QTest::newRow("case 6") << QStringLiteral("000000000000 000000111111") << QStringList{
        "- Use asking mode rather than telling mode.",
        "- Let customer assume control of the conversation often.",
        "- Always ask for customer's opinion.",
        "- Use moderate eye contact.",
        "- Use moderate vocal intensity.",
    };
    QTest::newRow("case 7") << QStringLiteral("111111000000 111111111111") << QStringList{
        "- Pay compliments.",
        "- Engage in social conversation.",
        "- Reduce discussion of facts and logic.",
        "- Use more facial expressions.",
        "- Use more sitting positions.",
        "- Discuss personal opinions.",
    };
    QTest::newRow("case 8") << QStringLiteral("111111000000 000000000000") << QStringList{
        "- Discard telling your opinions.",
        "- Avoid testimonials.",
        "- Do not engage in social conversation.",
        "- Always discuss facts and logic.",
        "- Use less sitting positions.",
        "- Show great respect to dates, appointments, and schedules.",
        "- Use less facial expressions.",
    };
    QTest::newRow("case 1 mixed") << QStringLiteral("101110111010 010001000110") << QStringList{
        "- Use a direct, business-organized approach.",
        "- Act and follow up quickly.",
        "- Emphasize effects of purchase decision on profits.",
        "- Avoid testimonials.",
        "- Always ask for customer's opinion.",
        "- Always discuss facts and logic.",
        "- Use less sitting positions.",
        "- Volunteer only strong opinions that may lead to direct solutions.",
        "- Take positions on issues even if that disagrees with the customer.",
        "- Increase eye contact.",
        "- Use great vocal intensity.",
    };
    QTest::newRow("zero count-high count-high") << QStringLiteral("001001011011 011100001110") << QStringList{
        "- Take positions on issues even if that disagrees with the customer.",
        "- State ideas and proposals simply for quick understanding.",
        "- Increase eye contact.",
        "- Use great vocal intensity.",
        "- Engage in social conversation.",
        "- Pay compliments.",
        "- Discuss personal opinions.",
        "- Use more facial expressions.",
    };
    QTest::newRow("zero count-low count-low") << QStringLiteral("010001001111 010101011001") << QStringList{
        "- Use asking mode rather than telling mode.",
        "- Let customer assume control of the conversation often.",
        "- Always ask for customer's opinion.",
        "- Use moderate eye contact.",
        "- Avoid testimonials.",
        "- Always discuss facts and logic.",
        "- Use less sitting positions.",
        "- Show great respect to dates, appointments, and schedules.",
        "- Use less facial expressions.",
    };
    QTest::newRow("zero tie1-high tie-high") << QStringLiteral("001110010110 101101010010") << QStringList{
        "- Take positions on issues even if that disagrees with the customer.",
        "- Increase eye contact.",
        "- Speak and move fast.",
        "- Pay compliments.",
        "- Discuss personal opinions.",
        "- Use more facial expressions.",
    };
    QTest::newRow("zero tie2-low tie-low") << QStringLiteral("100101010101 110000101110") << QStringList{
        "- Let customer assume control of the conversation often.",
        "- Always ask for customer's opinion.",
        "- Use moderate vocal intensity.",
        "- Avoid testimonials.",
        "- Always discuss facts and logic.",
    };
    QTest::newRow("zero tie3-low tie-low") << QStringLiteral("010111011000 010010010111") << QStringList{
        "- Use asking mode rather than telling mode.",
        "- Let customer assume control of the conversation often.",
        "- Always ask for customer's opinion.",
        "- Avoid testimonials.",
        "- Use less sitting positions.",
    };
    QTest::newRow("zero tie4-low tie-high") << QStringLiteral("001010110101 001110001101") << QStringList{
        "- Use asking mode rather than telling mode.",
        "- Let customer assume control of the conversation often.",
        "- Use moderate vocal intensity.",
        "- Pay compliments.",
        "- Discuss personal opinions.",
        "- Reduce discussion of facts and logic.",
    };
    QTest::newRow("zero tie5-high tie-low") << QStringLiteral("100010101101 010100011110") << QStringList{
        "- Volunteer only strong opinions that may lead to direct solutions.",
        "- Use great vocal intensity.",
        "- Speak and move fast.",
        "- Avoid testimonials.",
        "- Always discuss facts and logic.",
        "- Use less sitting positions.",
    };
    // zero case where both families would add the opinion line: it comes once
    QTest::newRow("zero opinion once") << QStringLiteral("000000111111 000000111111") << QStringList{
        "- Use asking mode rather than telling mode.",
        "- Let customer assume control of the conversation often.",
        "- Always ask for customer's opinion.",
        "- Do not engage in social conversation.",
        "- Avoid testimonials.",
        "- Always discuss facts and logic.",
    };
    QTest::newRow("q5 missing") << QStringLiteral("1111-1111111 111111111111") << QStringList{
        "No suggested tactics. Please answer all questions in Assertiveness and Responsiveness tabs.",
    };
    QTest::newRow("q20 missing") << QStringLiteral("000000000000 0000000-0000") << QStringList{
        "Please answer all questions in Assertiveness and Responsiveness tabs.",
    };
    QTest::newRow("both missing") << QStringLiteral("-00000000000 0000000-0000") << QStringList{
        "No suggested tactics. Please answer all questions in Assertiveness and Responsiveness tabs.",
    };
    QTest::newRow("q24 missing") << QStringLiteral("000000000000 00000000000-") << QStringList{
        "Please answer all questions in Assertiveness and Responsiveness tabs.",
    };
    // clang-format on
}

void PersonalityTest::tactics()
{
    QFETCH(QString, answers);
    QFETCH(QStringList, lines);
    const TacticsResult r = computeTactics(answersFrom(answers));
    QCOMPARE(r.lines, lines);
    QCOMPARE(r.complete, !answers.contains('-'));
    QVERIFY(r.lines.count(OpinionLine) <= 1);
}

void PersonalityTest::caseFromScores_data()
{
    QTest::addColumn<int>("assertiveness");
    QTest::addColumn<int>("responsiveness");
    QTest::addColumn<int>("tacticCase");
    QTest::newRow("high low") << 2 << -4 << 1;
    QTest::newRow("high high") << 12 << 12 << 2;
    QTest::newRow("low low") << -12 << -2 << 3;
    QTest::newRow("low high") << -6 << 8 << 4;
    QTest::newRow("high zero") << 4 << 0 << 5;
    QTest::newRow("low zero") << -2 << 0 << 6;
    QTest::newRow("zero high") << 0 << 2 << 7;
    QTest::newRow("zero low") << 0 << -10 << 8;
    QTest::newRow("zero zero") << 0 << 0 << 0;
}

void PersonalityTest::caseFromScores()
{
    QFETCH(int, assertiveness);
    QFETCH(int, responsiveness);
    QFETCH(int, tacticCase);
    QCOMPARE(personality::tacticCase(assertiveness, responsiveness), tacticCase);
}

void PersonalityTest::noLineTwiceOverManyAnswerSets()
{
    // Base lines and families must never repeat a line, whatever the answers.
    QRandomGenerator random(2005);
    for (int run = 0; run < 50000; ++run) {
        const quint32 bits = random.generate() & 0xFFFFFF;
        Answers a;
        for (int q = 0; q < 24; ++q) a[size_t(q)] = (bits >> q) & 1;
        QStringList lines = computeTactics(a).lines;
        QVERIFY2(lines.removeDuplicates() == 0, qPrintable(answerText(a)));
    }
}

void PersonalityTest::questionnaireTexts()
{
    const auto& q = questions();
    QCOMPARE(q[0].first, QStringLiteral("Ask oriented"));
    QCOMPARE(q[8].second, QStringLiteral("Speaks intensely and quickly "));
    QCOMPARE(q[9].first, QStringLiteral("Moves deliberately "));
    QCOMPARE(q[23].second, QStringLiteral("Many vocal infections"));
    for (const Question& question : q) {
        QVERIFY(question.hint.contains(QStringLiteral(" * ")));
        QVERIFY(question.hint.startsWith(question.first.trimmed() + ':'));
    }
}

namespace {

// Runs the window modally; the action runs on it once it is up, then it is closed.
void runWindow(TRetail& window, const std::function<void(TRetail&)>& whileOpen = {})
{
    auto modal = test::whenModal([&](QWidget* w) {
        if (w == &window && whileOpen) whileOpen(window);
        w->close();
    });
    window.showForCurrentContact();
    QVERIFY2(modal->ok(), modal->failure());
}

QString tacticsShown(TRetail& window) { return window.findChild<QPlainTextEdit*>("TacticsMemo")->toPlainText(); }

} // namespace

void PersonalityTest::openingCreatesRowsOnceAndShowsTheMissingAnswersLine()
{
    test::TestDatabase db({test::personInsert("Ann"), test::personInsert("Bob")});
    TMainDataModule& dm = db.open();
    TRetail window(dm);
    dm.PeopleCompanyDet->last();
    const qint64 bob = dm.PeopleCompanyDet->asInteger("PersonID");
    QString contactText;
    int tab = -1;
    runWindow(window, [&](TRetail& w) {
        contactText = w.findChild<QLineEdit*>("ContactEdit")->text();
        tab = w.findChild<QTabWidget*>("PageControl1")->currentIndex();
    });
    QCOMPARE(contactText, QStringLiteral("Contact: Bob"));
    QCOMPARE(tab, 2);
    QCOMPARE(tacticsShown(window), NoTacticsLine);
    const auto rows = db.rows(
        QStringLiteral("SELECT QuestionID, Answer FROM QuestionsMain WHERE PersonID = %1 ORDER BY rowid").arg(bob));
    QCOMPARE(rows.size(), 24);
    for (int q = 0; q < 24; ++q) QCOMPARE(rows[q], (QVariantList{q + 1, -1}));

    runWindow(window);
    QCOMPARE(db.scalar("SELECT count(*) FROM QuestionsMain").toInt(), 24);
    // The other contact has none until its turn.
    dm.PeopleCompanyDet->first();
    QCOMPARE(window.prepareAndCalculate(), QStringList{NoTacticsLine});
    QCOMPARE(db.scalar("SELECT count(*) FROM QuestionsMain").toInt(), 48);
}

void PersonalityTest::contactWithoutPersonIdGetsNoRows()
{
    test::TestDatabase db;
    TMainDataModule& dm = db.open();
    TRetail window(dm);
    window.prepareAndCalculate();  // no contacts at all
    dm.PeopleCompanyDet->insert(); // a new contact not saved yet has no PersonID
    window.prepareAndCalculate();
    dm.PeopleCompanyDet->cancel();
    QCOMPARE(db.scalar("SELECT count(*) FROM QuestionsMain").toInt(), 0);
    QVERIFY(window.tactics().isEmpty());
}

// The 24 rows go in together or not at all: when their commit fails (another process reads the file until our
// wait runs out), the window shows none, the user is told, and the next opening stores them for good.
void PersonalityTest::answerRowsNotCommittedAreNotShown()
{
    test::TestDatabase db({test::personInsert("Ann")});
    TMainDataModule& dm = db.open();
    TRetail window(dm);
    {
        test::OtherProcess reader("read", db.path());
        QVERIFY(reader.ready());
        QString error;
        try {
            window.prepareAndCalculate();
        } catch (const DatabaseError& e) {
            error = e.message();
        }
        QCOMPARE(error, QStringLiteral("database is locked"));
        QCOMPARE(window.QMainTable->recordCount(), 0);
        QCOMPARE(db.scalar("SELECT count(*) FROM QuestionsMain").toInt(), 0);
    }
    QCOMPARE(window.prepareAndCalculate(), QStringList{NoTacticsLine});
    QCOMPARE(window.QMainTable->recordCount(), 24);
    dm.openAll(false);
    dm.MainADOConnection->close();
    QCOMPARE(db.scalar("SELECT count(*) FROM QuestionsMain").toInt(), 24);
}

void PersonalityTest::clickIsStoredAtOnceAndLoadingWritesNothing()
{
    test::TestDatabase db({test::personInsert("Ann")});
    TMainDataModule& dm = db.open();
    TRetail window(dm);
    window.prepareAndCalculate();
    const qint64 ann = dm.PeopleCompanyDet->asInteger("PersonID");
    auto stored = [&](int q) {
        return db
            .scalar(QStringLiteral("SELECT Answer FROM QuestionsMain WHERE PersonID = %1 AND QuestionID = %2")
                        .arg(ann)
                        .arg(q))
            .toInt();
    };

    window.findChild<QRadioButton*>("RadioGroup5_1")->click();
    QCOMPARE(stored(5), 1);
    window.findChild<QRadioButton*>("RadioGroup5_0")->click();
    QCOMPARE(stored(5), 0);
    window.findChild<QRadioButton*>("RadioGroup20_1")->click();
    QCOMPARE(stored(20), 1);

    // Answers written by someone else are put into the groups without being written back.
    db.execute({QStringLiteral("UPDATE QuestionsMain SET Answer = QuestionID % 2 WHERE PersonID = %1").arg(ann)});
    const Connection::Stamp before = dm.MainADOConnection->stampOf("QuestionsMain");
    window.LoadDataClick();
    for (int q = 1; q <= 24; ++q) QCOMPARE(window.group(q)->checkedId(), q % 2);
    QCOMPARE(dm.MainADOConnection->stampOf("QuestionsMain").local, before.local);
    QCOMPARE(window.QMainTable->state(), DatasetState::Browse);

    // Unanswered again: the groups show no choice.
    db.execute(
        {QStringLiteral("UPDATE QuestionsMain SET Answer = -1 WHERE PersonID = %1 AND QuestionID = 3").arg(ann)});
    window.LoadDataClick();
    QCOMPARE(window.group(3)->checkedId(), -1);
}

// A screen reader or an automation tool answers through the accessible "toggle" action: stored at once as well.
void PersonalityTest::accessibleToggleIsStoredAtOnce()
{
    test::TestDatabase db({test::personInsert("Ann")});
    TMainDataModule& dm = db.open();
    TRetail window(dm);
    window.prepareAndCalculate();
    for (const auto& [button, answer] : {std::pair{"RadioGroup7_1", 1}, std::pair{"RadioGroup7_0", 0}}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(window.findChild<QRadioButton*>(button));
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(db.scalar("SELECT Answer FROM QuestionsMain WHERE QuestionID = 7").toInt(), answer);
    }
}

void PersonalityTest::userSwitchingToTacticsRecalculates()
{
    test::TestDatabase db({test::personInsert("Ann")});
    TMainDataModule& dm = db.open();
    TRetail window(dm);
    QString before, after, tip;
    runWindow(window, [&](TRetail& w) {
        auto* pages = w.findChild<QTabWidget*>("PageControl1");
        pages->setCurrentIndex(0);
        for (int q = 1; q <= 24; ++q) w.findChild<QRadioButton*>(QStringLiteral("RadioGroup%1_0").arg(q))->click();
        before = tacticsShown(w);
        pages->setCurrentIndex(2);
        after = tacticsShown(w);
        tip = w.findChild<QPlainTextEdit*>("TipMemo1")->toPlainText();
    });
    QCOMPARE(before, NoTacticsLine);
    QCOMPARE(after, computeTactics(answersFrom("000000000000 000000000000")).lines.join('\n'));
    QCOMPARE(tip, QStringLiteral(" "));

    // Reopening shows the stored choices and the same tactics.
    runWindow(window);
    QCOMPARE(window.group(24)->checkedId(), 0);
    QCOMPARE(window.tactics().size(), 15);
}

void PersonalityTest::hintGoesIntoBothTipBoxes()
{
    test::TestDatabase db({test::personInsert("Ann")});
    TMainDataModule& dm = db.open();
    TRetail window(dm);
    QString tip1, tip2;
    runWindow(window, [&](TRetail& w) {
        w.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
        QRadioButton* choice = w.findChild<QRadioButton*>("RadioGroup24_1");
        QHelpEvent hint(QEvent::ToolTip, QPoint(2, 2), choice->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(choice, &hint);
        tip1 = w.findChild<QPlainTextEdit*>("TipMemo1")->toPlainText();
        tip2 = w.findChild<QPlainTextEdit*>("TipMemo2")->toPlainText();
    });
    QCOMPARE(tip2, questions()[23].hint);
    QCOMPARE(tip1, questions()[23].hint);
}

QTEST_MAIN(PersonalityTest)
#include "tst_personality.moc"
