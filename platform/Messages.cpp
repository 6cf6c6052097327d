#include "platform/Messages.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <algorithm>

namespace qv {

namespace {

// A window manager writes the title in bold between the window's icon and its three buttons. A box only as wide
// as a short message ("10 record(s) added.") would show the program's name cut ("Quorv... 2005").
constexpr int MessageBoxMinimumWidth = 320;
constexpr int TitleBarControlsWidth = 160;

void keepTitleWhole(QMessageBox& box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = std::max(MessageBoxMinimumWidth,
                               QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + TitleBarControlsWidth);
    // The box sizes itself from its layout each time it is shown, so the room goes into the layout.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

class DesktopMessages : public MessageService {
public:
    MessageAnswer show(MessageKind kind, const QString& text, MessageButtons buttons) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QApplication::applicationDisplayName());
        box.setText(text);
        switch (kind) {
        case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
        case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
        case MessageKind::Plain: box.setIcon(QMessageBox::NoIcon); break;
        case MessageKind::Confirmation: box.setIcon(QMessageBox::Question); break;
        }
        QAbstractButton* yes = nullptr;
        QAbstractButton* no = nullptr;
        QAbstractButton* yesToAll = nullptr;
        QAbstractButton* ok = nullptr;
        switch (buttons) {
        case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MessageButtons::YesNo:
            yes = box.addButton(QMessageBox::Yes);
            no = box.addButton(QMessageBox::No);
            box.setDefaultButton(static_cast<QPushButton*>(yes));
            break;
        case MessageButtons::NoYesToAll:
            no = box.addButton(QMessageBox::No);
            yesToAll = box.addButton(QMessageBox::YesToAll);
            box.setDefaultButton(static_cast<QPushButton*>(no));
            break;
        case MessageButtons::OkCancel:
            ok = box.addButton(QMessageBox::Ok);
            box.addButton(QMessageBox::Cancel);
            box.setDefaultButton(static_cast<QPushButton*>(ok));
            break;
        }
        keepTitleWhole(box);
        box.exec();
        QAbstractButton* clicked = box.clickedButton();
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (clicked && clicked == yes) return MessageAnswer::Yes;
        if (clicked && clicked == yesToAll) return MessageAnswer::YesToAll;
        if (buttons == MessageButtons::OkCancel)
            return clicked && clicked == ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        return MessageAnswer::No;
    }
};

DesktopMessages desktopMessages;
MessageService* current = &desktopMessages;

} // namespace

MessageService& messages() { return *current; }
void setMessageService(MessageService* service) { current = service ? service : &desktopMessages; }

void showInformation(const QString& text) { messages().show(MessageKind::Information, text, MessageButtons::Ok); }
void showWarningOk(const QString& text) { messages().show(MessageKind::Warning, text, MessageButtons::Ok); }
void showError(const QString& text) { messages().show(MessageKind::Error, text, MessageButtons::Ok); }
void showPlain(const QString& text) { messages().show(MessageKind::Plain, text, MessageButtons::Ok); }

bool askYesNo(const QString& text)
{
    return messages().show(MessageKind::Warning, text, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool askOkCancel(const QString& text)
{
    return messages().show(MessageKind::Confirmation, text, MessageButtons::OkCancel) == MessageAnswer::Ok;
}

bool askYesToAll(const QString& text)
{
    return messages().show(MessageKind::Warning, text, MessageButtons::NoYesToAll) == MessageAnswer::YesToAll;
}

} // namespace qv
