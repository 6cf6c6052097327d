#include "platform/ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace qv {

namespace {

constexpr int FileNotFound = 2;   // the shell's "file not found"
constexpr int NoAssociation = 31; // the shell's "no association"
constexpr int Opened = 42;

class DesktopShell : public ShellOpener {
public:
    int open(const QString& target, ShowMode) override
    {
        static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
        QUrl url;
        // "C:" style drive letters aside, a target with a scheme is a link; anything else is a file path.
        if (scheme.match(target).hasMatch() && !QFileInfo(target).isAbsolute()) {
            url = QUrl(target, QUrl::TolerantMode);
        } else if (target.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
            url = QUrl(QStringLiteral("http://") + target, QUrl::TolerantMode);
        } else {
            if (target.isEmpty() || !QFileInfo::exists(target)) return FileNotFound;
            url = QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
        }
        if (!url.isValid()) return FileNotFound;
        // A file that is not there is the shell's "file not found", whichever way it was written.
        if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return FileNotFound;
        return QDesktopServices::openUrl(url) ? Opened : NoAssociation;
    }
};

DesktopShell desktopShell;
ShellOpener* current = &desktopShell;

} // namespace

ShellOpener& shellOpener() { return *current; }
void setShellOpener(ShellOpener* opener) { current = opener ? opener : &desktopShell; }

} // namespace qv
