#include "import/TextFile.h"
#include "platform/Messages.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace qv {

TextEncoding utf16ByZeroBytes(QByteArrayView bytes)
{
    const qsizetype n = std::min<qsizetype>(bytes.size(), 4096) & ~qsizetype(1);
    if (n < 4) return TextEncoding::Utf8;
    qsizetype zeroEven = 0, zeroOdd = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        zeroEven += bytes[i] == 0;
        zeroOdd += bytes[i + 1] == 0;
    }
    const qsizetype pairs = n / 2;
    if (zeroOdd * 2 >= pairs && zeroEven * 10 <= zeroOdd) return TextEncoding::Utf16LE;
    if (zeroEven * 2 >= pairs && zeroOdd * 10 <= zeroEven) return TextEncoding::Utf16BE;
    return TextEncoding::Utf8;
}

namespace {

QString decodeUtf16(const QByteArray& body, TextEncoding encoding)
{
    QStringDecoder decoder(encoding == TextEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::Stateless);
    return decoder.decode(body);
}

// A file with bytes that are not UTF-8: decoded line by line, so that the lines holding them can be named. Each
// line's characters beyond ASCII that decoded cleanly speak for UTF-8, each replaced byte against it.
DecodedText decodeMostlyUtf8(const QByteArray& body)
{
    DecodedText out;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype sound = 0, replaced = 0;
    int line = 1;
    QString text;
    text.reserve(body.size());
    for (qsizetype start = 0; start <= body.size();) {
        qsizetype end = start;
        while (end < body.size() && body[end] != '\n' && body[end] != '\r') ++end;
        const QString part = decoder.decode(QByteArrayView(body.constData() + start, end - start));
        if (decoder.hasError()) {
            out.replacedLines << line;
            // A fresh decoder per line with an error: the flag stays set once raised.
            decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        }
        for (const QChar c : part) {
            if (c.unicode() == 0xFFFD)
                ++replaced;
            else if (c.unicode() >= 0x80 && !c.isLowSurrogate())
                ++sound;
        }
        text += part;
        if (end >= body.size()) break;
        // The line break as it stands; CR LF is one.
        const qsizetype next = body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n' ? end + 2 : end + 1;
        text += QLatin1StringView(body.constData() + end, next - end);
        start = next;
        ++line;
    }
    if (sound >= replaced) {
        out.text = std::move(text);
        out.encoding = TextEncoding::Utf8;
    } else {
        out.text = decodeWindows1252(body);
        out.encoding = TextEncoding::Windows1252;
        out.replacedLines.clear();
    }
    return out;
}

// The length of the well-formed UTF-8 sequence that begins at p (Unicode's table of them: no overlong forms, no
// surrogates, nothing beyond U+10FFFF, as the toolkit's decoder has it); 0 when none does.
int sequenceLength(const uchar* p, const uchar* end)
{
    const uchar lead = p[0];
    int length = 0;
    uchar low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high) return 0;
    for (int i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return length;
}

} // namespace

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

qsizetype checkUtf8(QByteArrayView bytes, bool last)
{
    constexpr quint64 HighBits = 0x8080808080808080ULL;
    const uchar* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    while (p < end) {
        quint64 word;
        if (end - p >= 8 && (std::memcpy(&word, p, 8), (word & HighBits) == 0)) {
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        // A character the next piece may complete.
        if (!last && end - p < 4) return end - p;
        const int length = sequenceLength(p, end);
        if (length == 0) return -1;
        p += length;
    }
    return 0;
}

DecodedText decodeTextFile(const QByteArray& bytes)
{
    DecodedText out;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        out.encoding = bytes.startsWith("\xFF\xFE") ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        out.text = decodeUtf16(bytes.mid(2), out.encoding);
        return out;
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
    if (const TextEncoding wide = utf16ByZeroBytes(body); wide != TextEncoding::Utf8) {
        out.encoding = wide;
        out.text = decodeUtf16(body, wide);
        return out;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out.text = utf8.decode(body);
    if (!utf8.hasError()) return out;
    return decodeMostlyUtf8(body);
}

void showCannotOpen(const QFile& file)
{
    showError(QStringLiteral("Cannot open file \"%1\". %2").arg(file.fileName(), file.errorString()));
}

void showCannotRead(const QFile& file)
{
    showError(QStringLiteral("Cannot read file \"%1\". %2").arg(file.fileName(), file.errorString()));
}

std::optional<DecodedText> readTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showCannotOpen(file);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        showCannotRead(file);
        return std::nullopt;
    }
    return decodeTextFile(bytes);
}

int zeroByteLine(QStringView text)
{
    const qsizetype zero = text.indexOf(QChar(0));
    return zero < 0 ? 0 : int(text.left(zero).count(u'\n')) + 1;
}

void refuseFile(const QString& path, const QString& why)
{
    showError(QStringLiteral("The file \"%1\" cannot be imported: %2. Nothing was imported.").arg(path, why));
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

QString trimBlanks(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b) == u' ') ++b;
    while (e > b && text.at(e - 1) == u' ') --e;
    return text.mid(b, e - b).toString();
}

QString lineList(const QList<int>& lines, int shown)
{
    QStringList numbers;
    for (qsizetype i = 0; i < lines.size() && i < shown; ++i) numbers << QString::number(lines[i]);
    const qsizetype more = lines.size() - numbers.size();
    QString list = numbers.join(QStringLiteral(", "));
    if (more > 0)
        list += QStringLiteral(" and %1 more").arg(more);
    else if (numbers.size() > 1)
        list = numbers.mid(0, numbers.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + numbers.last();
    return (lines.size() == 1 ? QStringLiteral("line ") : QStringLiteral("lines ")) + list;
}

} // namespace qv
