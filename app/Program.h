#pragma once
// Start-up and shutdown: the splash, the display check, every window and the data module created once in a fixed
// order, the connection to the database file beside the executable, open-all and the event loop.

#include <QString>
#include <memory>

namespace qv {

class Connection;
class TForm1;
class TMainDataModule;
class TSplashForm;
class TDataEntryForm;
class TRetail;
class TFilters;
class THelpForm;
class TAboutForm;
class TAccountReportForm;
class TTaxForm;
class TDBHelpForm;
class TRemindersForm;
class TFollowUpForm;
class TCalendarForm;
class DesktopAlerts;

class Program {
public:
    // executablePath: the running executable; the database file is looked for in its folder only.
    explicit Program(const QString& executablePath);
    ~Program();

    static QString connectionStringFor(const QString& executableFolder);
    QString executableFolder() const { return m_folder; } // ends with a separator

    // Steps up to the event loop. Returns false when start-up failed; the error has been shown by then.
    bool start();
    // The event loop; returns the process's exit status.
    int run();
    // What run() does first: shows the main window maximized.
    void showMainWindow();
    // What run() does once the main window is up: the desktop alerts begin (those missed while the program was
    // closed, today's reminders, then each at its time).
    void startAlerts();

    TForm1* mainWindow() const { return m_form1; }
    TMainDataModule* dataModule() const { return m_dataModule; }
    TDataEntryForm* dataEntryForm() const { return m_dataEntry; }
    TRetail* retail() const { return m_retail; }

    // The contact commands of the "Files" window, for its buttons once their guards have passed: the
    // personality window for the current contact, and the contact report with its suggested tactics.
    void showPersonality();
    void printContactReport();
    TFilters* filters() const { return m_filters; }
    THelpForm* helpForm() const { return m_help; }
    TAboutForm* aboutForm() const { return m_about; }
    TAccountReportForm* accountReport() const { return m_accountReport; }
    TTaxForm* taxForm() const { return m_tax; }
    TDBHelpForm* databaseUsageForm() const { return m_dbHelp; }
    TRemindersForm* reminders() const { return m_reminders; }
    TFollowUpForm* followUp() const { return m_followUp; }
    TCalendarForm* calendar() const { return m_calendar; }
    DesktopAlerts* desktopAlerts() const { return m_alerts; }

private:
    void createWindows();     // 1 to 12
    void createLateWindows(); // 13 and 14, once the database is open
    void wireMenu();
    void tidyAfterKilledWork(const Connection& connection);
    void warnOnceIfUnwritable();
    void wireAccounts();
    void wireHelp();
    void wireDatabaseMenu();
    void wireAlerts();

    QString m_folder;
    TSplashForm* m_splash = nullptr;
    TForm1* m_form1 = nullptr;
    TMainDataModule* m_dataModule = nullptr;
    TDataEntryForm* m_dataEntry = nullptr;
    TRetail* m_retail = nullptr;
    TFilters* m_filters = nullptr;
    THelpForm* m_help = nullptr;
    TAboutForm* m_about = nullptr;
    TAccountReportForm* m_accountReport = nullptr;
    TTaxForm* m_tax = nullptr;
    TDBHelpForm* m_dbHelp = nullptr;
    TRemindersForm* m_reminders = nullptr;
    TFollowUpForm* m_followUp = nullptr;
    TCalendarForm* m_calendar = nullptr;
    DesktopAlerts* m_alerts = nullptr;
    void wireActivities();
};

} // namespace qv
