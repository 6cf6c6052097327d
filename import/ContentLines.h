#pragma once
// The lines of vCard and iCalendar files: a text value with its backslash, comma and semicolon escaped and its line
// breaks written as \n, and a logical line folded at 75 octets (never inside a character), each piece ended by
// CR LF and each continuation begun with a blank.

#include <QByteArray>
#include <QByteArrayView>

namespace qv {

void appendEscapedText(QByteArray& out, QByteArrayView utf8);
void appendFoldedLine(QByteArray& out, QByteArrayView line);

} // namespace qv
