#pragma once
// A view of local HTML pages: it loads a page from a file, follows links inside itself, and tells its owner of
// every navigation before it happens, so that the owner may send an address elsewhere instead. A page that cannot
// be read is shown as an error page of the view's own; nothing else is reported.

#include <QTextBrowser>
#include <QUrl>
#include <functional>

namespace qv {

class HelpView : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpView(QWidget* parent = nullptr);

    // Asked before every navigation with the target's full address; returning true cancels the navigation.
    std::function<bool(const QUrl&)> beforeNavigate;

    // Loads the page (asking beforeNavigate first), from the file again even when it is the page shown, and
    // starts at its top.
    void navigate(const QUrl& url);
    // The address shown, without a position inside the page.
    QUrl page() const;
    QVariant loadResource(int type, const QUrl& name) override;

    static QString errorPage(const QUrl& url);

private:
    void linkClicked(const QUrl& link);
};

// Shows a window that the user keeps working beside: no waiting, and usable beside the modal window that may be
// open at the moment (a window opened from a modal window is otherwise held behind it until it closes). A window
// already shown only comes to the front.
void showWithoutWaiting(QWidget* window);

} // namespace qv
