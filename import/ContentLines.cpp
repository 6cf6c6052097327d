#include "import/ContentLines.h"

namespace qv {

void appendEscapedText(QByteArray& out, QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += "\\;"; break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
}

void appendFoldedLine(QByteArray& out, QByteArrayView line)
{
    qsizetype at = 0, room = 75;
    while (line.size() - at > room) {
        qsizetype cut = at + room;
        while (cut > at && (uchar(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line.data() + at, cut - at);
        out += "\r\n ";
        at = cut;
        room = 74; // after the blank that marks a continuation
    }
    out.append(line.data() + at, line.size() - at);
    out += "\r\n";
}

} // namespace qv
