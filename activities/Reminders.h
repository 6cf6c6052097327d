#pragma once
// The reminders window ("Reminders"): today's birthdays and wedding anniversaries of the contacts whose reminder
// for that event is set, with a greeting e-mail from a click on the address. The list is rebuilt by each run of
// the command; nothing looks ahead to other days.

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace qv {

class TMainDataModule;

class TRemindersForm : public QDialog {
    Q_OBJECT
public:
    enum Column { NumberColumn, NameColumn, TypeColumn, EventColumn, MobileColumn, EmailColumn, ColumnCount };

    explicit TRemindersForm(TMainDataModule& dm, QWidget* parent = nullptr);

    // "Reminders...": lists today's reminders and shows them modally, or says "No reminders for today."; with no
    // contacts it does nothing at all. The contacts stand on their first row afterwards.
    void remindersCommand();

    // The greeting e-mail of a reminder row, as a click in its e-mail cell starts it.
    void sendGreeting(int row);
    int reminderCount() const;
    // How many rows the command would list now, read without moving the contacts.
    int todaysReminderCount() const;
    QString cellText(int row, int column) const;

    QLabel* RemindersLabel;
    QTableWidget* RemindersGrid;
    QPushButton* OKBtn;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Reminder {
        QString name, type, event, mobile, email;
    };
    std::vector<Reminder> todaysReminders() const;
    void prepareList();
    void fillList(const std::vector<Reminder>& reminders);
    int contactColumnLack(int column) const; // what the column's texts need beyond its given width
    void widenContactColumns();

    TMainDataModule& m_dm;
    int m_givenWidths[ColumnCount];
    int m_givenWindowWidth = 0;
};

} // namespace qv
