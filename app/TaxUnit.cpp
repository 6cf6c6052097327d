#include "app/TaxUnit.h"
#include "data/DataModule.h"
#include "platform/DataControls.h"
#include "platform/GuardedApplication.h"
#include "records/FieldLayout.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

using namespace fields;

TTaxForm::TTaxForm(TMainDataModule& dm, QWidget* parent) : QDialog(parent)
{
    setObjectName("TTaxForm");
    setWindowTitle("Tax Information");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_account = new DataSource(dm.AccountsTable, this);
    DataSource* s = m_account;
    const DBEdit::Options upper{.upperCase = true};

    auto* local = new QGroupBox("Local address");
    local->setObjectName("LocalAddressGroup");
    QFormLayout* lf = newForm(local);
    addRow(lf, "Street", new DBEdit(s, "LocalStreet"));
    addRow(lf, "City", new DBEdit(s, "LocalCity"));
    addRow(lf, "State/Province", new DBEdit(s, "LocalState", upper));
    addRow(lf, "Postal/ZIP", new DBEdit(s, "LocalPostalCode", upper));
    addRow(lf, "Country", new DBEdit(s, "LocalCountry"));
    addRow(lf, "P.O. box", new DBEdit(s, "LocalPostOfficeBox"));

    auto* v = new QVBoxLayout(this);
    v->addWidget(local);
    QFormLayout* tax = newForm(v);
    addRow(tax, "Tax registration number", new DBEdit(s, "TaxRegNo"));
    addRow(tax, "Tax authority service", new DBEdit(s, "TaxAuthService"));

    OKBtn = new QPushButton("OK");
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel");
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &TTaxForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TTaxForm::CancelBtnClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    v->addLayout(buttons);

    // The two forms read as one: their captions share one width.
    int captionWidth = 0;
    const QList<QLabel*> captions = findChildren<QLabel*>();
    for (QLabel* c : captions) captionWidth = std::max(captionWidth, c->sizeHint().width());
    for (QLabel* c : captions) c->setMinimumWidth(captionWidth);
    // The group's frame indents its rows: the tax rows move in by as much, on both sides.
    const int inset = lf->contentsMargins().left() + local->contentsMargins().left() + 1;
    tax->setContentsMargins(inset, 0, inset, 0);
    resize(440, sizeHint().height());
}

void TTaxForm::ShowModal() { exec(); }

void TTaxForm::OKBtnClick()
{
    // A refused or failed save has said what it has to say; the window closes in any case.
    if (onSave) runGuarded(onSave);
    accept();
}

void TTaxForm::CancelBtnClick()
{
    if (onDiscard) runGuarded(onDiscard);
    reject();
}

} // namespace qv
