#pragma once
// The data-aware controls: each shows one field of its data source's dataset and writes every change of its value
// back to it, starting an edit first, whatever made the change (typing, a click, a screen reader's or an automation
// tool's set-text or toggle, the program); only the control's own showing of the field is not written back. One of
// each kind serves every window.

#include "data/Domains.h"
#include "platform/DataSource.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>

class QAbstractButton;
class QButtonGroup;

namespace qv {

// Text box. Typing is limited to `limit` characters, or to the column's declared width when limit is 0.
class DBEdit : public QLineEdit, public DataControl {
    Q_OBJECT
public:
    struct Options {
        int limit = 0;
        bool upperCase = false; // letters typed become capitals
        bool readOnly = false;  // greyed; only the program fills it
    };
    DBEdit(DataSource* source, const QString& field, QWidget* parent = nullptr)
        : DBEdit(source, field, Options{}, parent)
    {}
    DBEdit(DataSource* source, const QString& field, Options options, QWidget* parent = nullptr);
    void showValue() override;

private:
    void textChangedTo(const QString& text);
    bool m_upperCase = false;
    bool m_showing = false;
};

// Read-only date box: the stored date in the short date format; set only through a date picker.
class DBDateBox : public QLineEdit, public DataControl {
    Q_OBJECT
public:
    DBDateBox(DataSource* source, const QString& field, QWidget* parent = nullptr);
    void showValue() override;
};

// Open list: one of the entries, or any typed text.
class DBComboBox : public QComboBox, public DataControl {
    Q_OBJECT
public:
    DBComboBox(DataSource* source, const QString& field, const QStringList& entries, QWidget* parent = nullptr);
    void setEntries(const QStringList& entries);
    void showValue() override;

private:
    bool m_showing = false;
};

// Closed list: only one of the entries. It shows the entry equal to the stored text with letter case ignored,
// or none, and never rewrites the stored text by showing it.
class DBLookupList : public QComboBox, public DataControl {
    Q_OBJECT
public:
    DBLookupList(DataSource* source, const QString& field, const QStringList& entries, QWidget* parent = nullptr);
    const QStringList& entries() const { return m_entries; }
    void setEntries(const QStringList& entries);
    void setReadOnly(bool readOnly); // greyed; filled by the program only
    // The position of the stored text among the entries, letter case ignored; -1 for none.
    int storedPosition() const;
    void showValue() override;

signals:
    void picked(int position); // an entry was chosen; the field already holds it

private:
    QStringList m_entries;
    bool m_showing = false;
};

// Radio group: selects only the entry whose stored text equals the field exactly; captions may differ.
class DBRadioGroup : public QGroupBox, public DataControl {
    Q_OBJECT
public:
    DBRadioGroup(DataSource* source, const QString& field, const QString& title, const QList<domains::Entry>& entries,
                 int columns = 0, QWidget* parent = nullptr);
    DBRadioGroup(DataSource* source, const QString& field, const QString& title, const QStringList& entries,
                 int columns = 0, QWidget* parent = nullptr);
    QList<QAbstractButton*> buttons() const;
    int checkedPosition() const; // -1 when no button is selected
    void showValue() override;

private:
    QList<domains::Entry> m_entries;
    QButtonGroup* m_group;
    bool m_showing = false;
};

// The read-only, borderless explanation of a closed list's entry. It is refreshed when asked, not with the
// record: the window decides when the explanation follows the contact.
class ExplanationBox : public QPlainTextEdit {
    Q_OBJECT
public:
    ExplanationBox(DBLookupList* chooser, const QStringList& explanations, QWidget* parent = nullptr);
    void refresh(); // from the chooser's field as it stands
    void showPosition(int position);
    QString text() const { return toPlainText(); }

private:
    DBLookupList* m_chooser;
    QStringList m_explanations;
};

// Puts a read-only look on a box the user cannot change.
void greyOut(QWidget* box);

} // namespace qv
