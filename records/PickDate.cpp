#include "records/PickDate.h"
#include "data/Dataset.h"
#include "platform/Clock.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace qv {

TPickDateForm::TPickDateForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("TPickDateForm");
    setWindowTitle("Pick Date");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    MonthCalendar1 = new QCalendarWidget(this);
    MonthCalendar1->setObjectName("MonthCalendar1");
    MonthCalendar1->setSelectedDate(clock::today());
    MonthCalendar1->setAccessibleName("Pick Date");
    // The calendar's own parts carry no names of their own: a screen reader would announce bare buttons. The month
    // and year buttons are announced by what they show ("December", "2026"), their role only described.
    for (const auto& [part, name] :
         {std::pair{"qt_calendar_prevmonth", "Previous month"}, std::pair{"qt_calendar_nextmonth", "Next month"},
          std::pair{"qt_calendar_yearedit", "Year"}, std::pair{"qt_calendar_calendarview", "Days of the month"}})
        if (QWidget* w = MonthCalendar1->findChild<QWidget*>(part)) w->setAccessibleName(name);
    for (const auto& [part, role] :
         {std::pair{"qt_calendar_monthbutton", "Month"}, std::pair{"qt_calendar_yearbutton", "Year"}})
        if (QWidget* w = MonthCalendar1->findChild<QWidget*>(part)) w->setAccessibleDescription(role);
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MonthCalendar1);
    layout->addLayout(buttons);

    // Turning the page (the month arrows, the month menu, a typed year) takes the selected day along, clamped to
    // the month's length, so that the day shown as selected is always the one "OK" returns.
    connect(MonthCalendar1, &QCalendarWidget::currentPageChanged, this, [this](int year, int month) {
        const QDate selected = MonthCalendar1->selectedDate();
        if (selected.year() == year && selected.month() == month) return;
        const QDate first(year, month, 1);
        MonthCalendar1->setSelectedDate(first.addDays(std::min(selected.day(), first.daysInMonth()) - 1));
    });

    // The calendar takes Enter for itself; here Enter means "OK", as the default button does elsewhere.
    if (auto* view = MonthCalendar1->findChild<QTableView*>()) view->installEventFilter(this);
    MonthCalendar1->installEventFilter(this);
}

bool TPickDateForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<QDate> TPickDateForm::pick()
{
    MonthCalendar1->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return MonthCalendar1->selectedDate();
}

namespace {
TPickDateForm* instance = nullptr;
}

TPickDateForm& pickDateForm()
{
    if (!instance) instance = new TPickDateForm;
    return *instance;
}

void destroyPickDateForm()
{
    delete instance;
    instance = nullptr;
}

bool pickDateInto(Dataset& dataset, const QString& field)
{
    const std::optional<QDate> picked = pickDateForm().pick();
    if (!picked) return false;
    dataset.edit();
    dataset.setValue(field, *picked); // a date alone: midnight may not exist locally on a clock-change day
    return true;
}

} // namespace qv
