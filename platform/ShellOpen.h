#pragma once
// Hands a "mailto:" link, a web address or a file to the desktop, as the shell's "open" verb did.
// The result follows the old convention: a number of 32 or less means that nothing could be opened.

#include <QString>

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

} // namespace qv
