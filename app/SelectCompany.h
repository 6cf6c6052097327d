#pragma once
// The help window ("Quorvane PRO 2005 Help"): the banner with "OK" beside it, and below them the program's help
// pages. It opens on the start page every time it is shown; the maker's home page goes to the user's browser.

#include <QMainWindow>

class QPushButton;
class QUrl;

namespace qv {

class HelpView;

class THelpForm : public QMainWindow {
    Q_OBJECT
public:
    // programFolder: the executable's folder, ending in a separator; the pages lie in its "help" folder.
    explicit THelpForm(const QString& programFolder, QWidget* parent = nullptr);

    QUrl startPage() const;
    // Shows the window without waiting for it; when it is already shown, brings it to the front.
    void showHelp();
    // Whether a navigation is cancelled: the maker's home page is handed to the desktop instead.
    bool WebBrowser1BeforeNavigate2(const QUrl& url);

    HelpView* WebBrowser1;
    QPushButton* OKBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_folder;
};

} // namespace qv
