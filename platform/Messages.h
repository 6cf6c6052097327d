#pragma once
// Message boxes go through this interface: the program installs the real one, tests a scripted one.

#include <QString>
#include <QStringList>

class QWidget;

namespace qv {

enum class MessageKind { Information, Warning, Error, Plain, Confirmation };
enum class MessageButtons { Ok, YesNo, NoYesToAll, OkCancel };
enum class MessageAnswer { Ok, Yes, No, YesToAll, Cancel };

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MessageAnswer show(MessageKind kind, const QString& text, MessageButtons buttons) = 0;
};

MessageService& messages();
void setMessageService(MessageService* service); // nullptr restores the real boxes

// Short forms used by the windows.
void showInformation(const QString& text);
void showWarningOk(const QString& text);
void showError(const QString& text);
void showPlain(const QString& text);
bool askYesNo(const QString& text);    // a warning with Yes and No; true on Yes
bool askYesToAll(const QString& text); // a warning with No and Yes to All; true on Yes to All
bool askOkCancel(const QString& text); // a confirmation with OK and Cancel; true on OK

} // namespace qv
