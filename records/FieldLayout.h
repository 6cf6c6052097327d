#pragma once
// How the record pages of the "Files" window lay their boxes out: captions beside boxes in reading order, groups
// with a title, and two caption-and-box pairs to a row where a page must fit a small screen. Every caption is its
// box's label buddy and accessible name, so that a screen reader names the box.

#include "platform/DataControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QString>

class QBoxLayout;
class QFormLayout;
class QLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QHBoxLayout;

namespace qv {
class DataSource;
}

namespace qv::fields {

// A form of caption-and-box rows, as the pages use it, made inside a widget or added to a box layout.
QFormLayout* newForm(QWidget* parent);
QFormLayout* newForm(QLayout* into);

// A caption and its box on one row, with an optional button beside the box.
void addRow(QFormLayout* form, const QString& caption, QWidget* box, QWidget* beside = nullptr);

QGroupBox* newGroup(const QString& title, const QString& name);

// A column of a page's side-by-side columns.
QVBoxLayout* column(QHBoxLayout* columns, int stretch = 1);

// "Go to URL" beside a web address box: hands the box's text, as shown and unchanged, to the desktop.
QPushButton* goToUrlButton(const QString& name, QLineEdit* box);

// Captions and boxes two pairs to a row, in reading order; a wide row takes the whole width.
class PairGrid {
public:
    explicit PairGrid(QWidget* group);
    void pair(const QString& caption, QWidget* box);
    void wide(const QString& caption, QWidget* box, QWidget* beside = nullptr);

private:
    void place(const QString& caption, QWidget* box, QWidget* beside, int column, int span);
    QGridLayout* m_grid;
    int m_row = 0;
    int m_column = 0;
};

// The columns of one postal address of a record.
struct AddressColumns {
    const char* street;
    const char* city;
    const char* state;
    const char* postalCode;
    const char* country;
    const char* postOfficeBox;
};

// A titled group with the six boxes of an address, laid out alike on every page that shows one: the street across,
// then city and state, postal code and country, and the post-office box two to a row. The state and postal-code
// boxes take options of their own (a page that edits an address upper-cases them).
QGroupBox* addressGroup(const QString& title, const QString& name, DataSource* source, const AddressColumns& columns,
                        const DBEdit::Options& boxes, const DBEdit::Options& codes);

} // namespace qv::fields
