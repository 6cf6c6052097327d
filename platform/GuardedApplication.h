#pragma once
// The application object: the one place where an error that escapes a command handler is shown, with the
// error's own text, so that no exception crosses the event loop.

#include <QApplication>
#include <functional>

namespace qv {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error the way the application does: silent refusals stay silent, others get the error box.
void reportError(const std::exception& error);
// Shows the error once the event being handled is over: for errors met inside a widget that the box would take the
// focus from (a grid's cell editor closes then). The same text waiting to be shown is shown once.
void reportErrorLater(const std::exception& error);
// Runs a command, reporting what it throws; returns false when it threw.
bool runGuarded(const std::function<void()>& command);

} // namespace qv
