#include "app/About.h"
#include "app/Artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("TAboutForm");
    setWindowTitle("About Quorvane PRO 2005");
    // No close box: "OK" closes it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    QLabel* banner = artwork::bannerLabel();
    OKBtn = new QPushButton("OK");
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    auto* v = new QVBoxLayout(this);
    v->addWidget(banner);
    v->addLayout(buttons);
    v->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace qv
