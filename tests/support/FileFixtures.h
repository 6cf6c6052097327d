#pragma once
// Files as the tests put them in place and read them back: a file's bytes, a folder's entries, the names a
// database file holds, and what can lie where the program expects its database.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qv::test {

QByteArray bytesOf(const QString& path);                      // empty when there is nothing to read
void writeFile(const QString& path, const QByteArray& bytes); // a test cannot go on when it fails
QStringList filesIn(const QString& folder);                   // every entry, hidden ones and folders too, by name

// The names in a column of a database file of ours, in the order its rows are stored, read through a connection
// of their own: what the file holds, whatever a window shows. `where` narrows the rows (an SQL condition). When the
// file does not open, the engine's message is the only entry, so that a failed comparison says why.
QStringList storedNames(const QString& databasePath, const QString& table = "People", const QString& column = "Name",
                        const QString& where = {});

// Puts at `path` one of the things a database file may turn out to be, by the names the tests' tables use:
//   "missing"    nothing at all
//   "empty"      a file of no bytes
//   "text"       another program's export (a few lines of CSV)
//   "garbage"    8 KiB of one repeated byte: not even a database header
//   "password"   a whole database of ours under another password
//   "truncated"  a database of ours holding a few hundred contacts, cut off after its first half
//   "whole"      a whole database of ours holding one contact, `contact`
void placeFile(const QString& path, const QString& kind, const QString& contact = "Backed up");

} // namespace qv::test
