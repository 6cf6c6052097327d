#include "app/MainFrameUnit.h"
#include "app/Artwork.h"
#include "data/DateFormats.h"
#include "platform/Clock.h"
#include "platform/GuardedApplication.h"
#include "platform/NoticeBanner.h"
#include "platform/ProgramEnd.h"
#include "platform/ShellOpen.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace qv {

void BackgroundPicture::paintEvent(QPaintEvent*)
{
    // Drawn for the size the window has when it is painted, not for each size it passes through on the way: the
    // picture follows the window and the notices below it.
    if (m_picture.size() != size()) m_picture = artwork::backgroundPicture(size());
    QPainter(this).drawPixmap(0, 0, m_picture);
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("TForm1");
    setWindowTitle("Quorvane PRO 2005");

    m_background = new BackgroundPicture(this);
    m_background->setObjectName("BackgroundImage");
    // The picture follows the window's size, never the other way round: a picture made for one size must not
    // become the window's minimum, or the window manager could not maximize it into a smaller work area.
    m_background->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_background->installEventFilter(this);
    // The notices of alerts stand between the picture and the status bar while there are any.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_background, 1);
    m_notices = new NoticeBanner(central);
    column->addWidget(m_notices);
    setCentralWidget(central);

    m_logo = new QLabel(m_background);
    m_logo->setObjectName("LogoImage");
    m_logo->setPixmap(artwork::logoPicture());
    m_logo->setCursor(Qt::PointingHandCursor);
    m_logo->setToolTip(artwork::MakerWebAddress);
    m_logo->setAccessibleName(artwork::MakerWebAddress);
    m_logo->installEventFilter(this);

    m_files = menuBar()->addMenu("&Files");
    m_files->setObjectName("FilesMenu");
    AccountsItem = addItem(m_files, "AccountsItem", "&Accounts...");
    m_files->addSeparator();
    m_contacts = m_files->addMenu("&Contacts");
    m_contacts->setObjectName("ContactsMenu");
    PersonalInfoItem = addItem(m_contacts, "PersonalInfoItem", "&Personal info...");
    BusinessInfoItem = addItem(m_contacts, "BusinessInfoItem", "&Business info...");
    MarketingInfoItem = addItem(m_contacts, "MarketingInfoItem", "&Marketing info...");
    m_files->addSeparator();
    ExitItem = addItem(m_files, "ExitItem", "E&xit");

    m_tools = menuBar()->addMenu("&Tools");
    m_tools->setObjectName("ToolsMenu");
    LookupDataAnalysisItem = addItem(m_tools, "LookupDataAnalysisItem", "&Lookup data analysis...");
    m_tools->addSeparator();
    FiltersItem = addItem(m_tools, "FiltersItem", "&Filters...");
    FollowUpItem = addItem(m_tools, "FollowUpItem", "Follow-&up...");
    m_tools->addSeparator();
    CalendarItem = addItem(m_tools, "CalendarItem", "&Calendar/Planner...");
    m_tools->addSeparator();
    RemindersItem = addItem(m_tools, "RemindersItem", "&Reminders...");
    m_tools->addSeparator();
    FindDuplicatesItem = addItem(m_tools, "FindDuplicatesItem", "Find &duplicate contacts...");
    DesktopAlertsItem = addItem(m_tools, "DesktopAlertsItem", "Desktop &alerts");
    DesktopAlertsItem->setCheckable(true);

    m_import = menuBar()->addMenu("&Import");
    m_import->setObjectName("ImportMenu");
    ImportAccountsItem = addItem(m_import, "ImportAccountsItem", "&Accounts from a CSV file...");
    m_import->addSeparator();
    ImportOutlookItem = addItem(m_import, "ImportOutlookItem", "Contacts from MS Office &Outlook...");
    ImportCsvItem = addItem(m_import, "ImportCsvItem", "&Contacts from a CSV file...");
    m_import->addSeparator();
    ImportVCardItem = addItem(m_import, "ImportVCardItem", "Contacts from a &vCard file...");
    ImportOtherCsvItem = addItem(m_import, "ImportOtherCsvItem", "Contacts from another &program's CSV file...");

    m_export = menuBar()->addMenu("&Export");
    m_export->setObjectName("ExportMenu");
    ExportVCardItem = addItem(m_export, "ExportVCardItem", "Contacts to a &vCard file...");
    ExportContactsCsvItem = addItem(m_export, "ExportContactsCsvItem", "&Contacts to a CSV file...");
    ExportAccountsCsvItem = addItem(m_export, "ExportAccountsCsvItem", "&Accounts to a CSV file...");
    m_export->addSeparator();
    ExportCalendarItem = addItem(m_export, "ExportCalendarItem", "Ca&lendar to an iCalendar file...");

    m_database = menuBar()->addMenu("&Database");
    m_database->setObjectName("DatabaseMenu");
    BackupItem = addItem(m_database, "BackupItem", "&Backup...");
    RestoreItem = addItem(m_database, "RestoreItem", "&Restore...");

    m_help = menuBar()->addMenu("&Help");
    m_help->setObjectName("HelpMenu");
    HelpItem = addItem(m_help, "HelpItem", "Quorvane PRO 2005 &Help...");
    m_help->addSeparator();
    AboutItem = addItem(m_help, "AboutItem", "&About...");

    wire(ExitItem, [] { requestProgramEnd(); });

    m_datePanel = new QLabel(this);
    m_datePanel->setObjectName("DatePanel");
    m_datePanel->setMinimumWidth(90);
    m_statusPanel = new QLabel("Quorvane PRO 2005. Contacts, accounts, follow-ups and your day planner in one "
                               "encrypted file.",
                               this);
    m_statusPanel->setObjectName("StatusPanel");
    statusBar()->addWidget(m_datePanel);
    statusBar()->addWidget(m_statusPanel, 1);
    statusBar()->setSizeGripEnabled(false);
}

QAction* TForm1::addItem(QMenu* menu, const QString& objectName, const QString& text)
{
    auto* a = menu->addAction(text);
    a->setObjectName(objectName);
    a->setVisible(false);
    return a;
}

void TForm1::wire(QAction* item, std::function<void()> command)
{
    connect(item, &QAction::triggered, this, [command = std::move(command)] { runGuarded(command); });
    item->setVisible(true);
    updateMenuVisibility();
}

void TForm1::updateMenuVisibility()
{
    for (QMenu* m : {m_contacts, m_files, m_tools, m_import, m_export, m_database, m_help}) {
        bool any = false;
        for (QAction* a : m->actions())
            if (!a->isSeparator() && a->isVisible()) any = true;
        m->menuAction()->setVisible(any);
    }
}

QString TForm1::dateText() const { return m_datePanel->text(); }
QString TForm1::statusText() const { return m_statusPanel->text(); }

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce) return;
    m_shownOnce = true;
    // The date of the day the program started; it is not updated past midnight.
    m_datePanel->setText(' ' + dates::shortDate(clock::today()));
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    // The frame stays maximized: whatever restores it to a smaller size (dragging its border, the window
    // manager's restore) is undone at once. It is not pinned to a fixed size instead, since a window manager
    // refuses to maximize a window that cannot be resized. Minimizing stays possible.
    constexpr Qt::WindowStates kept = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
    if (!isVisible() || (windowState() & kept)) return;
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !(windowState() & kept)) showMaximized();
    });
}

void TForm1::placeLogo()
{
    const QSize s = m_logo->sizeHint();
    m_logo->setGeometry(m_background->width() - s.width() - 12, m_background->height() - s.height() - 10, s.width(),
                        s.height());
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_background && event->type() == QEvent::Resize) placeLogo();
    if (watched == m_logo && event->type() == QEvent::MouseButtonRelease) {
        // The maker's web site in the user's browser; the result is not tested.
        shellOpen(artwork::MakerWebAddress, ShowMode::Normal);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace qv
