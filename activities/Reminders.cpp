#include "activities/Reminders.h"
#include "data/DataModule.h"
#include "data/DateFormats.h"
#include "platform/Clock.h"
#include "platform/ScreenMetrics.h"
#include "platform/Messages.h"
#include "platform/ScreenMetrics.h"
#include "platform/ShellOpen.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstring>

namespace qv {

namespace {

const char* const Headers[TRemindersForm::ColumnCount] = {"No.", "Name", "Type", "Event", "Mobile", "Email"};
const int Widths[TRemindersForm::ColumnCount] = {25, 125, 55, 65, 80, 150};

// A field of the contact in a row as UTF-8, read without moving; false when it is null. scratch holds the bytes
// when the value is not stored as text (written by another program).
bool textAt(const Dataset& contacts, int row, int field, QByteArray& scratch, const char** p, int* size)
{
    *p = contacts.utf8At(row, field, size);
    if (*p) return true;
    const QVariant v = contacts.valueAt(row, field);
    if (v.isNull()) return false;
    scratch = v.toString().toUtf8();
    *p = scratch.constData();
    *size = int(scratch.size());
    return true;
}

// A reminder flag is set when it reads as the boolean true: "TRUE" in any letter case.
bool flagSet(const Dataset& contacts, int row, int field, QByteArray& scratch)
{
    const char* p = nullptr;
    int size = 0;
    if (!textAt(contacts, row, field, scratch, &p, &size)) return false;
    while (size > 0 && p[0] == ' ') ++p, --size;
    while (size > 0 && p[size - 1] == ' ') --size;
    return size == 4 && qstrnicmp(p, "true", 4) == 0;
}

// Whether a stored date falls on today's month and day; its year does not count. Dates stored as our own text
// ("yyyy-MM-dd ...") are compared without converting them.
bool fallsToday(const Dataset& contacts, int row, int field, const QDate& today, const QByteArray& monthDay,
                QByteArray& scratch)
{
    const char* p = nullptr;
    int size = 0;
    if (!textAt(contacts, row, field, scratch, &p, &size)) return false;
    if (size >= 10 && p[4] == '-' && p[7] == '-') return std::memcmp(p + 5, monthDay.constData(), 5) == 0;
    const QDate d = Dataset::parseStoredDateTime(contacts.valueAt(row, field)).date();
    return d.isValid() && d.month() == today.month() && d.day() == today.day();
}

QString shownText(const Dataset& contacts, int row, int field)
{
    const QVariant v = contacts.valueAt(row, field);
    return v.isNull() ? QString() : v.toString();
}

} // namespace

TRemindersForm::TRemindersForm(TMainDataModule& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName("TRemindersForm");
    setWindowTitle("Reminders");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    RemindersLabel = new QLabel("Reminders for", this);
    RemindersLabel->setObjectName("RemindersLabel");
    QFont bold = RemindersLabel->font();
    bold.setBold(true);
    RemindersLabel->setFont(bold);

    RemindersGrid = new QTableWidget(0, ColumnCount, this);
    RemindersGrid->setObjectName("RemindersGrid");
    RemindersGrid->setAccessibleName("Reminders");
    QFont compact(QStringLiteral("Arial"));
    compact.setPointSizeF(8);
    RemindersGrid->setFont(compact);
    QStringList headers;
    for (const char* h : Headers) headers << QString::fromLatin1(h);
    RemindersGrid->setHorizontalHeaderLabels(headers);
    // The given widths, widened where this screen's font needs more room for the fixed texts of a column.
    const QFontMetrics metrics(compact);
    auto& widths = m_givenWidths;
    for (int c = 0; c < ColumnCount; ++c) widths[c] = Widths[c];
    for (const char* text : {"Customer", "Prospect"})
        widths[TypeColumn] = std::max(widths[TypeColumn], metrics.horizontalAdvance(text) + 10);
    widths[EventColumn] = std::max(widths[EventColumn], metrics.horizontalAdvance("Anniversary") + 10);
    for (int c = 0; c < ColumnCount; ++c) RemindersGrid->setColumnWidth(c, widths[c]);
    RemindersGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RemindersGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    RemindersGrid->setWordWrap(false);
    RemindersGrid->horizontalHeader()->setHighlightSections(false);
    // The narrow row header lets the user resize rows and drag them to another place.
    QHeaderView* rows = RemindersGrid->verticalHeader();
    rows->setDefaultSectionSize(RemindersGrid->fontMetrics().height() + 6);
    rows->setSectionsMovable(true);
    rows->setSectionResizeMode(QHeaderView::Interactive);
    rows->setFixedWidth(12);
    rows->setHighlightSections(false);
    RemindersGrid->viewport()->setMouseTracking(true);
    RemindersGrid->viewport()->installEventFilter(this);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RemindersLabel);
    layout->addWidget(RemindersGrid);
    layout->addLayout(buttons);

    int width = RemindersGrid->verticalHeader()->width() + 2 * RemindersGrid->frameWidth() + 20;
    for (int w : widths) width += w;
    RemindersGrid->setMinimumWidth(width);
    m_givenWindowWidth = width + layout->contentsMargins().left() + layout->contentsMargins().right();
    setFixedSize(m_givenWindowWidth, 320);
}

void TRemindersForm::prepareList()
{
    RemindersGrid->clearContents();
    RemindersGrid->setRowCount(0);
}

std::vector<TRemindersForm::Reminder> TRemindersForm::todaysReminders() const
{
    const QDate today = clock::today();
    const Dataset& contacts = *m_dm.PeopleCompanyDet;
    const int birthday = contacts.requireField("Birthday"), breminder = contacts.requireField("Breminder");
    const int anniversary = contacts.requireField("Anniversary"), areminder = contacts.requireField("Areminder");
    const int name = contacts.requireField("Name"), type = contacts.requireField("PersonType");
    const int mobile = contacts.requireField("Mobile"), email = contacts.requireField("Email1");
    const QByteArray monthDay = today.toString(QStringLiteral("MM-dd")).toLatin1();
    QByteArray scratch;
    std::vector<Reminder> found;
    auto add = [&](int row, const char* event) {
        found.push_back({shownText(contacts, row, name), shownText(contacts, row, type), QString::fromLatin1(event),
                         shownText(contacts, row, mobile), shownText(contacts, row, email)});
    };
    // Every contact once, in the dataset's order, read where it stands: nothing moves during the walk.
    const int count = contacts.recordCount();
    for (int row = 0; row < count; ++row) {
        // The birthday row comes before the anniversary row of the same contact.
        if (flagSet(contacts, row, breminder, scratch) && fallsToday(contacts, row, birthday, today, monthDay, scratch))
            add(row, "Birthday");
        if (flagSet(contacts, row, areminder, scratch) &&
            fallsToday(contacts, row, anniversary, today, monthDay, scratch))
            add(row, "Anniversary");
    }
    return found;
}

int TRemindersForm::todaysReminderCount() const { return int(todaysReminders().size()); }

void TRemindersForm::remindersCommand()
{
    prepareList();
    Dataset& contacts = *m_dm.PeopleCompanyDet;
    if (contacts.recordCount() == 0) return;
    // Going to the first contact posts a pending edit first, as any walk does.
    contacts.first();
    const std::vector<Reminder> found = todaysReminders();
    fillList(found);
    if (!found.empty())
        exec();
    else
        showInformation("No reminders for today.");
    contacts.first();
}

void TRemindersForm::fillList(const std::vector<Reminder>& reminders)
{
    RemindersGrid->setRowCount(int(reminders.size()));
    RemindersGrid->setVerticalHeaderLabels(QStringList(int(reminders.size()), QString()));
    for (int row = 0; row < int(reminders.size()); ++row) {
        const Reminder& r = reminders[size_t(row)];
        const QString cells[ColumnCount] = {QString::number(row + 1), r.name, r.type, r.event, r.mobile, r.email};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == NumberColumn) {
                item->setBackground(palette().button());
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (c == EmailColumn) item->setToolTip("Send email");
            RemindersGrid->setItem(row, c, item);
        }
    }
    // Still a window of fixed size, but wide enough for the numbers and addresses listed, as far as the screen
    // allows.
    const int lacking = contactColumnLack(MobileColumn) + contactColumnLack(EmailColumn);
    setFixedSize(sizeWithinWorkArea({m_givenWindowWidth + lacking, height()}));
    widenContactColumns();
}

int TRemindersForm::contactColumnLack(int column) const
{
    const int needed = std::max(static_cast<const QAbstractItemView*>(RemindersGrid)->sizeHintForColumn(column),
                                RemindersGrid->horizontalHeader()->sectionSizeHint(column));
    return std::max(0, needed - m_givenWidths[column]);
}

void TRemindersForm::widenContactColumns()
{
    // The mobile numbers and e-mail addresses take the room the grid has, as far as their texts need it; where
    // there is not enough, each gets a share in proportion to what it lacks.
    int others = 0;
    for (int c = 0; c < ColumnCount; ++c)
        if (c != MobileColumn && c != EmailColumn) others += RemindersGrid->columnWidth(c);
    const int room =
        RemindersGrid->viewport()->width() - others - m_givenWidths[MobileColumn] - m_givenWidths[EmailColumn];
    const int lack[] = {contactColumnLack(MobileColumn), contactColumnLack(EmailColumn)};
    const int lacking = lack[0] + lack[1];
    const int extra = std::clamp(room, 0, lacking);
    int column = MobileColumn;
    for (int l : lack) {
        RemindersGrid->setColumnWidth(column,
                                      m_givenWidths[column] + (lacking > 0 ? int(qint64(extra) * l / lacking) : 0));
        column = EmailColumn;
    }
}

int TRemindersForm::reminderCount() const { return RemindersGrid->rowCount(); }

QString TRemindersForm::cellText(int row, int column) const
{
    const QTableWidgetItem* item = RemindersGrid->item(row, column);
    return item ? item->text() : QString();
}

void TRemindersForm::sendGreeting(int row)
{
    if (row < 0 || row >= reminderCount()) return;
    const QString event = cellText(row, EventColumn);
    QString subject;
    if (event == QLatin1String("Birthday"))
        subject = QStringLiteral("Happy Birthday");
    else if (event == QLatin1String("Anniversary"))
        subject = QStringLiteral("Happy Anniversary");
    // The result is not tested.
    const QString to = cellText(row, EmailColumn);
    shellOpen(subject.isEmpty() ? mailtoLink(to) : mailtoLink(to, QStringLiteral("subject"), subject),
              ShowMode::Maximized);
}

void TRemindersForm::showEvent(QShowEvent* event)
{
    RemindersLabel->setText(QStringLiteral("Reminders for ") + dates::shortDate(clock::today()));
    centreInWorkArea(this);
    QDialog::showEvent(event);
}

bool TRemindersForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RemindersGrid->viewport()) {
        const auto type = event->type();
        if (type == QEvent::Resize) widenContactColumns();
        if (type == QEvent::MouseMove || type == QEvent::MouseButtonRelease) {
            const QModelIndex cell = RemindersGrid->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            const bool overEmail = cell.isValid() && cell.column() == EmailColumn;
            if (type == QEvent::MouseMove)
                RemindersGrid->viewport()->setCursor(overEmail ? Qt::PointingHandCursor : Qt::ArrowCursor);
            else if (overEmail)
                sendGreeting(cell.row());
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qv
