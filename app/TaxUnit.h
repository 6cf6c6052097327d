#pragma once
// The "Tax Information" window: the local address and the tax fields of the current account, edited in place as
// on the accounts page. "OK" saves the account and "Cancel" drops the change, through the accounts page's own
// commands; the close box does neither.

#include <QDialog>
#include <functional>

class QPushButton;

namespace qv {

class TMainDataModule;
class DataSource;

class TTaxForm : public QDialog {
    Q_OBJECT
public:
    explicit TTaxForm(TMainDataModule& dm, QWidget* parent = nullptr);

    // The accounts page's "Save record" and "Discard changes", wired at start-up.
    std::function<void()> onSave;
    std::function<void()> onDiscard;

    // Shows the window modally for the current account.
    void ShowModal();

    void OKBtnClick();
    void CancelBtnClick();

    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    DataSource* m_account;
};

} // namespace qv
