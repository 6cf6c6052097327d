#pragma once
// The splash window shown while start-up creates the windows and opens the database. Showing it runs the display
// check.

#include <QWidget>

namespace qv {

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    // Both tests run, whatever the first finds; a failure shows its message and asks the program to end.
    static bool runDisplayCheck();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace qv
