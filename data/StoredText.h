#pragma once
// Stored UTF-8 turned into the toolkit's strings with every character kept. The toolkit's own conversion drops a
// byte-order mark at the start of a text: a name that begins with one would read back as another name.

#include <QString>

namespace qv {

// A text's UTF-8 bytes where they lie; data is null for a value that is not a text.
struct Utf8Span {
    const char* data = nullptr;
    int size = 0;
};

QString textWithLeadingMark(const char* utf8, qsizetype size); // the rare case, out of line

inline QString textFromUtf8(const char* utf8, qsizetype size)
{
    if (size >= 3 && utf8[0] == '\xEF' && utf8[1] == '\xBB' && utf8[2] == '\xBF')
        return textWithLeadingMark(utf8, size);
    return QString::fromUtf8(utf8, size);
}

} // namespace qv
