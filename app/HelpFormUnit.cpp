#include "app/HelpFormUnit.h"
#include "platform/HelpView.h"

namespace qv {

TDBHelpForm::TDBHelpForm(const QString& programFolder, QWidget* parent) : QMainWindow(parent)
{
    setObjectName("TDBHelpForm");
    setWindowTitle("Database Usage");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
    WebBrowser1 = new HelpView;
    WebBrowser1->setObjectName("WebBrowser1");
    WebBrowser1->setAccessibleName("Database Usage");
    setCentralWidget(WebBrowser1);
    resize(600, 560);
    WebBrowser1->navigate(QUrl::fromLocalFile(programFolder + "help/DBHelp.htm"));
}

void TDBHelpForm::showDatabaseUsage() { showWithoutWaiting(this); }

} // namespace qv
