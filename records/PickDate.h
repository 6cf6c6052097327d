#pragma once
// The one "Pick Date" window: a month calendar with "OK" and "Cancel". It keeps the day last selected in it, also
// when that choice was cancelled, so that the next opening starts from there.

#include <QDialog>
#include <optional>

class QCalendarWidget;
class QPushButton;

namespace qv {

class TPickDateForm : public QDialog {
    Q_OBJECT
public:
    explicit TPickDateForm(QWidget* parent = nullptr);

    // Shows the window modally; the selected date on "OK", nothing on "Cancel" or the close box.
    std::optional<QDate> pick();

    QCalendarWidget* MonthCalendar1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The program's instance, made on first use; every window that picks a date shares it.
TPickDateForm& pickDateForm();
void destroyPickDateForm();

class Dataset;
// A date column's button: shows the picker; on "OK" puts the dataset into edit (an empty one starts a new row)
// and stores the picked date into the field. "Cancel" changes nothing. Returns whether a date was stored.
bool pickDateInto(Dataset& dataset, const QString& field);

} // namespace qv
