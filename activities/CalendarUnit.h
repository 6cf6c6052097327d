#pragma once
// The "Calendar/Planner" window: a month calendar over the events of the selected day. A day row is made the
// first time its date is selected; selecting it again finds the row through the database's refusal of a second
// row with the same day text. Opening the window, or coming back to it from another window, returns to today; closing
// a box of its own does not. An event the event rule refuses keeps the planner on that event's day until it is
// corrected or its edit cancelled.

#include <QDate>
#include <QDialog>
#include <functional>

class QCalendarWidget;
class QLineEdit;
class QToolButton;

namespace qv {

class TMainDataModule;
class DBGrid;
class DBNavigator;

class TCalendarForm : public QDialog {
    Q_OBJECT
public:
    explicit TCalendarForm(TMainDataModule& dm, QWidget* parent = nullptr);

    int ShowModal() { return exec(); }
    // Opens the window on a day instead of today (an alert's "Open planner"), or turns the open window to it. Until
    // the window closes, coming back to it returns to that day.
    void showDay(const QDate& day);

    // The day selection for the date selected in the calendar: make its day row, or go to the one that exists.
    void selectDay();

    // The "Database Usage" button's window, wired at start-up.
    std::function<void()> onDatabaseUsage;

    QCalendarWidget* MonthCalendar1;
    QLineEdit* DayEdit;
    DBGrid* EventsGrid;
    DBNavigator* EventsNavigator;
    QToolButton* DatabaseUsageBtn;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void returnToOpeningDay();
    void calendarChosen();
    void showInCalendar(const QDate& date);
    void saveEventBeforeLeavingTheDay();

    TMainDataModule& m_dm;
    bool m_settingDate = false;
    QDate m_dayShown; // the day whose events the grid shows
    QDate m_openedOn; // the day the window was opened on, when not today
    // Whether a window of its own (a message box) was shown since the window was last active: its closing gives
    // the activation back, which is no coming back to the window.
    bool m_ownWindowShown = false;
    // A click runs the day selection once, although the calendar tells of it more than once.
    quint64 m_input = 0;
    quint64 m_selectedForInput = ~quint64(0);
};

} // namespace qv
