#pragma once
// The notices no desktop service took, in a strip of the main window's status bar: each with its button and a
// close button, until the user acts on it or closes it. Never modal, so nothing waits on it.

#include "platform/DesktopNotifications.h"

#include <QFrame>

class QVBoxLayout;

namespace qv {

class NoticeBanner : public QFrame {
    Q_OBJECT
public:
    explicit NoticeBanner(QWidget* parent = nullptr);

    void add(const DesktopNotice& notice);
    QStringList texts() const; // each notice as shown, oldest first

private:
    QVBoxLayout* m_rows;
};

} // namespace qv
