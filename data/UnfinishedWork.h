#pragma once
// What a backup or a restore killed halfway leaves behind, and how the next start puts it right.
//
// While a backup or a restore runs, a note beside the database file (its name followed by ".pending-" and six
// letters or digits) names the temporary copies it makes and the file it has renamed. The note stays locked while
// its process lives, so a note that nobody holds was left by a process that died. At start-up, before connecting,
// the program follows such notes, removes the temporary copies that no running process holds, and puts the
// set-aside database file back when the live one is missing or cannot be opened.

#include <QString>

namespace qv {

class WorkNote {
public:
    // Without a folder that can be written there is no note, and the work goes on without one.
    explicit WorkNote(const QString& databasePath);
    ~WorkNote(); // the work has ended: the note goes
    WorkNote(const WorkNote&) = delete;
    WorkNote& operator=(const WorkNote&) = delete;

    // Temporary copies are being made beside target (see dbfiles::temporaryNamePattern).
    void noteTemporariesOf(const QString& target);
    // `original` is about to be renamed to `current`; if the process dies before naming it back, the next start does.
    void noteRenamed(const QString& original, const QString& current);

private:
    void append(const QByteArray& line);
    QByteArray m_path;
    int m_fd = -1;
};

// Run at start-up before connecting. Returns what the user must be told, empty when nothing was put back.
QString tidyAfterInterruptedWork(const QString& databasePath, const QString& password);

// Removes what a killed process of this user left in `folder`: files whose whole name matches `pattern` (a regular
// expression) and that no running process holds (see holdAgainstTidying). With `inside` given, what matches are
// folders instead, removed with their files when every name in them matches `inside`; a folder holding anything
// else is left as it is. Returns how many were removed.
int removeLeftovers(const QString& folder, const QString& pattern, const QString& inside = {});
// Keeps removeLeftovers away from the file or folder open on `fd` for as long as it stays open.
void holdAgainstTidying(int fd);

} // namespace qv
