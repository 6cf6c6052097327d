#include "bench/PlainCopy.h"

#include <QCheckBox>
#include <QDate>
#include <QLocale>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <sqlcipher/sqlite3.h>
#include <stdexcept>

namespace qv::bench {

// ---------------------------------------------------------------- raw rows

void RawRows::read(sqlite3_stmt* st)
{
    m_columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int i = 0; i < m_columns; ++i) {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            if (p) m_bytes.append(p, size_t(sqlite3_column_bytes(st, i)));
            m_ends.push_back(quint32(m_bytes.size()));
        }
    sqlite3_reset(st);
}

void RawRows::read(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    read(st);
    sqlite3_finalize(st);
}

void RawRows::clear()
{
    m_bytes.clear();
    m_ends.clear();
}

QString RawRows::text(int row, int column) const
{
    int size = 0;
    const char* p = bytes(row, column, &size);
    return QString::fromUtf8(p, size);
}

const char* RawRows::bytes(int row, int column, int* size) const
{
    const size_t cell = size_t(row) * size_t(m_columns) + size_t(column);
    const quint32 start = cell ? m_ends[cell - 1] : 0;
    *size = int(m_ends[cell] - start);
    return m_bytes.data() + start;
}

qint64 RawRows::integer(int row, int column) const
{
    int size = 0;
    const char* p = bytes(row, column, &size);
    return std::strtoll(std::string(p, size_t(size)).c_str(), nullptr, 10);
}

RawTableModel::RawTableModel(QStringList headings, QObject* parent)
    : QAbstractTableModel(parent), m_headings(std::move(headings))
{}

int RawTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.rowCount(); }

int RawTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headings.size());
}

QVariant RawTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const QString text = m_rows.text(index.row(), index.column());
    if (std::find(m_dateColumns.begin(), m_dateColumns.end(), index.column()) == m_dateColumns.end()) return text;
    return QLocale().toString(QDate::fromString(QStringView(text).left(10), Qt::ISODate), QLocale::ShortFormat);
}

QVariant RawTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal) return m_headings.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

// ---------------------------------------------------------------- the plain copy of a window

PlainCopy::PlainCopy(QWidget* window)
{
    m_window = std::make_unique<QWidget>();
    m_window->setWindowTitle(window->windowTitle());
    if (window->testAttribute(Qt::WA_SetFont)) m_window->setFont(window->font());
    m_window->resize(window->size());
    m_pairs.emplace_back(window, m_window.get());
    for (QObject* child : window->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow()) copyTree(w, m_window.get());
}

PlainCopy::~PlainCopy() = default;

QWidget* PlainCopy::copyTree(QWidget* original, QWidget* parent)
{
    QWidget* copy = nullptr;
    bool copyChildren = false;
    const size_t at = m_pairs.size();
    m_pairs.emplace_back(original, nullptr); // tree order: a widget before what it holds
    if (auto* o = qobject_cast<QTabWidget*>(original)) {
        auto* t = new QTabWidget(parent);
        t->setTabPosition(o->tabPosition());
        for (int i = 0; i < o->count(); ++i) t->addTab(copyTree(o->widget(i), nullptr), o->tabText(i));
        t->setCurrentIndex(o->currentIndex());
        copy = t;
    } else if (auto* o = qobject_cast<QTableView*>(original)) {
        auto* v = new QTableView(parent);
        v->verticalHeader()->setVisible(!o->verticalHeader()->isHidden());
        v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        v->verticalHeader()->setDefaultSectionSize(o->verticalHeader()->defaultSectionSize());
        v->horizontalHeader()->setStretchLastSection(o->horizontalHeader()->stretchLastSection());
        v->horizontalHeader()->setHighlightSections(o->horizontalHeader()->highlightSections());
        v->setSelectionBehavior(o->selectionBehavior());
        v->setSelectionMode(o->selectionMode());
        v->setWordWrap(o->wordWrap());
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
        copy = v;
    } else if (auto* o = qobject_cast<QComboBox*>(original)) {
        auto* c = new QComboBox(parent);
        c->setEditable(o->isEditable());
        QStringList items;
        for (int i = 0; i < o->count(); ++i) items << o->itemText(i);
        c->addItems(items);
        c->setCurrentIndex(o->currentIndex());
        if (o->isEditable()) c->setEditText(o->currentText());
        copy = c;
    } else if (auto* o = qobject_cast<QPlainTextEdit*>(original)) {
        auto* p = new QPlainTextEdit(parent);
        p->setPlainText(o->toPlainText());
        p->setReadOnly(o->isReadOnly());
        p->setFrameShape(o->frameShape());
        p->setVerticalScrollBarPolicy(o->verticalScrollBarPolicy());
        p->setHorizontalScrollBarPolicy(o->horizontalScrollBarPolicy());
        copy = p;
    } else if (auto* o = qobject_cast<QLineEdit*>(original)) {
        auto* e = new QLineEdit(parent);
        e->setText(o->text());
        e->setReadOnly(o->isReadOnly());
        e->setFrame(o->hasFrame());
        e->setAlignment(o->alignment());
        copy = e;
    } else if (auto* o = qobject_cast<QAbstractButton*>(original)) {
        QAbstractButton* b = nullptr;
        if (qobject_cast<QRadioButton*>(o))
            b = new QRadioButton(parent);
        else if (qobject_cast<QCheckBox*>(o))
            b = new QCheckBox(parent);
        else if (auto* tool = qobject_cast<QToolButton*>(o)) {
            auto* t = new QToolButton(parent);
            t->setAutoRaise(tool->autoRaise());
            t->setToolButtonStyle(tool->toolButtonStyle());
            b = t;
        } else {
            auto* p = new QPushButton(parent);
            p->setAutoDefault(false);
            if (auto* push = qobject_cast<QPushButton*>(o)) p->setFlat(push->isFlat());
            b = p;
        }
        b->setText(o->text());
        b->setIcon(o->icon());
        b->setIconSize(o->iconSize());
        b->setCheckable(o->isCheckable());
        b->setChecked(o->isChecked());
        copy = b;
    } else if (auto* o = qobject_cast<QLabel*>(original)) {
        auto* l = new QLabel(parent);
        l->setTextFormat(o->textFormat());
        if (!o->pixmap().isNull())
            l->setPixmap(o->pixmap());
        else
            l->setText(o->text());
        l->setAlignment(o->alignment());
        l->setWordWrap(o->wordWrap());
        copy = l;
    } else if (auto* o = qobject_cast<QGroupBox*>(original)) {
        auto* g = new QGroupBox(o->title(), parent);
        g->setFlat(o->isFlat());
        copy = g;
        copyChildren = true;
    } else if (auto* o = qobject_cast<QFrame*>(original); o && !qobject_cast<QAbstractScrollArea*>(original)) {
        auto* f = new QFrame(parent);
        f->setFrameStyle(o->frameStyle());
        copy = f;
        copyChildren = true;
    } else {
        copy = new QWidget(parent);
        copyChildren = true;
    }
    m_pairs[at].second = copy;
    copy->setGeometry(original->geometry());
    if (original->testAttribute(Qt::WA_SetFont)) copy->setFont(original->font());
    if (original->testAttribute(Qt::WA_SetPalette)) copy->setPalette(original->palette());
    copy->setAutoFillBackground(original->autoFillBackground());
    if (original->testAttribute(Qt::WA_ForceDisabled)) copy->setEnabled(false);
    if (copyChildren)
        for (QObject* child : original->children())
            if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow()) copyTree(w, copy);
    if (original->isHidden() && parent) copy->setVisible(false);
    return copy;
}

QWidget* PlainCopy::copyOf(const QWidget* original) const
{
    for (const auto& [o, c] : m_pairs)
        if (o == original) return c;
    return nullptr;
}

QTableView* PlainCopy::tableFor(const QTableView* original) const
{
    return qobject_cast<QTableView*>(copyOf(original));
}

void PlainCopy::matchColumns(const QTableView* original) const
{
    QTableView* copy = tableFor(original);
    const int n = std::min(copy->horizontalHeader()->count(), original->horizontalHeader()->count());
    for (int c = 0; c < n; ++c)
        copy->horizontalHeader()->resizeSection(c, original->horizontalHeader()->sectionSize(c));
}

namespace {

QVariant shownValue(const QWidget* w)
{
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->isEditable() ? QVariant(QVariantList{c->currentIndex(), c->currentText()})
                               : QVariant(c->currentIndex());
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->isCheckable() ? QVariant(b->isChecked()) : QVariant();
    if (auto* p = qobject_cast<const QPlainTextEdit*>(w)) return p->toPlainText();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->pixmap().isNull() ? QVariant(l->text()) : QVariant();
    if (auto* t = qobject_cast<const QTabWidget*>(w)) return t->currentIndex();
    return {};
}

// Sets what differs from what the copy shows: a plain program repaints no control whose value stayed.
void setShown(QWidget* w, const QVariant& v)
{
    if (!v.isValid()) return;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (e->text() != v.toString()) e->setText(v.toString());
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable()) {
            const QVariantList both = v.toList();
            if (c->currentIndex() != both[0].toInt()) c->setCurrentIndex(both[0].toInt());
            if (c->currentText() != both[1].toString()) c->setEditText(both[1].toString());
        } else if (c->currentIndex() != v.toInt()) {
            c->setCurrentIndex(v.toInt());
        }
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (b->isChecked() != v.toBool()) b->setChecked(v.toBool());
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        if (p->toPlainText() != v.toString()) p->setPlainText(v.toString());
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text() != v.toString()) l->setText(v.toString());
    } else if (auto* t = qobject_cast<QTabWidget*>(w)) {
        if (t->currentIndex() != v.toInt()) t->setCurrentIndex(v.toInt());
    }
}

} // namespace

ShownState PlainCopy::capture() const
{
    ShownState s;
    s.values.reserve(m_pairs.size());
    s.enabled.reserve(m_pairs.size());
    for (const auto& [o, c] : m_pairs) {
        s.values.push_back(shownValue(o));
        s.enabled.push_back(!o->testAttribute(Qt::WA_ForceDisabled));
    }
    return s;
}

void PlainCopy::apply(const ShownState& s) const
{
    for (size_t i = 0; i < m_pairs.size(); ++i) {
        QWidget* c = m_pairs[i].second;
        setShown(c, s.values[i]);
        if (c->testAttribute(Qt::WA_ForceDisabled) == s.enabled[i]) c->setEnabled(s.enabled[i]);
    }
}

} // namespace qv::bench
