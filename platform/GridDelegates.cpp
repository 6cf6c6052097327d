#include "platform/GridDelegates.h"
#include "platform/DatasetModel.h"
#include "platform/GuardedApplication.h"
#include "platform/WholeNumberEntry.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace qv {

namespace {

bool integerField(const DatasetModel* model, const QModelIndex& index)
{
    const Dataset* ds = model->dataset();
    const ColumnType t = ds->fieldType(ds->requireField(model->column(index.column()).field));
    return t == ColumnType::Integer;
}

} // namespace

// ================================================================ TextCellDelegate

TextCellDelegate::TextCellDelegate(DatasetModel* model, bool wholeNumber, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model), m_wholeNumber(wholeNumber)
{}

void TextCellDelegate::prepare(QLineEdit* edit, const QModelIndex& index) const
{
    const int width = m_model->dataset()->declaredWidth(m_model->column(index.column()).field);
    if (width > 0) edit->setMaxLength(width);
    if (m_wholeNumber || integerField(m_model, index)) {
        acceptWholeNumbersOnly(edit);
        edit->setAlignment(Qt::AlignRight);
    }
    const QPersistentModelIndex cell(index);
    connect(edit, &QLineEdit::textEdited, this, [this, cell](const QString& text) {
        if (cell.isValid()) write(cell, text);
    });
}

void TextCellDelegate::write(const QModelIndex& index, const QString& text) const
{
    // A lone minus sign is a whole number still being typed.
    if (text == QLatin1String("-") && (m_wholeNumber || integerField(m_model, index))) return;
    // Called from the editor's own signals and its commit: a box shown now would take the focus from the editor,
    // which the view then closes and deletes under the caller's feet.
    try {
        m_model->setCellText(index, text);
    } catch (const std::exception& e) {
        reportErrorLater(e);
    }
}

QWidget* TextCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    prepare(edit, index);
    return edit;
}

void TextCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* edit = static_cast<QLineEdit*>(editor);
    // The echo of a keystroke written through must not move the cursor.
    const QString text = index.data(Qt::EditRole).toString();
    if (edit->text() != text) edit->setText(text);
}

void TextCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    write(index, static_cast<QLineEdit*>(editor)->text());
}

// ================================================================ PickListDelegate

PickListDelegate::PickListDelegate(DatasetModel* model, const QStringList& entries, int visible, QObject* parent)
    : TextCellDelegate(model, false, parent), m_entries(entries), m_visible(visible)
{}

QWidget* PickListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr); // an inline completion would put text the user did not type into the field
    box->addItems(m_entries);
    box->setMaxVisibleItems(std::max(1, m_visible));
    box->setCurrentIndex(-1);
    prepare(box->lineEdit(), index);
    const QPersistentModelIndex cell(index);
    connect(box, &QComboBox::activated, this, [this, box, cell](int entry) {
        if (cell.isValid() && entry >= 0) write(cell, box->itemText(entry));
    });
    return box;
}

void PickListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* box = static_cast<QComboBox*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    if (box->currentText() != text) box->setEditText(text);
}

void PickListDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    write(index, static_cast<QComboBox*>(editor)->currentText());
}

// ================================================================ ButtonCellDelegate

ButtonCellDelegate::ButtonCellDelegate(QAbstractItemView* view, std::function<void()> command, QObject* parent)
    : QStyledItemDelegate(parent), m_view(view), m_command(std::move(command))
{}

QRect ButtonCellDelegate::buttonRect(const QRect& cell)
{
    const int w = std::min(cell.width(), std::max(16, cell.height()));
    return QRect(cell.right() - w + 1, cell.top(), w, cell.height());
}

bool ButtonCellDelegate::hasButton(const QModelIndex& index) const
{
    return m_view->isEnabled() && m_view->currentIndex().isValid() && m_view->currentIndex().row() == index.row();
}

void ButtonCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!hasButton(index)) return;
    QStyleOptionButton button;
    button.rect = buttonRect(option.rect);
    button.text = QStringLiteral("...");
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    button.palette = option.palette;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
}

bool ButtonCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (release || event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && hasButton(index) &&
            buttonRect(option.rect).contains(mouse->position().toPoint())) {
            if (release) press();
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

void ButtonCellDelegate::press() const
{
    if (m_command) runGuarded(m_command);
}

} // namespace qv
