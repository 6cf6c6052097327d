#include "platform/FileDialogs.h"
#include "platform/UserSettings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStringList>

namespace qv {

ParsedFilter parseFileFilter(const QString& filter)
{
    ParsedFilter parsed;
    const QStringList parts = filter.split('|');
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        parsed.texts << parts[i];
        parsed.patterns << parts[i + 1];
    }
    return parsed;
}

bool fileFilterMatches(const QString& pattern, const QString& fileName)
{
    for (const QString& one : pattern.split(';', Qt::SkipEmptyParts)) {
        const QString trimmed = one.trimmed();
        // "*.*" meant every file, with or without a dot in its name.
        if (trimmed == QLatin1String("*.*") || trimmed == QLatin1String("*")) return true;
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(trimmed),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(fileName).hasMatch()) return true;
    }
    return false;
}

namespace {

// Shows folders always and files when they match the selected pattern, letter case ignored: Qt's own name
// filters follow the file system's case rules, which on Linux would hide "BACKUP.QVB" behind "*.qvb".
class PatternProxy : public QSortFilterProxyModel {
public:
    QString pattern;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        auto* model = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!model) return true;
        const QModelIndex index = model->index(row, 0, parent);
        if (model->isDir(index)) return true;
        return pattern.isEmpty() || fileFilterMatches(pattern, model->fileName(index));
    }
};

// The extension a pattern such as "*.pdf" gives a file name; none for a pattern that names no single extension.
QString suffixOf(const QString& pattern)
{
    const QString first = pattern.section(';', 0, 0).trimmed();
    if (!first.startsWith(QLatin1String("*.")) || first.size() < 3) return {};
    const QString suffix = first.mid(2);
    return suffix.contains('*') || suffix.contains('?') ? QString() : suffix;
}

class DesktopFileDialogs : public FileDialogService {
public:
    QString choose(const FileDialogRequest& request) override
    {
        const ParsedFilter filter = parseFileFilter(request.filter);
        QFileDialog dialog(QApplication::activeWindow(), request.caption);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setAcceptMode(request.kind == FileDialogRequest::Kind::Save ? QFileDialog::AcceptSave
                                                                           : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.kind == FileDialogRequest::Kind::Save ? QFileDialog::AnyFile
                                                                         : QFileDialog::ExistingFile);
        if (!request.folder.isEmpty()) dialog.setDirectory(request.folder);
        auto* proxy = new PatternProxy;
        dialog.setProxyModel(proxy); // the dialog owns it
        if (!filter.texts.isEmpty()) {
            // The texts are shown as written; the matching is the proxy's, so the file system model's own
            // (which reads "*.*" as names with a dot) is emptied each time the dialog sets it.
            auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
            auto usePattern = [&, files](int i) {
                proxy->pattern = i >= 0 ? filter.patterns[i] : QString();
                if (files) files->setNameFilters({});
                proxy->invalidate();
                if (request.suffixFromFilter) dialog.setDefaultSuffix(suffixOf(proxy->pattern));
            };
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&, usePattern](const QString& selected) { usePattern(filter.texts.indexOf(selected)); });
            dialog.setNameFilters(filter.texts);
            dialog.selectNameFilter(filter.texts.first());
            usePattern(0);
        }
        if (!request.defaultName.isEmpty()) dialog.selectFile(request.defaultName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().first();
    }
};

DesktopFileDialogs desktopFileDialogs;
FileDialogService* current = &desktopFileDialogs;

} // namespace

FileDialogService& fileDialogs() { return *current; }
void setFileDialogService(FileDialogService* service) { current = service ? service : &desktopFileDialogs; }

namespace {

QString lastFolderKey(const QString& filter)
{
    return QStringLiteral("LastFolders/") + parseFileFilter(filter).patterns.join(';').toLower();
}

} // namespace

QString chooseFile(FileDialogRequest request)
{
    const QString key = lastFolderKey(request.filter);
    const QString last = userSettings()->value(key).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        request.folder = last;
    else if (!request.firstFolder.isEmpty() && QFileInfo(request.firstFolder).isDir())
        request.folder = request.firstFolder;
    else
        request.folder = QDir::homePath();
    const QString chosen = fileDialogs().choose(request);
    if (!chosen.isEmpty()) userSettings()->setValue(key, QFileInfo(chosen).absolutePath());
    return chosen;
}

QString chooseFileToOpen(const QString& filter, const QString& caption, const QString& firstFolder)
{
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Open;
    r.caption = caption.isEmpty() ? QStringLiteral("Open") : caption;
    r.filter = filter;
    r.firstFolder = firstFolder;
    return chooseFile(r);
}

QString chooseFileToSave(const QString& filter, const QString& defaultName, const QString& caption)
{
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Save;
    r.caption = caption.isEmpty() ? QStringLiteral("Save As") : caption;
    r.filter = filter;
    r.defaultName = defaultName;
    return chooseFile(r);
}

} // namespace qv
