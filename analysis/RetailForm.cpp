#include "analysis/RetailForm.h"
#include "analysis/Questionnaire.h"
#include "data/DataModule.h"
#include "data/Dataset.h"
#include "platform/GuardedApplication.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {

constexpr int TacticsPage = 2;
const QSize DesignedSize(700, 560);
const QString PersonID = QStringLiteral("PersonID");
const QString QuestionID = QStringLiteral("QuestionID");
const QString Answer = QStringLiteral("Answer");

// The stored answers of the current contact, by question number; -1 where a row is missing or holds nothing.
personality::Answers storedAnswers(Dataset& rows)
{
    personality::Answers a;
    a.fill(-1);
    rows.first();
    while (!rows.atEnd()) {
        const qint64 q = rows.asInteger(QuestionID);
        if (q >= 1 && q <= personality::QuestionCount && !rows.isNull(Answer))
            a[size_t(q - 1)] = int(rows.asInteger(Answer));
        rows.next();
    }
    return a;
}

} // namespace

TRetail::TRetail(TMainDataModule& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TRetail"));
    setWindowTitle(QStringLiteral("Personality Identification"));
    m_answers.fill(-1);

    QMainTable = new Dataset(dm.MainADOConnection, QStringLiteral("QMainTable"), QStringLiteral("QuestionsMain"), this);
    QMainTable->setMaster(dm.PeopleCompanyDet, PersonID);

    m_contact = new QLineEdit(this);
    m_contact->setObjectName(QStringLiteral("ContactEdit"));
    m_contact->setAccessibleName(QStringLiteral("Contact"));
    m_contact->setReadOnly(true);
    m_contact->setMinimumWidth(260);
    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(m_contact);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->setAccessibleName(QStringLiteral("Questions and tactics"));
    QWidget* assertive = buildQuestionPage(1, m_tip1, QStringLiteral("TipMemo1"));
    assertive->setObjectName(QStringLiteral("TabSheet1"));
    m_pages->addTab(assertive, QStringLiteral("Assertiveness"));
    QWidget* responsive = buildQuestionPage(13, m_tip2, QStringLiteral("TipMemo2"));
    responsive->setObjectName(QStringLiteral("TabSheet2"));
    m_pages->addTab(responsive, QStringLiteral("Responsiveness"));

    auto* tacticsPage = new QWidget;
    tacticsPage->setObjectName(QStringLiteral("TabSheet3"));
    m_tacticsBox = new QPlainTextEdit(tacticsPage);
    m_tacticsBox->setObjectName(QStringLiteral("TacticsMemo"));
    m_tacticsBox->setAccessibleName(QStringLiteral("Tactics"));
    m_tacticsBox->setReadOnly(true);
    m_tacticsBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* tacticsLayout = new QVBoxLayout(tacticsPage);
    tacticsLayout->addWidget(m_tacticsBox);
    m_pages->addTab(tacticsPage, QStringLiteral("Tactics"));
    connect(m_pages, &QTabWidget::currentChanged, this, &TRetail::PageControl1Change);

    // The contents scroll where the screen is too low for them (a larger font makes them taller), so that the
    // window never reaches beyond the screen's edge.
    auto* contents = new QWidget;
    auto* layout = new QVBoxLayout(contents);
    layout->addLayout(top);
    layout->addWidget(m_pages, 1);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("RetailScrollArea"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(contents);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    QMainTable->open();
}

TRetail::~TRetail()
{
    qApp->removeEventFilter(this);
    // The contacts dataset outlives this window; it must not keep a link to our answers dataset.
    QMainTable->setMaster(nullptr, QString());
}

QWidget* TRetail::buildQuestionPage(int firstQuestion, QPlainTextEdit*& tipBox, const QString& tipName)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(2);
    auto* heading =
        new QLabel(QStringLiteral("Please answer the following about your contact then press Tactics"), page);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    const auto& questions = personality::questions();
    for (int q = firstQuestion; q < firstQuestion + personality::AssertivenessQuestions; ++q) {
        const personality::Question& question = questions[size_t(q - 1)];
        auto* box = new QGroupBox(page);
        box->setObjectName(QStringLiteral("RadioGroup%1").arg(q));
        box->setToolTip(question.hint);
        box->setAccessibleName(question.hint);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(6, 1, 6, 1);
        auto* group = new QButtonGroup(box);
        group->setObjectName(box->objectName());
        int id = 0;
        for (const QString& text : {question.first, question.second}) {
            auto* choice = new QRadioButton(text, box);
            choice->setObjectName(QStringLiteral("RadioGroup%1_%2").arg(q).arg(id));
            choice->setToolTip(question.hint);
            group->addButton(choice, id++);
            row->addWidget(choice, 1);
            // Stored when the choice is made, however it is made: a click, the keyboard, an accessible toggle.
            connect(choice, &QAbstractButton::toggled, this, [this, q](bool checked) {
                if (checked) runGuarded([&] { RadioGroup1Click(q); });
            });
        }
        m_groups[size_t(q - 1)] = group;
        layout->addWidget(box);
    }
    tipBox = new QPlainTextEdit(page);
    tipBox->setObjectName(tipName);
    tipBox->setAccessibleName(QStringLiteral("Tip"));
    tipBox->setReadOnly(true);
    tipBox->setFixedHeight(44);
    layout->addWidget(tipBox);
    layout->addStretch();
    return page;
}

void TRetail::showForCurrentContact() { exec(); }

QStringList TRetail::prepareAndCalculate()
{
    AddQuestionsClick();
    LoadDataClick();
    CalculateClick();
    return m_tactics;
}

void TRetail::AddQuestionsClick()
{
    QMainTable->refresh();
    const QVariant id = m_dm.PeopleCompanyDet->value(PersonID);
    if (id.isNull() || id.toLongLong() == 0 || !QMainTable->isEmpty()) return;
    // The 24 rows go in together: one disk sync instead of 24, and no contact is left with part of them.
    try {
        Transaction transaction(*m_dm.MainADOConnection);
        for (int q = 1; q <= personality::QuestionCount; ++q) {
            QMainTable->insert();
            QMainTable->setValue(PersonID, id);
            QMainTable->setValue(QuestionID, q);
            QMainTable->setValue(Answer, -1);
            QMainTable->post();
        }
        transaction.commit();
    } catch (...) {
        if (QMainTable->isEditing()) QMainTable->cancel();
        QMainTable->refresh(); // forget the rows the rollback took back
        throw;
    }
}

void TRetail::LoadDataClick()
{
    QMainTable->refresh();
    if (QMainTable->isEmpty()) return;
    const personality::Answers stored = storedAnswers(*QMainTable);
    m_loading = true;
    for (int q = 0; q < personality::QuestionCount; ++q) {
        QButtonGroup* group = m_groups[size_t(q)];
        const int value = stored[size_t(q)];
        group->setExclusive(false);
        for (int id = 0; id < 2; ++id) group->button(id)->setChecked(id == value);
        group->setExclusive(true);
    }
    m_loading = false;
}

bool TRetail::LocateQuestion(int question)
{
    QMainTable->first();
    for (int examined = 0; examined < personality::QuestionCount && !QMainTable->atEnd(); ++examined) {
        if (QMainTable->asInteger(QuestionID) == question) return true;
        QMainTable->next();
    }
    return false;
}

void TRetail::RadioGroup1Click(int question)
{
    if (m_loading) return;
    QMainTable->refresh();
    if (QMainTable->isEmpty()) return;
    if (!LocateQuestion(question)) return;
    QMainTable->edit();
    QMainTable->setValue(Answer, m_groups[size_t(question - 1)]->checkedId());
    QMainTable->post();
    QMainTable->refresh();
}

void TRetail::CalculateClick()
{
    QMainTable->refresh();
    if (QMainTable->isEmpty()) return;
    m_answers = storedAnswers(*QMainTable);
    const personality::TacticsResult result = personality::computeTactics(m_answers);
    m_tactics = result.lines;
    m_tacticsBox->setPlainText(m_tactics.join('\n'));
    if (result.complete) setPageFromCode(TacticsPage);
}

void TRetail::FormShow()
{
    AddQuestionsClick();
    LoadDataClick();
    CalculateClick();
    setPageFromCode(TacticsPage);
    m_contact->setText(QStringLiteral("Contact: ") + m_dm.PeopleCompanyDet->text(QStringLiteral("Name")));
}

void TRetail::setPageFromCode(int index)
{
    m_pageFromCode = true;
    m_pages->setCurrentIndex(index);
    m_pageFromCode = false;
}

void TRetail::PageControl1Change(int index)
{
    if (m_pageFromCode) return;
    setTips(QStringLiteral(" "));
    if (index == TacticsPage) runGuarded([this] { CalculateClick(); });
}

void TRetail::setTips(const QString& text)
{
    m_tip1->setPlainText(text);
    m_tip2->setPlainText(text);
}

void TRetail::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        resize(sizeForScrolledContents(m_scroll, DesignedSize));
        centreInWorkArea(this);
    }
    QDialog::showEvent(event);
    qApp->installEventFilter(this);
    runGuarded([this] { FormShow(); });
}

void TRetail::hideEvent(QHideEvent* event)
{
    qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}

bool TRetail::eventFilter(QObject* watched, QEvent* event)
{
    // A hint about to be shown in this window also goes into both tip boxes; the hint itself still shows.
    if (event->type() == QEvent::ToolTip) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && !widget->toolTip().isEmpty()) setTips(widget->toolTip());
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qv
