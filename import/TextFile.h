#pragma once
// Text files from other programs: read as UTF-8 when they are valid UTF-8 (a leading byte-order mark is not part of
// the text), otherwise as Windows-1252, the single-byte code page such files were written in.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qv {

QString decodeImportedText(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);
bool isValidUtf8(const QByteArray& bytes);

// Lines ending at CR LF, LF or CR, as views of the text; a line break at the very end starts no further line.
QList<QStringView> lineViews(QStringView text);

// Removes leading and trailing characters whose code is 32 or less (blanks and control characters).
QString trimControl(const QString& text);

} // namespace qv
