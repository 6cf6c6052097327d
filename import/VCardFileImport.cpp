#include "import/VCardFileImport.h"
#include "import/CardImport.h"
#include "import/TextFile.h"
#include "platform/FileDialogs.h"

namespace qv {

namespace {

bool isCardLine(QStringView line, QLatin1StringView word)
{
    const QStringView t = line.trimmed();
    return t.size() == word.size() + 6 && t.startsWith(word, Qt::CaseInsensitive) &&
           t.endsWith(QLatin1String(":VCARD"), Qt::CaseInsensitive);
}

} // namespace

std::vector<AddressBookItem> splitCardFile(const QString& text, QString* problem)
{
    const QList<QStringView> lines = lineViews(text);
    std::vector<AddressBookItem> cards;
    int depth = 0; // a card inside a property (2.1 AGENT) belongs to the card around it
    qsizetype begin = 0, beginLine = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (isCardLine(lines[i], QLatin1StringView("BEGIN"))) {
            if (depth++ == 0) {
                begin = lines[i].data() - text.data();
                beginLine = i;
            }
        } else if (depth > 0 && isCardLine(lines[i], QLatin1StringView("END")) && --depth == 0) {
            AddressBookItem card;
            card.vcard = text.mid(begin, lines[i].data() + lines[i].size() - text.data() - begin);
            cards.push_back(std::move(card));
        }
    }
    if (depth > 0) {
        *problem = QStringLiteral("the card that begins on line %1 has no end (\"END:VCARD\")").arg(beginLine + 1);
        return {};
    }
    if (cards.empty()) {
        qsizetype first = 0;
        while (first < lines.size() && lines[first].trimmed().isEmpty()) ++first;
        *problem = first < lines.size()
                       ? QStringLiteral("line %1 (\"%2\") begins no card; a card begins with \"BEGIN:VCARD\"")
                             .arg(first + 1)
                             .arg(lines[first].left(40).toString())
                       : QStringLiteral("it is empty");
    }
    return cards;
}

void importContactsFromVCardFile(TMainDataModule& dm)
{
    const QString path = chooseFileToOpen(QStringLiteral("vCard (*.vcf)|*.VCF;*.VCARD"));
    if (path.isEmpty()) return;
    const std::optional<DecodedText> decoded = readTextFile(path);
    if (!decoded) return;
    QString problem;
    if (const int line = zeroByteLine(decoded->text))
        problem = QStringLiteral("it is not a text file (line %1 holds a zero byte)").arg(line);
    const std::vector<AddressBookItem> cards =
        problem.isEmpty() ? splitCardFile(decoded->text, &problem) : std::vector<AddressBookItem>{};
    if (cards.empty()) return refuseFile(path, problem);
    importCards(dm, cards, CardFields::File, decoded->replacedLines);
}

} // namespace qv
