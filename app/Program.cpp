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
#include "platform/WorkProgress.h"
#include "records/AccountsPage.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "reports/AccountReportUnit.h"
#include "reports/QVPersons.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QDir>
#include <QFileInfo>

namespace qv {

namespace {

// Waits until a window has had its first paint. A shown window is on the screen only once the window system's
// answer to showing it has been handled; a window the desktop never exposes (minimized, on another workspace) holds
// the wait up for a second at most.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* window) : m_window(window) { window->installEventFilter(this); }
    void wait()
    {
        if (m_painted) return;
        QTimer::singleShot(1000, &m_loop, &QEventLoop::quit);
        m_loop.exec();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint) {
            m_painted = true;
            m_loop.quit();
        }
        return false;
    }

private:
    QWidget* m_window;
    QEventLoop m_loop;
    bool m_painted = false;
};

} // namespace

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

void Program::wireCommand(QAction* item, std::function<void()> command)
{
    m_form1->wire(item, [this, command = std::move(command)] {
        if (m_started) return command();
        // Chosen while the rows are still being read: it runs once start-up is over, and a box says why it waits.
        m_pendingCommand = command;
        const int showAfterMs = WorkProgress::timing().showAfterMs;
        if (showAfterMs == 0) return showStartupWait();
        QTimer::singleShot(showAfterMs, m_form1.get(), [this] { showStartupWait(); });
    });
}

void Program::showStartupWait()
{
    if (m_started || !m_pendingCommand || m_startupWait) return;
    m_startupWait = new QProgressDialog(QStringLiteral("Reading the database..."), QString(), 0, 0, m_form1.get());
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
    wireCommand(f.FindDuplicatesItem, [this] { m_duplicates->command(); });
    wireCommand(f.ImportAccountsItem, [this] { importAccountsFromCsv(*m_dataModule); });
    wireCommand(f.ImportOutlookItem, [this] { BitBtn1Click(*m_dataModule); });
    wireCommand(f.ImportCsvItem, [this] { SpeedButton14Click(*m_dataModule); });
    wireCommand(f.ImportVCardItem, [this] { importContactsFromVCardFile(*m_dataModule); });
    wireCommand(f.ImportOtherCsvItem, [this] { importContactsFromOtherCsvFile(*m_dataModule); });
    wireCommand(f.ExportVCardItem, [this] { exportContactsToVCardFile(*m_dataModule); });
    wireCommand(f.ExportContactsCsvItem, [this] { exportContactsToCsvFile(*m_dataModule); });
    wireCommand(f.ExportAccountsCsvItem, [this] { exportAccountsToCsvFile(*m_dataModule); });
    wireCommand(f.ExportCalendarItem, [this] { exportCalendarToICalendarFile(*m_dataModule); });
    const QString database = m_databaseFolder + QStringLiteral("Quorvane.qv");
    wireCommand(f.BackupItem, [this, database] { backupDatabase(*m_dataModule->MainADOConnection, database); });
    wireCommand(f.RestoreItem, [this, database] { restoreDatabase(*m_dataModule->MainADOConnection, database); });
    wireCommand(f.HelpItem, [this] { m_dataEntry->helpCommand(); });
    wireCommand(f.AboutItem, [this] { m_about->ShowModal(); });
}

void Program::wireWindows()
{
    TDataEntryForm* files = m_dataEntry.get();
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
        m_dataModule = std::make_unique<TMainDataModule>();
        Connection* connection = m_dataModule->MainADOConnection;
        connection->close();
        m_databaseFolder = databaseFolderFor(m_folder);
        connection->setConnectionString(connectionStringFor(m_databaseFolder));
        // Before a fresh file is made: a restore killed halfway may have set the user's file aside.
        tidyAfterKilledWork(*connection);
        prepareUserDatabase(m_databaseFolder);
        // The key is derived and the file checked while the main window is made and painted.
        connection->startOpening();
        m_form1 = std::make_unique<TForm1>();
        wireMenu();
        if (!programEndRequested()) {
            // The main window is painted before the rows are read and the other windows made: it is what the user
            // waits for, and it shows none of them.
            FirstPaint painted(m_form1.get());
            showMainWindow();
            m_form1->repaint();
            painted.wait();
            m_splash->hide();
        }
        connection->open();
        // The rows are read on a thread of their own from here, while the other windows are made.
        QObject::connect(m_dataModule.get(), &TMainDataModule::rowsRead, m_form1.get(), [this] { m_rowsRead = true; });
        m_dataModule->startReadingAll();
        createWindows();
        wireWindows();
        while (!m_rowsRead) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_dataModule->openAllRead();
        createLateWindows();
        wireAlerts();
    } catch (const std::exception& e) {
        endStartupWait();
        if (m_form1) m_form1->hide();
        m_splash->hide();
        const auto* database = dynamic_cast<const DatabaseError*>(&e);
        showError(database ? database->message() : QString::fromLocal8Bit(e.what()));
        return false;
    }
    m_splash->hide();
    m_splash.reset();
    m_started = true;
    // A command chosen meanwhile runs now, from the event loop.
    if (std::function<void()> command = endStartupWait())
        QMetaObject::invokeMethod(
            m_form1.get(), [command] { runGuarded(command); }, Qt::QueuedConnection);
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
    // Once shown, the window manager has placed it; placing it again would fight the window manager's frame.
    if (m_form1->isVisible()) return;
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
