#pragma once
// Hands a "mailto:" link, a web address or a file to the desktop, as the shell's "open" verb did.
// The result follows the old convention: a number of 32 or less means that nothing could be opened.

#include <QString>
#include <QStringList>

namespace qv {

enum class ShowMode { Normal, Maximized };

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    virtual int open(const QString& target, ShowMode mode) = 0;
};

ShellOpener& shellOpener();
void setShellOpener(ShellOpener* opener); // nullptr restores the desktop

inline int shellOpen(const QString& target, ShowMode mode) { return shellOpener().open(target, mode); }

// A "mailto:" link to `to` with one header field ("subject", "bcc"), every part percent-encoded: what a stored
// address holds ("?", "&", "%", a line break) stays in that address instead of adding headers or text to the mail.
QString mailtoLink(const QString& to, const QString& header = {}, const QString& value = {});
// The same with a list of addresses as the header's value, each followed by ';' as the mail programs take them.
QString mailtoLink(const QString& to, const QString& header, const QStringList& addresses);

} // namespace qv
