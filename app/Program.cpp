#include "app/Program.h"
#include "app/MainFrameUnit.h"
#include "app/Splash.h"
#include "analysis/FiltersForm.h"
#include "analysis/LookupDataAnalysis.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"

#include <QApplication>
#include <QScreen>
#include <QDir>
#include <QFileInfo>

namespace qv {

Program::Program(const QString& executablePath)
{
    m_folder = QDir::toNativeSeparators(QFileInfo(executablePath).absolutePath());
    if (!m_folder.endsWith(QDir::separator())) m_folder += QDir::separator();
}

Program::~Program()
{
    // Every window and the data module go with the program; the connection closes with the data module.
    delete m_filters;
    delete m_form1;
    delete m_dataModule;
    delete m_splash;
}

QString Program::connectionStringFor(const QString& folder)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") + folder +
           QStringLiteral("Quorvane.qv;Mode=Share Deny None;Jet OLEDB:Database Password=\"QvLtR\";");
}

void Program::createWindows()
{
    m_form1 = new TForm1;
    m_dataModule = new TMainDataModule;
    m_filters = new TFilters(*m_dataModule);
}

void Program::createLateWindows() {}

void Program::wireMenu()
{
    TMainDataModule& dm = *m_dataModule;
    m_form1->wire(m_form1->LookupDataAnalysisItem, [&dm] { runLookupDataAnalysis(dm); });
    m_form1->wire(m_form1->FiltersItem, [this] {
        if (m_dataModule->PeopleCompanyDet->recordCount() == 0) {
            showInformation("The database is empty.");
            return;
        }
        m_filters->ShowModal();
    });
}

bool Program::start()
{
    m_splash = new TSplashForm;
    QApplication::setApplicationName("Quorvane PRO 2005");
    QApplication::setApplicationDisplayName("Quorvane PRO 2005");
    m_splash->show(); // runs the display check
    m_splash->repaint();
    QApplication::processEvents();
    try {
        createWindows();
        Connection* connection = m_dataModule->MainADOConnection;
        connection->close();
        connection->setConnectionString(connectionStringFor(m_folder));
        connection->setLoginPrompt(false);
        connection->open();
        m_dataModule->openAll(true);
        createLateWindows();
        wireMenu();
    } catch (const DatabaseError& e) {
        m_splash->hide();
        showError(e.message());
        return false;
    } catch (const std::exception& e) {
        m_splash->hide();
        showError(QString::fromLocal8Bit(e.what()));
        return false;
    }
    m_splash->hide();
    delete m_splash;
    m_splash = nullptr;
    return true;
}

int Program::run()
{
    // Fill the screen even where no window manager honours "maximized".
    if (const QScreen* screen = QGuiApplication::primaryScreen()) m_form1->setGeometry(screen->availableGeometry());
    m_form1->showMaximized();
    // A request to end made while starting (a failed display check) takes effect as soon as the loop begins.
    if (programEndRequested())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    return QApplication::exec();
}

} // namespace qv
