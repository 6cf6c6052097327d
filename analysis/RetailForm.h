#pragma once
// The "Personality Identification" window: 24 two-choice questions about the current contact, stored one click
// at a time in QuestionsMain, and the suggested tactics for the contact's style.

#include "analysis/Tactics.h"

#include <QDialog>
#include <QStringList>
#include <array>

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;
class QScrollArea;
class QTabWidget;

namespace qv {

class Dataset;
class TMainDataModule;

class TRetail : public QDialog {
    Q_OBJECT
public:
    explicit TRetail(TMainDataModule& dm, QWidget* parent = nullptr);
    ~TRetail() override;

    Dataset* QMainTable = nullptr; // the current contact's answer rows

    // Shows the window modally for the current contact; returns when it is closed.
    void showForCurrentContact();
    // Creates the answer rows if needed, loads and calculates without showing the window; returns the tactics.
    QStringList prepareAndCalculate();

    void AddQuestionsClick();
    void LoadDataClick();
    void RadioGroup1Click(int question);
    bool LocateQuestion(int question);
    void CalculateClick();
    void FormShow();

    const QStringList& tactics() const { return m_tactics; }
    const personality::Answers& answers() const { return m_answers; }
    QButtonGroup* group(int question) const { return m_groups[question - 1]; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildQuestionPage(int firstQuestion, QPlainTextEdit*& tipBox, const QString& tipName);
    void PageControl1Change(int index);
    void setPageFromCode(int index);
    void setTips(const QString& text);

    TMainDataModule& m_dm;
    QLineEdit* m_contact = nullptr;
    QTabWidget* m_pages = nullptr;
    QScrollArea* m_scroll = nullptr;
    QPlainTextEdit* m_tip1 = nullptr;
    QPlainTextEdit* m_tip2 = nullptr;
    QPlainTextEdit* m_tacticsBox = nullptr;
    std::array<QButtonGroup*, 24> m_groups{};

    personality::Answers m_answers;
    QStringList m_tactics;
    bool m_loading = false;
    bool m_pageFromCode = false;
};

} // namespace qv
