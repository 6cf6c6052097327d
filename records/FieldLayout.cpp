#include "records/FieldLayout.h"
#include "platform/ShellOpen.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::fields {

QFormLayout* newForm(QWidget* parent)
{
    auto* f = new QFormLayout(parent);
    f->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    f->setRowWrapPolicy(QFormLayout::DontWrapRows);
    f->setLabelAlignment(Qt::AlignLeft);
    f->setVerticalSpacing(3);
    f->setContentsMargins(6, 4, 6, 4);
    return f;
}

QFormLayout* newForm(QLayout* into)
{
    auto* f = newForm(static_cast<QWidget*>(nullptr));
    f->setContentsMargins(0, 0, 0, 0);
    static_cast<QBoxLayout*>(into)->addLayout(f);
    return f;
}

void addRow(QFormLayout* form, const QString& caption, QWidget* box, QWidget* beside)
{
    auto* label = new QLabel(caption);
    label->setBuddy(box);
    box->setAccessibleName(caption);
    if (!beside) {
        form->addRow(label, box);
        return;
    }
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(box, 1);
    row->addWidget(beside);
    form->addRow(label, row);
}

QGroupBox* newGroup(const QString& title, const QString& name)
{
    auto* g = new QGroupBox(title);
    g->setObjectName(name);
    return g;
}

QVBoxLayout* column(QHBoxLayout* columns, int stretch)
{
    auto* v = new QVBoxLayout;
    v->setSpacing(4);
    columns->addLayout(v, stretch);
    return v;
}

QPushButton* goToUrlButton(const QString& name, QLineEdit* box)
{
    auto* b = new QPushButton("Go to URL");
    b->setObjectName(name);
    b->setAccessibleName("Go to URL of " + box->accessibleName());
    b->setAutoDefault(false);
    // Neither checked nor completed: the desktop makes of the text what it can, and a failure shows nothing.
    QObject::connect(b, &QPushButton::clicked, b, [box] { shellOpen(box->text(), ShowMode::Normal); });
    return b;
}

PairGrid::PairGrid(QWidget* group) : m_grid(new QGridLayout(group))
{
    m_grid->setContentsMargins(6, 4, 6, 4);
    m_grid->setVerticalSpacing(3);
    m_grid->setColumnStretch(1, 1);
    m_grid->setColumnStretch(3, 1);
}

void PairGrid::pair(const QString& caption, QWidget* box)
{
    place(caption, box, nullptr, m_column * 2, 1);
    m_column ^= 1;
    if (m_column == 0) ++m_row;
}

void PairGrid::wide(const QString& caption, QWidget* box, QWidget* beside)
{
    if (m_column) {
        m_column = 0;
        ++m_row;
    }
    place(caption, box, beside, 0, 3);
    ++m_row;
}

void PairGrid::place(const QString& caption, QWidget* box, QWidget* beside, int column, int span)
{
    auto* label = new QLabel(caption);
    label->setBuddy(box);
    box->setAccessibleName(caption);
    m_grid->addWidget(label, m_row, column);
    if (!beside) {
        m_grid->addWidget(box, m_row, column + 1, 1, span);
        return;
    }
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    row->addWidget(box, 1);
    row->addWidget(beside);
    m_grid->addLayout(row, m_row, column + 1, 1, span);
}

QGroupBox* addressGroup(const QString& title, const QString& name, DataSource* source, const AddressColumns& columns,
                        const DBEdit::Options& boxes, const DBEdit::Options& codes)
{
    QGroupBox* group = newGroup(title, name);
    PairGrid address(group);
    address.wide("Street", new DBEdit(source, columns.street, boxes));
    address.pair("City", new DBEdit(source, columns.city, boxes));
    address.pair("State/Province", new DBEdit(source, columns.state, codes));
    address.pair("Postal/ZIP", new DBEdit(source, columns.postalCode, codes));
    address.pair("Country", new DBEdit(source, columns.country, boxes));
    address.pair("P.O. box", new DBEdit(source, columns.postOfficeBox, boxes));
    return group;
}

} // namespace qv::fields
