#pragma once
// The "Database Usage" window: the page that explains the tables a user meets. It loads the page once, when it is
// made, and keeps whatever page the user went on to between showings.

#include <QMainWindow>

namespace qv {

class HelpView;

class TDBHelpForm : public QMainWindow {
    Q_OBJECT
public:
    // programFolder: the executable's folder, ending in a separator; the page lies in its "help" folder.
    explicit TDBHelpForm(const QString& programFolder, QWidget* parent = nullptr);

    // Shows the window without waiting for it; when it is already shown, brings it to the front.
    void showDatabaseUsage();

    HelpView* WebBrowser1;
};

} // namespace qv
