#pragma once
// The "About Quorvane PRO 2005" window: the banner and "OK".

#include <QDialog>

class QPushButton;

namespace qv {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    void ShowModal() { exec(); }

    QPushButton* OKBtn;
};

} // namespace qv
