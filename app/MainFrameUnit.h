#pragma once
// The main window: the frame of the program, its menu and its status bar. It holds no data of its own; every
// item routes to a command of another window. An item exists in its place from the start and is shown once the
// command behind it is wired, so that no item ever does nothing.

#include <QMainWindow>
#include <QPixmap>
#include <functional>

class QAction;
class QLabel;
class QMenu;

namespace qv {

class NoticeBanner;

// The main window's picture, drawn to fill whatever size the window has.
class BackgroundPicture : public QWidget {
public:
    explicit BackgroundPicture(QWidget* parent) : QWidget(parent)
    {
        // It covers its whole area: what lies under it is not painted first.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // Menu items, in menu order.
    QAction* AccountsItem;
    QAction* PersonalInfoItem;
    QAction* BusinessInfoItem;
    QAction* MarketingInfoItem;
    QAction* ExitItem;
    QAction* LookupDataAnalysisItem;
    QAction* FiltersItem;
    QAction* FollowUpItem;
    QAction* CalendarItem;
    QAction* RemindersItem;
    QAction* FindDuplicatesItem;
    QAction* DesktopAlertsItem; // checkable
    QAction* ImportAccountsItem;
    QAction* ImportOutlookItem;
    QAction* ImportCsvItem;
    QAction* ImportVCardItem;
    QAction* ImportOtherCsvItem;
    QAction* ExportVCardItem;
    QAction* ExportContactsCsvItem;
    QAction* ExportAccountsCsvItem;
    QAction* ExportCalendarItem;
    QAction* BackupItem;
    QAction* RestoreItem;
    QAction* HelpItem;
    QAction* AboutItem;

    // Makes an item visible and runs the command when it is chosen; errors reach the standard error box.
    void wire(QAction* item, std::function<void()> command);

    QString dateText() const;
    QString statusText() const;
    // Where alerts that no desktop service took are shown, above the status bar.
    NoticeBanner* noticeBanner() const { return m_notices; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addItem(QMenu* menu, const QString& objectName, const QString& text);
    void updateMenuVisibility();
    void placeLogo();

    QMenu* m_files;
    QMenu* m_contacts;
    QMenu* m_tools;
    QMenu* m_import;
    QMenu* m_export;
    QMenu* m_database;
    QMenu* m_help;
    BackgroundPicture* m_background;
    QLabel* m_logo;
    QLabel* m_datePanel;
    QLabel* m_statusPanel;
    NoticeBanner* m_notices;
    bool m_shownOnce = false;
};

} // namespace qv
