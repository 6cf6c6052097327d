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

// Everything but letters, digits, "-._~" and the address's own "@" is encoded, non-ASCII as UTF-8.
QString encodedPart(const QString& part) { return QString::fromLatin1(QUrl::toPercentEncoding(part, "@")); }

} // namespace

QString mailtoLink(const QString& to, const QString& header, const QString& value)
{
    QString link = QStringLiteral("mailto:") + encodedPart(to);
    if (!header.isEmpty()) link += QLatin1Char('?') + encodedPart(header) + QLatin1Char('=') + encodedPart(value);
    return link;
}

QString mailtoLink(const QString& to, const QString& header, const QStringList& addresses)
{
    QString list;
    for (const QString& address : addresses) list += encodedPart(address) + QLatin1Char(';');
    return QStringLiteral("mailto:") + encodedPart(to) + QLatin1Char('?') + encodedPart(header) + QLatin1Char('=') +
           list;
}

ShellOpener& shellOpener() { return *current; }
void setShellOpener(ShellOpener* opener) { current = opener ? opener : &desktopShell; }

} // namespace qv
