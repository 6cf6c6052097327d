#include "platform/RecordToolbar.h"
#include "data/Dataset.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"

#include <QHBoxLayout>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace qv {

namespace {

// A record sheet with a green plus (a new one) or a red minus (deleting it). The style's own file and trash
// pictures are drawn in pale grey and read as disabled beside the coloured buttons around them.
QIcon recordSheetIcon(bool adding)
{
    const int side = 40; // drawn at twice the size shown
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 20.0, side / 20.0);
    const QColor ink(32, 48, 96);
    QPainterPath sheet;
    sheet.moveTo(3.5, 1.5);
    sheet.lineTo(11.5, 1.5);
    sheet.lineTo(15.5, 5.5);
    sheet.lineTo(15.5, 17.5);
    sheet.lineTo(3.5, 17.5);
    sheet.closeSubpath();
    p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawPolyline(QPolygonF{QPointF(11.5, 1.5), QPointF(11.5, 5.5), QPointF(15.5, 5.5)});
    p.setPen(QPen(QColor(120, 135, 170), 1));
    for (double y : {8.5, 11.0, 13.5}) p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
    const QColor badge = adding ? QColor(30, 140, 50) : QColor(200, 30, 30);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(badge);
    p.drawEllipse(QPointF(14.5, 14.5), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(11.5, 13.7, 6, 1.6));
    if (adding) p.drawRect(QRectF(13.7, 11.5, 1.6, 6));
    return QIcon(pixmap);
}

// The style's icons are read from image files each time they are asked for; every window's toolbar asks for the
// same few, so each is read once per style. They go with the style, so that another style made later (even at the
// same address) reads its own, and none outlives the application.
QIcon styleIcon(const QStyle* style, QStyle::StandardPixmap which)
{
    static const QStyle* readFrom = nullptr;
    static QHash<int, QIcon> icons;
    if (style != readFrom) {
        icons.clear();
        readFrom = style;
        QObject::connect(style, &QObject::destroyed, [] {
            icons.clear();
            readFrom = nullptr;
        });
    }
    auto found = icons.constFind(int(which));
    if (found == icons.constEnd()) found = icons.insert(int(which), style->standardIcon(which));
    return *found;
}

} // namespace

QToolButton* hintedButton(const QString& hint, QStyle::StandardPixmap icon, std::function<void()> command,
                          QWidget* parent)
{
    auto* b = hintedButton(hint, QIcon(), std::move(command), parent);
    b->setIcon(styleIcon(b->style(), icon));
    return b;
}

QToolButton* hintedButton(const QString& hint, const QIcon& icon, std::function<void()> command, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(hint);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setIcon(icon);
    b->setAutoRaise(true);
    b->setIconSize(QSize(20, 20));
    b->setFocusPolicy(Qt::TabFocus);
    QObject::connect(b, &QToolButton::clicked, b, [command = std::move(command)] { runGuarded(command); });
    return b;
}

RecordToolbar::RecordToolbar(Dataset* dataset, const std::vector<PageButton>& pageButtons, QWidget* parent)
    : QWidget(parent), m_dataset(dataset)
{
    setObjectName(dataset->name() + "Toolbar");
    auto* bar = new QHBoxLayout(this);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(1);
    bar->addWidget(hintedButton(
        "New record", recordSheetIcon(true), [this] { newRecord(); }, this));
    bar->addWidget(hintedButton(
        "Delete record", recordSheetIcon(false), [this] { deleteRecord(); }, this));
    bar->addWidget(hintedButton(
        "Delete all records", QStyle::SP_DialogDiscardButton, [this] { deleteAllRecords(); }, this));
    bar->addWidget(hintedButton(
        "Save record", QStyle::SP_DialogSaveButton, [this] { saveRecord(); }, this));
    bar->addWidget(hintedButton(
        "Discard changes", QStyle::SP_DialogCancelButton, [this] { discardChanges(); }, this));
    bar->addWidget(hintedButton(
        "Refresh", QStyle::SP_BrowserReload, [this] { refresh(); }, this));
    bar->addSpacing(8);
    for (const PageButton& b : pageButtons) bar->addWidget(hintedButton(b.hint, b.icon, b.command, this));
    bar->addSpacing(8);
    bar->addWidget(hintedButton(
        "First record", QStyle::SP_MediaSkipBackward, [this] { firstRecord(); }, this));
    bar->addWidget(hintedButton(
        "Prior record", QStyle::SP_MediaSeekBackward, [this] { priorRecord(); }, this));
    bar->addWidget(hintedButton(
        "Next record", QStyle::SP_MediaSeekForward, [this] { nextRecord(); }, this));
    bar->addWidget(hintedButton(
        "Last record", QStyle::SP_MediaSkipForward, [this] { lastRecord(); }, this));
    bar->addStretch();
}

QToolButton* RecordToolbar::button(const QString& hint) const
{
    return findChild<QToolButton*>(hint, Qt::FindDirectChildrenOnly);
}

void RecordToolbar::recordShown()
{
    if (onRecordShown) onRecordShown();
}

void RecordToolbar::focusSearch()
{
    if (onFocusSearch) onFocusSearch();
}

void RecordToolbar::newRecord()
{
    // insert posts the pending edit first; the new row belongs to the master's current row through the link.
    m_dataset->insert();
    recordShown();
    focusSearch();
}

void RecordToolbar::deleteRecord()
{
    if (m_dataset->recordCount() == 0) {
        showInformation("The database is empty.");
        return;
    }
    if (askYesNo("This will delete the current record. Proceed?")) m_dataset->remove();
    recordShown();
    focusSearch();
}

void RecordToolbar::deleteAllRecords()
{
    Dataset* ds = m_dataset;
    const int count = ds->recordCount();
    if (askYesToAll("This will delete ALL records in your database. Proceed?")) {
        // As many records as were counted before the question, from the first, in one transaction without a disk
        // sync per row and in as few statements as their rowids allow. What was deleted before a failure stays
        // deleted, as it would one row at a time.
        ds->removeAll(count);
    }
    recordShown();
}

void RecordToolbar::saveRecord()
{
    m_dataset->post();
    recordShown();
    focusSearch();
}

void RecordToolbar::discardChanges()
{
    m_dataset->cancel();
    recordShown();
}

void RecordToolbar::refresh()
{
    m_dataset->refresh();
    recordShown();
}

void RecordToolbar::move(void (Dataset::*step)())
{
    try {
        (m_dataset->*step)();
        recordShown();
    } catch (const std::exception&) {
        // A move refused by a rule, or failed, leaves the record where it was and says nothing.
    }
    focusSearch();
}

void RecordToolbar::firstRecord() { move(&Dataset::first); }
void RecordToolbar::priorRecord() { move(&Dataset::prior); }
void RecordToolbar::nextRecord() { move(&Dataset::next); }
void RecordToolbar::lastRecord() { move(&Dataset::last); }

} // namespace qv
