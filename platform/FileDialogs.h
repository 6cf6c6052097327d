#pragma once
// Open and save file dialogs go through this interface: the program installs the real ones, tests a scripted one.
// A filter is written as the program has always written it: pairs of a shown text and a pattern, separated by
// "|", for example "Quorvane Backup (*.qvb)|*.QVB". Patterns match file names without regard to letter case,
// as they did where the program comes from, so "*.QVB" also offers "backup.qvb".

#include <QString>
#include <QStringList>

namespace qv {

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString caption;
    QString filter;      // "Text|pattern|Text|pattern..."
    QString defaultName; // save dialogs: the name offered at first; may be empty
    QString folder;      // the folder shown at first; chooseFile() fills it
    // Where to start while no folder was used yet for this kind of file; empty for the user's home.
    QString firstFolder;
    // Save dialogs: a name typed without an extension gets the extension of the filter chosen in the dialog
    // ("*.pdf" adds ".pdf"). Off by default: commands that add their own extension must not get a second one.
    bool suffixFromFilter = false;
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // The chosen file's full path, or an empty text when the user cancelled.
    virtual QString choose(const FileDialogRequest& request) = 0;
};

FileDialogService& fileDialogs();
void setFileDialogService(FileDialogService* service); // nullptr restores the real dialogs

// Shows the dialog in the folder last used for this kind of file (its filter), or else in the request's first
// folder or the user's home, and remembers the chosen file's folder for the next time.
QString chooseFile(FileDialogRequest request);

// Short forms used by the windows. A save dialog never asks about replacing a file: the commands ask themselves.
QString chooseFileToOpen(const QString& filter, const QString& caption = {}, const QString& firstFolder = {});
QString chooseFileToSave(const QString& filter, const QString& defaultName, const QString& caption = {});

// The shown texts and the patterns of a filter ("A (*.a)|*.A|B|*.b" gives {"A (*.a)", "B"} and {"*.A", "*.b"}).
struct ParsedFilter {
    QStringList texts;
    QStringList patterns; // each may hold several patterns separated by ';'
};
ParsedFilter parseFileFilter(const QString& filter);
// Whether a file name matches a pattern of the filter, letter case ignored.
bool fileFilterMatches(const QString& pattern, const QString& fileName);

} // namespace qv
