#pragma once
// Where the database file lives: beside the program where the program's folder can be written (the build folder,
// an install into the user's own folder), otherwise (a system install) in the user's data folder, where the first
// start makes it as the installer tool does.

#include <QString>

namespace qv {

// ~/.local/share/Quorvane/ (or under $XDG_DATA_HOME), ending with a separator.
QString userDatabaseFolder();

// The folder, ending with a separator, whose Quorvane.qv the program opens; nothing is made yet.
QString databaseFolderFor(const QString& programFolder);

// Where `folder` is the user's data folder: makes it (only the user may enter it) and a fresh database file in it
// when they are missing. The file is made under a temporary name and then takes its own, so that a start killed
// halfway leaves no half-made database behind. Throws DatabaseError when they cannot be made.
void prepareUserDatabase(const QString& folder);

} // namespace qv
