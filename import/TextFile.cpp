#include "import/TextFile.h"

#include <QStringDecoder>
#include <algorithm>

namespace qv {

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString decodeWindows1252(const QByteArray& bytes)
{
    // 0x80 to 0x9F differ from Latin-1; the five codes the code page leaves undefined keep their own value.
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* p = out.data();
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        *p++ = QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b));
    }
    return out;
}

QString decodeImportedText(const QByteArray& bytes)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    return utf8.hasError() ? decodeWindows1252(body) : text;
}

QList<QStringView> lineViews(QStringView text)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    QList<QStringView> lines;
    // Room for lines of a usual length; the list grows from there if they are shorter.
    lines.reserve(n / 48 + 8);
    // The next carriage return and the next line feed, each found by the toolkit's fast search.
    qsizetype cr = text.indexOf(u'\r'), lf = text.indexOf(u'\n');
    qsizetype start = 0;
    while (cr >= 0 || lf >= 0) {
        const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
        lines.append(QStringView(p + start, end - start));
        start = end + 1;
        if (end == cr && start < n && p[start] == u'\n') ++start;
        if (cr >= 0 && cr < start) cr = text.indexOf(u'\r', start);
        if (lf >= 0 && lf < start) lf = text.indexOf(u'\n', start);
    }
    if (start < n) lines.append(QStringView(p + start, n - start));
    return lines;
}

QString trimControl(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b).unicode() <= 32) ++b;
    while (e > b && text.at(e - 1).unicode() <= 32) --e;
    return text.mid(b, e - b);
}

} // namespace qv
