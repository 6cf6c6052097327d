#include "platform/DBNavigator.h"
#include "data/Dataset.h"
#include "platform/DBGrid.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace qv {

bool deleteRecordAfterAsking(Dataset& dataset)
{
    if (!dataset.isOpen() || dataset.isEmpty()) return false;
    if (!askOkCancel(QStringLiteral("Delete record?"))) return false;
    dataset.remove();
    return true;
}

namespace {

// The buttons' pictures, drawn rather than loaded so that they stay sharp at any scale.
QIcon navigatorIcon(DBNavigator::Button button)
{
    const int side = 32; // drawn at twice the size shown
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    const QColor ink(32, 48, 96);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto triangle = [&](double tipX, double baseX) {
        QPainterPath path;
        path.moveTo(tipX, 8);
        path.lineTo(baseX, 3);
        path.lineTo(baseX, 13);
        path.closeSubpath();
        p.drawPath(path);
    };
    switch (button) {
    case DBNavigator::First:
        p.drawRect(QRectF(3, 3, 2, 10));
        triangle(6, 12);
        break;
    case DBNavigator::Prior: triangle(4.5, 11); break;
    case DBNavigator::Next: triangle(11.5, 5); break;
    case DBNavigator::Last:
        triangle(10, 4);
        p.drawRect(QRectF(11, 3, 2, 10));
        break;
    case DBNavigator::Insert:
        p.drawRect(QRectF(7, 3, 2, 10));
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case DBNavigator::Delete: p.drawRect(QRectF(3, 7, 10, 2)); break;
    case DBNavigator::Post: {
        p.setPen(QPen(QColor(20, 120, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        path.moveTo(3.5, 8.5);
        path.lineTo(6.5, 11.5);
        path.lineTo(12.5, 4.5);
        p.drawPath(path);
        break;
    }
    case DBNavigator::Cancel:
        p.setPen(QPen(QColor(170, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
        p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        break;
    case DBNavigator::Refresh: {
        p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3.5, 3.5, 9, 9), 100 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        QPainterPath head;
        head.moveTo(7.2, 1.2);
        head.lineTo(10.6, 3.8);
        head.lineTo(7.0, 5.8);
        head.closeSubpath();
        p.drawPath(head);
        break;
    }
    case DBNavigator::ButtonCount: break;
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

QString DBNavigator::hint(Button button)
{
    static const char* const hints[ButtonCount] = {"First record", "Prior record",  "Next record",
                                                   "Last record",  "Insert record", "Delete record",
                                                   "Post edit",    "Cancel edit",   "Refresh data"};
    return QString::fromLatin1(hints[button]);
}

DBNavigator::DBNavigator(Dataset* dataset, QWidget* parent) : QWidget(parent), m_dataset(dataset)
{
    setObjectName(dataset->name() + "Navigator");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < ButtonCount; ++i) {
        const auto which = Button(i);
        auto* b = new QToolButton(this);
        b->setObjectName(hint(which));
        b->setToolTip(hint(which));
        b->setAccessibleName(hint(which));
        b->setIcon(navigatorIcon(which));
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(26, 24);
        connect(b, &QToolButton::clicked, this, [this, which] { click(which); });
        row->addWidget(b);
        m_buttons[size_t(i)] = b;
    }
    row->addStretch();
    for (auto signal : {&Dataset::currentChanged, &Dataset::rowsReset, &Dataset::opened, &Dataset::closed})
        connect(dataset, signal, this, &DBNavigator::updateButtons);
    connect(dataset, &Dataset::stateChanged, this, &DBNavigator::updateButtons);
    connect(dataset, &Dataset::rowInserted, this, &DBNavigator::updateButtons);
    connect(dataset, &Dataset::rowRemoved, this, &DBNavigator::updateButtons);
    updateButtons();
}

void DBNavigator::updateButtons()
{
    const Dataset& ds = *m_dataset;
    const bool open = ds.isOpen();
    const bool writable = open && ds.tableDef();
    const bool inserting = ds.state() == DatasetState::Insert;
    const int count = ds.recordCount();
    const int row = ds.currentShownRow();
    // From a new row every stored row can be reached; from a stored row only those before or after it.
    const bool up = open && (inserting ? count > 0 : row > 0);
    const bool down = open && (inserting ? count > 0 : row >= 0 && row < count - 1);
    const bool enabled[ButtonCount] = {
        up, up, down, down, writable, writable && (count > 0 || inserting), ds.isEditing(), ds.isEditing(), open};
    for (int i = 0; i < ButtonCount; ++i) m_buttons[size_t(i)]->setEnabled(enabled[i]);
}

void DBNavigator::act(Button button)
{
    Dataset& ds = *m_dataset;
    switch (button) {
    case First: ds.first(); break;
    case Prior: ds.prior(); break;
    case Next: ds.next(); break;
    case Last: ds.last(); break;
    case Insert: ds.insert(); break;
    case Delete: deleteRecordAfterAsking(ds); break;
    case Post: ds.post(); break;
    case Cancel: ds.cancel(); break;
    case Refresh: ds.refresh(); break;
    case ButtonCount: break;
    }
}

void DBNavigator::click(Button button)
{
    const bool done = runGuarded([this, button] { act(button); });
    updateButtons();
    if (done && button == Insert && m_grid) m_grid->focusFirstCellOfCurrentRow();
}

void DBNavigator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateButtons();
}

} // namespace qv
