#pragma once
// The cell kinds of the data grid. Typed cells write each keystroke through to the dataset, as the data-aware
// edit boxes do, so that whatever posts the row (a move, the navigator, closing a window) posts what is shown.

#include <QStyledItemDelegate>
#include <functional>

class QAbstractItemView;
class QLineEdit;

namespace qv {

class DatasetModel;

// Free text up to the field's width; in a whole-number column, only the characters of a whole number.
class TextCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TextCellDelegate(DatasetModel* model, bool wholeNumber, QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    // Limits and filters what can be typed into a cell of the column, and writes every change through.
    void prepare(QLineEdit* edit, const QModelIndex& index) const;
    void write(const QModelIndex& index, const QString& text) const;
    DatasetModel* m_model;
    bool m_wholeNumber;
};

// A pick list: one of the entries, or any other text; `visible` entries are shown at once.
class PickListDelegate : public TextCellDelegate {
    Q_OBJECT
public:
    PickListDelegate(DatasetModel* model, const QStringList& entries, int visible, QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    QStringList m_entries;
    int m_visible;
};

// A cell that cannot be typed into, with a small button in the current row that runs a command (a date picker,
// a file chooser, opening a file).
class ButtonCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ButtonCellDelegate(QAbstractItemView* view, std::function<void()> command, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    // Where the button sits in a cell.
    static QRect buttonRect(const QRect& cell);
    void press() const; // runs the command; errors reach the standard error box

private:
    bool hasButton(const QModelIndex& index) const;
    QAbstractItemView* m_view;
    std::function<void()> m_command;
};

} // namespace qv
