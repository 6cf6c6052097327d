#pragma once
// Start-up and shutdown: the splash, the display check, the connection to the database file (beside the executable,
// or in the user's data folder), the main window shown as soon as the file is open, the rows read on a thread of
// their own while every other window is created once in a fixed order, and the event loop.

#include <QString>
#include <functional>
#include <memory>

class QAction;
class QProgressDialog;

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
class TDuplicatesForm;
class DesktopAlerts;

class Program {
public:
    // executablePath: the running executable; the database file is looked for in its folder where that can be
    // written, otherwise in the user's data folder.
    explicit Program(const QString& executablePath);
    ~Program();

    static QString connectionStringFor(const QString& executableFolder);
    QString executableFolder() const { return m_folder; } // ends with a separator
    // Where the database file is (see DatabaseLocation.h), known once start() has begun; ends with a separator.
    QString databaseFolder() const { return m_databaseFolder; }

    // Steps up to the event loop; the main window is on the screen before the rows are read, and events are processed
    // while they are. Returns false when start-up failed; the error has been shown by then, the main window hidden.
    bool start();
    // The event loop; returns the process's exit status.
    int run();
    // What run() does first: shows the main window maximized, where start() has not shown it already.
    void showMainWindow();
    // What run() does once the main window is up: the desktop alerts begin (those missed while the program was
    // closed, today's reminders, then each at its time).
    void startAlerts();

    TForm1* mainWindow() const { return m_form1.get(); }
    TMainDataModule* dataModule() const { return m_dataModule.get(); }
    TDataEntryForm* dataEntryForm() const { return m_dataEntry.get(); }
    TRetail* retail() const { return m_retail.get(); }

    // The contact commands of the "Files" window, for its buttons once their guards have passed: the
    // personality window for the current contact, and the contact report with its suggested tactics.
    void showPersonality();
    void printContactReport();
    TFilters* filters() const { return m_filters.get(); }
    THelpForm* helpForm() const { return m_help.get(); }
    TAboutForm* aboutForm() const { return m_about.get(); }
    TAccountReportForm* accountReport() const { return m_accountReport.get(); }
    TTaxForm* taxForm() const { return m_tax.get(); }
    TDBHelpForm* databaseUsageForm() const { return m_dbHelp.get(); }
    TRemindersForm* reminders() const { return m_reminders.get(); }
    TFollowUpForm* followUp() const { return m_followUp.get(); }
    TCalendarForm* calendar() const { return m_calendar.get(); }
    TDuplicatesForm* duplicates() const { return m_duplicates.get(); }
    DesktopAlerts* desktopAlerts() const { return m_alerts.get(); }

private:
    void createWindows();     // 3 to 12, then the duplicates window, while the rows are read
    void createLateWindows(); // 13 and 14, once the rows are read
    // Menu items wired at once; a command chosen before start-up is over runs once it is, a box saying why it waits.
    void wireMenu();
    void wireCommand(QAction* item, std::function<void()> command);
    void showStartupWait();
    std::function<void()> endStartupWait(); // the box gone; the command that waited, if any
    void wireWindows();                     // the windows' commands that open other windows
    void wireAlerts();
    void tidyAfterKilledWork(const Connection& connection);
    void warnOnceIfUnwritable();

    QString m_folder;
    QString m_databaseFolder;
    // In creation order, so that they are destroyed in the reverse: the splash, the main window, the data module,
    // the windows made before the database opens, then those made after.
    std::unique_ptr<TSplashForm> m_splash;
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TMainDataModule> m_dataModule;
    std::unique_ptr<TRemindersForm> m_reminders;
    std::unique_ptr<TDataEntryForm> m_dataEntry;
    std::unique_ptr<TFollowUpForm> m_followUp;
    std::unique_ptr<TFilters> m_filters;
    std::unique_ptr<THelpForm> m_help;
    std::unique_ptr<TAboutForm> m_about;
    std::unique_ptr<TCalendarForm> m_calendar;
    std::unique_ptr<TAccountReportForm> m_accountReport;
    std::unique_ptr<TTaxForm> m_tax;
    std::unique_ptr<TDBHelpForm> m_dbHelp;
    std::unique_ptr<TDuplicatesForm> m_duplicates;
    std::unique_ptr<TRetail> m_retail;
    std::unique_ptr<DesktopAlerts> m_alerts; // made last, once the windows it opens are wired
    bool m_rowsRead = false;
    bool m_started = false;
    std::function<void()> m_pendingCommand;
    QProgressDialog* m_startupWait = nullptr; // a child of the main window while it shows
};

} // namespace qv
