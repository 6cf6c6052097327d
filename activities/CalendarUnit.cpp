#include "activities/CalendarUnit.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/DateFormats.h"
#include "data/Domains.h"
#include "platform/Clock.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/GuardedApplication.h"
#include "platform/RecordToolbar.h"

#include <QChildEvent>
#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

namespace qv {

namespace {

QStringList leadTimes()
{
    QStringList out;
    for (int minutes : domains::alertLeadTime()) out << QString::number(minutes);
    return out;
}

} // namespace

TCalendarForm::TCalendarForm(TMainDataModule& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName("TCalendarForm");
    setWindowTitle("Calendar/Planner");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    MonthCalendar1 = new QCalendarWidget(this);
    MonthCalendar1->setObjectName("MonthCalendar1");
    MonthCalendar1->setAccessibleName("Calendar");
    MonthCalendar1->setFirstDayOfWeek(Qt::Monday);
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    MonthCalendar1->setGridVisible(true);
    MonthCalendar1->setSelectedDate(clock::today());
    // Every click in the calendar selects a day: on a date, on the month arrows or in the month and year choosers
    // (which keep the date already selected); so does choosing a date with the keyboard.
    // Typing into the calendar would walk through every date the digits spell on the way (year 1, year 19...),
    // and each would become a planner day: dates are chosen by clicking or with the arrow keys.
    MonthCalendar1->setDateEditEnabled(false);
    connect(MonthCalendar1, &QCalendarWidget::clicked, this, &TCalendarForm::calendarChosen);
    connect(MonthCalendar1, &QCalendarWidget::activated, this, &TCalendarForm::calendarChosen);
    connect(MonthCalendar1, &QCalendarWidget::selectionChanged, this, &TCalendarForm::calendarChosen);
    connect(MonthCalendar1, &QCalendarWidget::currentPageChanged, this, &TCalendarForm::calendarChosen);
    MonthCalendar1->installEventFilter(this);
    for (QWidget* part : MonthCalendar1->findChildren<QWidget*>()) part->installEventFilter(this);

    auto* eventsFor = new QLabel("Events for", this);
    DayEdit = new QLineEdit(this);
    DayEdit->setObjectName("DayEdit");
    DayEdit->setReadOnly(true);
    DayEdit->setFrame(false);
    DayEdit->setAccessibleName("Events for");
    DayEdit->setStyleSheet("QLineEdit { background: transparent; }");
    eventsFor->setBuddy(DayEdit);

    EventsGrid = new DBGrid(dm.DayEvents,
                            {GridColumn::pickList("StartTime", "Start time", 90, domains::halfHourTime(), 12),
                             GridColumn::pickList("EndTime", "End time", 90, domains::halfHourTime(), 12),
                             GridColumn::text("Action", "Subject", 300),
                             GridColumn::pickList("ReminderBefore", "Alert before (min)", 120, leadTimes(), 12)},
                            this);
    EventsGrid->setObjectName("EventsGrid");
    EventsGrid->setAccessibleName("Events");
    EventsNavigator = new DBNavigator(dm.DayEvents, this);
    EventsNavigator->setObjectName("EventsNavigator");
    EventsNavigator->setGrid(EventsGrid);

    DatabaseUsageBtn = hintedButton(
        "Database Usage", QStyle::SP_MessageBoxQuestion,
        [this] {
            if (onDatabaseUsage) onDatabaseUsage();
        },
        this);

    auto* dayRow = new QHBoxLayout;
    dayRow->addWidget(eventsFor);
    dayRow->addWidget(DayEdit, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(EventsNavigator);
    bottom->addStretch();
    bottom->addWidget(DatabaseUsageBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MonthCalendar1, 3);
    layout->addLayout(dayRow);
    layout->addWidget(EventsGrid, 2);
    layout->addLayout(bottom);
    resize(640, 540);
}

void TCalendarForm::showInCalendar(const QDate& date)
{
    m_settingDate = true;
    MonthCalendar1->setSelectedDate(date);
    m_settingDate = false;
}

void TCalendarForm::saveEventBeforeLeavingTheDay()
{
    // A refused event keeps the planner on its own day: moving on would show that day's rows under the new day's
    // heading, and what is typed next would be stored on the wrong day.
    try {
        m_dm.DayEvents->checkBrowseMode();
    } catch (const PostRefused&) {
        showInCalendar(m_dayShown);
        throw;
    } catch (const std::exception& e) {
        showInCalendar(m_dayShown);
        const auto* db = dynamic_cast<const DatabaseError*>(&e);
        throw DatabaseError(QStringLiteral("%1\n\nThe planner stays on %2 until this event is corrected or its edit "
                                           "is cancelled.")
                                .arg(db ? db->message() : QString::fromLocal8Bit(e.what()), DayEdit->text()));
    }
}

void TCalendarForm::selectDay()
{
    saveEventBeforeLeavingTheDay();
    const QDate date = MonthCalendar1->selectedDate();
    const QString day = dates::shortDate(date);
    Dataset& days = *m_dm.DaysTable;
    struct ShowDay {
        QLineEdit* box;
        const QString& day;
        ~ShowDay() { box->setText(day); }
    } showDay{DayEdit, day};
    try {
        days.insert();
        days.setValue("Day", day);
        days.post();
        days.refresh();
    } catch (const std::exception&) {
        // Normally the database's refusal of a second row for the day: go to the row that exists.
        days.cancel();
        if (!days.locate({"Day"}, {day})) {
            // Another copy of the program may have made the day, and its events, since we last read them.
            try {
                days.refresh();
            } catch (const std::exception&) {
                return; // the days cannot be read: stay on the day shown
            }
            if (!days.locate({"Day"}, {day})) return;
            m_dm.DayEvents->refresh();
        }
    }
    m_dayShown = date;
}

void TCalendarForm::returnToOpeningDay()
{
    showInCalendar(m_openedOn.isValid() ? m_openedOn : clock::today());
    runGuarded([this] { selectDay(); });
}

void TCalendarForm::showDay(const QDate& day)
{
    m_openedOn = day;
    if (!isVisible()) {
        ShowModal();
        return;
    }
    returnToOpeningDay();
    raise();
    activateWindow();
}

void TCalendarForm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    m_openedOn = {};
}

void TCalendarForm::calendarChosen()
{
    if (m_settingDate || m_selectedForInput == m_input) return;
    m_selectedForInput = m_input;
    runGuarded([this] { selectDay(); });
}

bool TCalendarForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
        if (widget == MonthCalendar1 || MonthCalendar1->isAncestorOf(widget)) ++m_input;
        break;
    case QEvent::Show:
        if (widget->isWindow()) m_ownWindowShown = true;
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void TCalendarForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    returnToOpeningDay();
}

bool TCalendarForm::event(QEvent* event)
{
    // Message boxes are made as children of the active window: watch for them being shown.
    if (event->type() == QEvent::ChildAdded)
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            child->installEventFilter(this);
    return QDialog::event(event);
}

void TCalendarForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    // The close of a box of its own ("Delete record?", an error) gives the activation back: the user stays where
    // they were. Coming back from another window or program returns to today.
    if (std::exchange(m_ownWindowShown, false)) return;
    returnToOpeningDay();
}

} // namespace qv
