#include "app/Program.h"
#include "activities/CalendarUnit.h"
#include "activities/DesktopAlerts.h"
#include "activities/FollowUp.h"
#include "activities/Reminders.h"
#include "app/About.h"
#include "app/BackupRestore.h"
#include "app/DatabaseLocation.h"
#include "app/HelpFormUnit.h"
#include "app/MainFrameUnit.h"
#include "app/SelectCompany.h"
#include "app/Splash.h"
#include "app/TaxUnit.h"
#include "analysis/RetailForm.h"
#include "analysis/DuplicatesForm.h"
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
#include "platform/NoticeBanner.h"
#include "platform/ProgramEnd.h"
#include "records/AccountsPage.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "reports/AccountReportUnit.h"
#include "reports/QVPersons.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTimer>
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
    // The windows and the data module go in the reverse of their creation (the members' order), windows before
    // the data module they show; the connection closes with the data module.
    destroyPickDateForm();
}

QString Program::connectionStringFor(const QString& folder)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") + folder +
           QStringLiteral("Quorvane.qv;Mode=Share Deny None;Jet OLEDB:Database Password=\"QvLtR\";");
}

void Program::createWindows()
{
    m_form1 = std::make_unique<TForm1>();
    m_dataModule = std::make_unique<TMainDataModule>();
    m_reminders = std::make_unique<TRemindersForm>(*m_dataModule);
    m_dataEntry = std::make_unique<TDataEntryForm>(*m_dataModule);
    m_followUp = std::make_unique<TFollowUpForm>(*m_dataModule);
    m_filters = std::make_unique<TFilters>(*m_dataModule);
    m_help = std::make_unique<THelpForm>(m_folder);
    m_about = std::make_unique<TAboutForm>();
    m_calendar = std::make_unique<TCalendarForm>(*m_dataModule);
    m_accountReport = std::make_unique<TAccountReportForm>(*m_dataModule);
    m_tax = std::make_unique<TTaxForm>(*m_dataModule);
    m_dbHelp = std::make_unique<TDBHelpForm>(m_folder);
    m_duplicates = std::make_unique<TDuplicatesForm>(*m_dataModule);
}

void Program::createLateWindows()
{
    // It opens its own answers dataset, so it needs the connection.
    m_retail = std::make_unique<TRetail>(*m_dataModule);
    pickDateForm();
}

void Program::showPersonality() { m_retail->showForCurrentContact(); }

void Program::printContactReport()
{
    qv::printContactReport(*m_dataModule, [this] { return m_retail->prepareAndCalculate(); });
}

void Program::wireMenu()
{
    TDataEntryForm* files = m_dataEntry.get();
    m_form1->wire(m_form1->PersonalInfoItem, [files] { files->showContactsPage(0); });
    m_form1->wire(m_form1->BusinessInfoItem, [files] { files->showContactsPage(1); });
    m_form1->wire(m_form1->MarketingInfoItem, [files] { files->showContactsPage(2); });
    files->onPersonality = [this] { showPersonality(); };
    files->onContactReport = [this] { printContactReport(); };
    files->onShowFilters = [this] { m_filters->ShowModal(); };
    TMainDataModule& dm = *m_dataModule;
    m_form1->wire(m_form1->LookupDataAnalysisItem, [&dm] { runLookupDataAnalysis(dm); });
    m_form1->wire(m_form1->FiltersItem, [files] { files->filtersCommand(); });
    m_form1->wire(m_form1->FindDuplicatesItem, [this] { m_duplicates->command(); });
    m_form1->wire(m_form1->ImportAccountsItem, [&dm] { importAccountsFromCsv(dm); });
    m_form1->wire(m_form1->ImportOutlookItem, [&dm] { BitBtn1Click(dm); });
    m_form1->wire(m_form1->ImportCsvItem, [&dm] { SpeedButton14Click(dm); });
    m_form1->wire(m_form1->ImportVCardItem, [&dm] { importContactsFromVCardFile(dm); });
    m_form1->wire(m_form1->ImportOtherCsvItem, [&dm] { importContactsFromOtherCsvFile(dm); });
    m_form1->wire(m_form1->ExportVCardItem, [&dm] { exportContactsToVCardFile(dm); });
    m_form1->wire(m_form1->ExportContactsCsvItem, [&dm] { exportContactsToCsvFile(dm); });
    m_form1->wire(m_form1->ExportAccountsCsvItem, [&dm] { exportAccountsToCsvFile(dm); });
    m_form1->wire(m_form1->ExportCalendarItem, [&dm] { exportCalendarToICalendarFile(dm); });
    m_filters->exportCommand = [&dm](const std::vector<int>& positions, TFilters::ExportKind kind) {
        runGuarded([&] {
            if (kind == TFilters::ExportKind::VCard)
                exportContactsToVCardFile(dm, positions);
            else
                exportContactsToCsvFile(dm, positions);
        });
    };
    wireActivities();
    wireAccounts();
    wireHelp();
    wireDatabaseMenu();
    wireAlerts();
}

void Program::wireAccounts()
{
    TDataEntryForm* files = m_dataEntry.get();
    AccountsPage* accounts = files->Accounts;
    m_form1->wire(m_form1->AccountsItem, [files] { files->showAccountsPage(); });
    accounts->onTaxInformation = [this] { m_tax->ShowModal(); };
    accounts->onReport = [this] { m_accountReport->previewCurrent(); };
    m_tax->onSave = [accounts] { accounts->saveRecord(); };
    m_tax->onDiscard = [accounts] { accounts->discardChanges(); };
}

void Program::wireHelp()
{
    TDataEntryForm* files = m_dataEntry.get();
    m_form1->wire(m_form1->HelpItem, [files] { files->helpCommand(); });
    m_form1->wire(m_form1->AboutItem, [this] { m_about->ShowModal(); });
    files->onHelp = [this] { m_help->showHelp(); };
    // The grids' windows each have a "Database Usage" button.
    auto databaseUsage = [this] { m_dbHelp->showDatabaseUsage(); };
    files->Accounts->onDatabaseUsage = databaseUsage;
    m_calendar->onDatabaseUsage = databaseUsage;
    m_followUp->onDatabaseUsage = databaseUsage;
}

void Program::wireActivities()
{
    TDataEntryForm* files = m_dataEntry.get();
    files->onShowFollowUp = [this] { m_followUp->ShowModal(); };
    m_form1->wire(m_form1->FollowUpItem, [files] { files->followUpCommand(); });
    m_form1->wire(m_form1->CalendarItem, [this] { m_calendar->ShowModal(); });
    m_form1->wire(m_form1->RemindersItem, [this] { m_reminders->remindersCommand(); });
}

void Program::wireDatabaseMenu()
{
    Connection& connection = *m_dataModule->MainADOConnection;
    const QString database = m_databaseFolder + QStringLiteral("Quorvane.qv");
    m_form1->wire(m_form1->BackupItem, [&connection, database] { backupDatabase(connection, database); });
    m_form1->wire(m_form1->RestoreItem, [&connection, database] { restoreDatabase(connection, database); });
}

void Program::wireAlerts()
{
    m_alerts = std::make_unique<DesktopAlerts>(*m_dataModule);
    m_alerts->onOpenPlanner = [this](const QDate& day) { m_calendar->showDay(day); };
    m_alerts->onOpenReminders = [this] {
        if (m_reminders->isVisible()) return m_reminders->activateWindow();
        m_reminders->remindersCommand();
    };
    m_alerts->countTodaysReminders = [this] { return m_reminders->todaysReminderCount(); };
    NoticeBanner* banner = m_form1->noticeBanner();
    m_alerts->notifications().unanswered = [banner](const DesktopNotice& notice) { banner->add(notice); };
    QAction* item = m_form1->DesktopAlertsItem;
    item->setChecked(m_alerts->isEnabled());
    m_form1->wire(item, [this, item] { m_alerts->setEnabled(item->isChecked()); });
}

void Program::startAlerts() { m_alerts->begin(); }

bool Program::start()
{
    m_splash = std::make_unique<TSplashForm>();
    // The program's name for the desktop. No display name: the toolkit would append it to every window's caption.
    QApplication::setApplicationName("Quorvane PRO 2005");
    installAccessibility();
    m_splash->show(); // runs the display check
    m_splash->repaint();
    QApplication::processEvents();
    try {
        createWindows();
        Connection* connection = m_dataModule->MainADOConnection;
        connection->close();
        m_databaseFolder = databaseFolderFor(m_folder);
        connection->setConnectionString(connectionStringFor(m_databaseFolder));
        // Before a fresh file is made: a restore killed halfway may have set the user's file aside.
        tidyAfterKilledWork(*connection);
        prepareUserDatabase(m_databaseFolder);
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
    m_splash.reset();
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
        m_form1.get(), [problem] { showWarningOk(problem); }, Qt::QueuedConnection);
}

void Program::showMainWindow()
{
    // Fill the screen even where no window manager honours "maximized"; a window manager maximizes it over this.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) m_form1->setGeometry(screen->availableGeometry());
    m_form1->showMaximized();
}

int Program::run()
{
    showMainWindow();
    warnOnceIfUnwritable();
    // The alerts look at the file once the window is up, so that they never hold back its first paint.
    QTimer::singleShot(500, m_form1.get(), [this] { startAlerts(); });
    // A request to end made while starting (a failed display check) takes effect as soon as the loop begins.
    if (programEndRequested())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    return QApplication::exec();
}

} // namespace qv
