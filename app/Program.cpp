#include "app/Program.h"
#include "activities/CalendarUnit.h"
#include "activities/FollowUp.h"
#include "activities/Reminders.h"
#include "app/About.h"
#include "app/BackupRestore.h"
#include "app/HelpFormUnit.h"
#include "app/MainFrameUnit.h"
#include "app/SelectCompany.h"
#include "app/Splash.h"
#include "app/TaxUnit.h"
#include "analysis/RetailForm.h"
#include "analysis/FiltersForm.h"
#include "analysis/LookupDataAnalysis.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/UnfinishedWork.h"
#include "import/CalendarExport.h"
#include "import/ContactExport.h"
#include "import/CsvImport.h"
#include "import/MailClientImport.h"
#include "import/OtherCsvImport.h"
#include "import/VCardFileImport.h"
#include "platform/Accessibility.h"
#include "platform/GuardedApplication.h"
#include "platform/MailAddressBook.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/WorkProgress.h"
#include "records/AccountsPage.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "reports/AccountReportUnit.h"
#include "reports/QVPersons.h"

#include <QAction>
#include <QApplication>
#include <QProgressDialog>
#include <QTimer>
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
    destroyPickDateForm();
    delete m_dbHelp;
    delete m_tax;
    delete m_accountReport;
    delete m_calendar;
    delete m_about;
    delete m_help;
    delete m_followUp;
    delete m_reminders;
    delete m_dataEntry;
    delete m_retail;
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
    m_reminders = new TRemindersForm(*m_dataModule);
    m_dataEntry = new TDataEntryForm(*m_dataModule);
    m_followUp = new TFollowUpForm(*m_dataModule);
    m_filters = new TFilters(*m_dataModule);
    m_help = new THelpForm(m_folder);
    m_about = new TAboutForm;
    m_calendar = new TCalendarForm(*m_dataModule);
    m_accountReport = new TAccountReportForm(*m_dataModule);
    m_tax = new TTaxForm(*m_dataModule);
    m_dbHelp = new TDBHelpForm(m_folder);
}

void Program::createLateWindows()
{
    // It opens its own answers dataset, so it needs the connection.
    m_retail = new TRetail(*m_dataModule);
    pickDateForm();
}

void Program::showPersonality() { m_retail->showForCurrentContact(); }

void Program::printContactReport()
{
    qv::printContactReport(*m_dataModule, [this] { return m_retail->prepareAndCalculate(); });
}

void Program::wireCommand(QAction* item, std::function<void()> command)
{
    m_form1->wire(item, [this, command = std::move(command)] {
        if (m_started) return command();
        // Chosen while the rows are still being read: it runs once start-up is over, and a box says why it waits.
        m_pendingCommand = command;
        const int showAfterMs = WorkProgress::timing().showAfterMs;
        if (showAfterMs == 0) return showStartupWait();
        QTimer::singleShot(showAfterMs, m_form1, [this] { showStartupWait(); });
    });
}

void Program::showStartupWait()
{
    if (m_started || !m_pendingCommand || m_startupWait) return;
    m_startupWait = new QProgressDialog(QStringLiteral("Reading the database..."), QString(), 0, 0, m_form1);
    m_startupWait->setObjectName("StartupWait");
    m_startupWait->setWindowTitle(QStringLiteral("Quorvane PRO 2005"));
    m_startupWait->setWindowModality(Qt::ApplicationModal);
    m_startupWait->setMinimumDuration(0);
    m_startupWait->show();
}

std::function<void()> Program::endStartupWait()
{
    delete m_startupWait;
    m_startupWait = nullptr;
    return std::exchange(m_pendingCommand, nullptr);
}

void Program::wireMenu()
{
    // Wired before the rows are read and the windows made: each command needs them, and waits for them.
    TForm1& f = *m_form1;
    wireCommand(f.AccountsItem, [this] { m_dataEntry->showAccountsPage(); });
    wireCommand(f.PersonalInfoItem, [this] { m_dataEntry->showContactsPage(0); });
    wireCommand(f.BusinessInfoItem, [this] { m_dataEntry->showContactsPage(1); });
    wireCommand(f.MarketingInfoItem, [this] { m_dataEntry->showContactsPage(2); });
    wireCommand(f.LookupDataAnalysisItem, [this] { runLookupDataAnalysis(*m_dataModule); });
    wireCommand(f.FiltersItem, [this] { m_dataEntry->filtersCommand(); });
    wireCommand(f.FollowUpItem, [this] { m_dataEntry->followUpCommand(); });
    wireCommand(f.CalendarItem, [this] { m_calendar->ShowModal(); });
    wireCommand(f.RemindersItem, [this] { m_reminders->remindersCommand(); });
    wireCommand(f.ImportAccountsItem, [this] { importAccountsFromCsv(*m_dataModule); });
    wireCommand(f.ImportOutlookItem, [this] { BitBtn1Click(*m_dataModule); });
    wireCommand(f.ImportCsvItem, [this] { SpeedButton14Click(*m_dataModule); });
    wireCommand(f.ImportVCardItem, [this] { importContactsFromVCardFile(*m_dataModule); });
    wireCommand(f.ImportOtherCsvItem, [this] { importContactsFromOtherCsvFile(*m_dataModule); });
    wireCommand(f.ExportVCardItem, [this] { exportContactsToVCardFile(*m_dataModule); });
    wireCommand(f.ExportContactsCsvItem, [this] { exportContactsToCsvFile(*m_dataModule); });
    wireCommand(f.ExportAccountsCsvItem, [this] { exportAccountsToCsvFile(*m_dataModule); });
    wireCommand(f.ExportCalendarItem, [this] { exportCalendarToICalendarFile(*m_dataModule); });
    const QString database = m_folder + QStringLiteral("Quorvane.qv");
    wireCommand(f.BackupItem, [this, database] { backupDatabase(*m_dataModule->MainADOConnection, database); });
    wireCommand(f.RestoreItem, [this, database] { restoreDatabase(*m_dataModule->MainADOConnection, database); });
    wireCommand(f.HelpItem, [this] { m_dataEntry->helpCommand(); });
    wireCommand(f.AboutItem, [this] { m_about->ShowModal(); });
}

void Program::wireWindows()
{
    TDataEntryForm* files = m_dataEntry;
    files->onPersonality = [this] { showPersonality(); };
    files->onContactReport = [this] { printContactReport(); };
    files->onShowFilters = [this] { m_filters->ShowModal(); };
    files->onShowFollowUp = [this] { m_followUp->ShowModal(); };
    files->onHelp = [this] { m_help->showHelp(); };
    TMainDataModule& dm = *m_dataModule;
    m_filters->exportCommand = [&dm](const std::vector<int>& positions, TFilters::ExportKind kind) {
        runGuarded([&] {
            if (kind == TFilters::ExportKind::VCard)
                exportContactsToVCardFile(dm, positions);
            else
                exportContactsToCsvFile(dm, positions);
        });
    };

    AccountsPage* accounts = files->Accounts;
    accounts->onTaxInformation = [this] { m_tax->ShowModal(); };
    accounts->onReport = [this] { m_accountReport->previewCurrent(); };
    m_tax->onSave = [accounts] { accounts->saveRecord(); };
    m_tax->onDiscard = [accounts] { accounts->discardChanges(); };

    // The grids' windows each have a "Database Usage" button.
    auto databaseUsage = [this] { m_dbHelp->showDatabaseUsage(); };
    accounts->onDatabaseUsage = databaseUsage;
    m_calendar->onDatabaseUsage = databaseUsage;
    m_followUp->onDatabaseUsage = databaseUsage;
}

bool Program::start()
{
    m_splash = new TSplashForm;
    // The program's name for the desktop. No display name: the toolkit would append it to every window's caption.
    QApplication::setApplicationName("Quorvane PRO 2005");
    installAccessibility();
    m_splash->show(); // runs the display check
    m_splash->repaint();
    QApplication::processEvents();
    try {
        m_form1 = new TForm1;
        m_dataModule = new TMainDataModule;
        Connection* connection = m_dataModule->MainADOConnection;
        connection->close();
        connection->setConnectionString(connectionStringFor(m_folder));
        tidyAfterKilledWork(*connection);
        connection->open();
        // The rows are read on a thread of their own from here, while the main window shows and the other windows
        // are made: the main window shows none of them.
        QObject::connect(m_dataModule, &TMainDataModule::rowsRead, m_form1, [this] { m_rowsRead = true; });
        m_dataModule->startReadingAll();
        wireMenu();
        if (!programEndRequested()) {
            showMainWindow();
            m_form1->repaint();
            m_splash->hide();
        }
        createWindows();
        wireWindows();
        while (!m_rowsRead) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_dataModule->openAllRead();
        createLateWindows();
    } catch (const std::exception& e) {
        endStartupWait();
        if (m_form1) m_form1->hide();
        m_splash->hide();
        const auto* database = dynamic_cast<const DatabaseError*>(&e);
        showError(database ? database->message() : QString::fromLocal8Bit(e.what()));
        return false;
    }
    m_splash->hide();
    delete m_splash;
    m_splash = nullptr;
    m_started = true;
    // A command chosen meanwhile runs now, from the event loop.
    if (std::function<void()> command = endStartupWait())
        QMetaObject::invokeMethod(
            m_form1, [command] { runGuarded(command); }, Qt::QueuedConnection);
    return true;
}

void Program::tidyAfterKilledWork(const Connection& connection)
{
    // A backup, restore or mail import killed halfway: its copies go, and a set-aside database comes back.
    const QString told = tidyAfterInterruptedWork(connection.dataSource(), connection.password());
    removeLeftoverBookCopies();
    if (!told.isEmpty()) showWarningOk(told);
}

void Program::warnOnceIfUnwritable()
{
    // The program still runs for reading; the user hears why saves would fail once the main window is up.
    const QString problem = m_dataModule->MainADOConnection->writeProblem();
    if (problem.isEmpty()) return;
    QMetaObject::invokeMethod(
        m_form1, [problem] { showWarningOk(problem); }, Qt::QueuedConnection);
}

void Program::showMainWindow()
{
    // Fill the screen even where no window manager honours "maximized"; a window manager maximizes it over this.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) m_form1->setGeometry(screen->availableGeometry());
    m_form1->showMaximized();
}

int Program::run()
{
    if (!m_form1->isVisible()) showMainWindow();
    warnOnceIfUnwritable();
    // A request to end made while starting (a failed display check) takes effect as soon as the loop begins.
    if (programEndRequested())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    return QApplication::exec();
}

} // namespace qv
