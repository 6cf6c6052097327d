// Reading cards: one long card of quoted-printable lines (the size of a card with a long note or an embedded text),
// read by the program's card reader, against one plain pass over the same text that joins the soft line breaks and
// decodes the bytes. Reading must stay linear in the card's size: a reader that goes over the joined value again at
// every soft break takes seconds here, and the path fails.
#include "bench/Bench.h"
#include "import/ContactItem.h"
#include "import/VCard.h"

#include <QByteArray>
#include <QString>

namespace qv::bench {

namespace {

constexpr int CardBytes = 3 << 20;

// An ADR with a long street, its text in UTF-8 written as quoted-printable lines of 76 characters.
QString longCard()
{
    QString card = QStringLiteral("BEGIN:VCARD\r\nVERSION:2.1\r\nN:M=C3=BCller;J=C3=BCrgen\r\n"
                                  "ADR;HOME;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:;;");
    QString line;
    while (card.size() < CardBytes) {
        line += QStringLiteral("Stra=C3=9Fe ");
        if (line.size() >= 64) {
            card += line + QStringLiteral("=\r\n");
            line.clear();
        }
    }
    card += line + QStringLiteral(";Berlin;;10115;Germany\r\nEND:VCARD\r\n");
    return card;
}

int hexDigit(char16_t c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// The floor: the street's lines joined at their soft breaks and decoded, in one pass.
qsizetype plainPass(const QString& card)
{
    const qsizetype from = card.indexOf(QLatin1String(":;;")) + 3;
    const qsizetype to = card.indexOf(u';', from);
    QByteArray bytes;
    bytes.reserve(to - from);
    const auto* p = reinterpret_cast<const char16_t*>(card.utf16());
    for (qsizetype i = from; i < to; ++i) {
        if (p[i] != u'=') {
            bytes += char(p[i]);
        } else if (p[i + 1] == u'\r') {
            i += 2; // a soft break
        } else {
            bytes += char(hexDigit(p[i + 1]) * 16 + hexDigit(p[i + 2]));
            i += 2;
        }
    }
    return QString::fromUtf8(bytes).trimmed().size();
}

Result longCardPath(Context&)
{
    const QString card = longCard();
    qsizetype read = 0, floor = 0;
    Result r;
    r.program = bestOf(3, [&] { read = contactItemFromVCard(parseVCards(card).at(0)).HomeAddressStreet.size(); });
    r.baseline = bestOf(3, [&] { floor = plainPass(card); });
    if (read != floor) throw CheckFailed("the card's street was not read whole");
    r.note =
        QStringLiteral("(a card of %1 MB; floor: one pass joining the soft breaks and decoding)").arg(CardBytes >> 20);
    // Linear reading is a few times the plain pass; reading the joined value again at each break is thousands.
    if (r.program > 25 * r.baseline + 50)
        throw CheckFailed(QStringLiteral("reading a long card took %1 ms against %2 ms for one pass")
                              .arg(r.program, 0, 'f', 0)
                              .arg(r.baseline, 0, 'f', 1)
                              .toStdString());
    return r;
}

} // namespace

QV_BENCH_PATH("vcard-long-card", longCardPath);

} // namespace qv::bench
