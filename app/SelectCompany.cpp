#include "app/SelectCompany.h"
#include "app/Artwork.h"
#include "platform/HelpView.h"
#include "platform/ShellOpen.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

THelpForm::THelpForm(const QString& programFolder, QWidget* parent) : QMainWindow(parent), m_folder(programFolder)
{
    setObjectName("THelpForm");
    setWindowTitle("Quorvane PRO 2005 Help");
    // No close box: "OK" closes it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    QLabel* banner = artwork::bannerLabel();
    OKBtn = new QPushButton("OK");
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QWidget::close);
    auto* top = new QHBoxLayout;
    top->addWidget(banner);
    top->addStretch();
    top->addWidget(OKBtn, 0, Qt::AlignBottom);

    WebBrowser1 = new HelpView;
    WebBrowser1->setObjectName("WebBrowser1");
    WebBrowser1->setAccessibleName("Quorvane PRO 2005 Help");
    WebBrowser1->beforeNavigate = [this](const QUrl& url) { return WebBrowser1BeforeNavigate2(url); };

    auto* content = new QWidget;
    auto* v = new QVBoxLayout(content);
    v->addLayout(top);
    v->addWidget(WebBrowser1, 1);
    setCentralWidget(content);
    resize(640, 600);
}

QUrl THelpForm::startPage() const { return QUrl::fromLocalFile(m_folder + "help/Help.htm"); }

void THelpForm::showHelp() { showWithoutWaiting(this); }

void THelpForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Every showing starts from the start page, wherever the user had gone.
    WebBrowser1->navigate(startPage());
    OKBtn->setFocus();
}

bool THelpForm::WebBrowser1BeforeNavigate2(const QUrl& url)
{
    // The whole address, letter case included: other pages of the same site open here.
    if (url.toString() != QLatin1String(artwork::MakerWebAddress)) return false;
    shellOpen(url.toString(), ShowMode::Normal);
    return true;
}

} // namespace qv
