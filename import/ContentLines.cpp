#include "import/ContentLines.h"

namespace qv {

void appendEscapedText(QByteArray& out, QByteArrayView text)
{
    // Runs of plain characters go in whole, between the few that need a backslash.
    qsizetype plain = 0;
    auto escape = [&](qsizetype at, const char* with, qsizetype next) {
        out.append(text.data() + plain, at - plain);
        out += with;
        plain = next;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '\\': escape(i, "\\\\", i + 1); break;
        case ',': escape(i, "\\,", i + 1); break;
        case ';': escape(i, "\\;", i + 1); break;
        case '\r':
            escape(i, "\\n", i + 1 < text.size() && text[i + 1] == '\n' ? i + 2 : i + 1);
            i = plain - 1;
            break;
        case '\n': escape(i, "\\n", i + 1); break;
        default: break;
        }
    }
    out.append(text.data() + plain, text.size() - plain);
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
