#include "import/OtherCsvImport.h"
#include "import/CardImport.h"
#include "import/ContactImport.h"
#include "import/ContactItem.h"
#include "import/CsvFormat.h"
#include "import/CsvMappingDialog.h"
#include "import/TextFile.h"
#include "import/Utf8TextFile.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/WorkProgress.h"

#include <QApplication>
#include <QStringDecoder>

namespace qv {

namespace {

QString joinedTexts(const QList<QStringView>& row, const std::vector<int>& columns, QStringView separator)
{
    QString out;
    for (int c : columns) {
        const QStringView t = row.value(c).trimmed();
        if (t.isEmpty()) continue;
        if (!out.isEmpty()) out += separator;
        out += t;
    }
    return out;
}

int monthOf(QStringView text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

// The fields of a record read as UTF-8, decoded into one buffer that every record reuses.
class DecodedRecord {
public:
    const QList<QStringView>& decode(const QList<QByteArrayView>& bytes)
    {
        qsizetype size = 0;
        for (QByteArrayView b : bytes) size += b.size();
        if (m_text.size() < size) m_text.resize(size); // UTF-16 holds no more units than UTF-8 has bytes
        QChar* out = m_text.data();
        m_fields.clear();
        for (QByteArrayView b : bytes) {
            // Mostly ASCII, widened here; the decoder takes the rest of a field from its first other byte.
            QChar* const start = out;
            qsizetype i = 0;
            for (; i < b.size() && uchar(b[i]) < 0x80; ++i) *out++ = QChar(uchar(b[i]));
            if (i < b.size()) out = m_utf8.appendToBuffer(out, b.sliced(i));
            m_fields.append(QStringView(start, out));
        }
        return m_fields;
    }

private:
    QStringDecoder m_utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    QString m_text;
    QList<QStringView> m_fields;
};

} // namespace

CsvRowReader::CsvRowReader(const std::vector<CsvTarget>& targets)
{
    m_fields << QStringLiteral("Name");
    m_fieldColumns.resize(1);
    auto fieldAt = [this](const QString& column) {
        qsizetype at = m_fields.indexOf(column);
        if (at < 0) {
            at = m_fields.size();
            m_fields << column;
            m_fieldColumns.emplace_back();
        }
        return int(at);
    };
    for (int i = 0; i < int(targets.size()); ++i) {
        switch (targets[size_t(i)].kind) {
        case CsvTarget::Field: m_fieldColumns[size_t(fieldAt(targets[size_t(i)].column))].push_back(i); break;
        case CsvTarget::GivenName: m_given.push_back(i); break;
        case CsvTarget::MiddleName: m_middle.push_back(i); break;
        case CsvTarget::FamilyName: m_family.push_back(i); break;
        case CsvTarget::FullName: m_full.push_back(i); break;
        case CsvTarget::Nickname: m_nickname.push_back(i); break;
        case CsvTarget::BirthYear: m_year = i; break;
        case CsvTarget::BirthMonth: m_month = i; break;
        case CsvTarget::BirthDay: m_day = i; break;
        case CsvTarget::LeaveOut: break;
        }
    }
    if (m_month >= 0 && m_day >= 0) m_birthday = fieldAt(QStringLiteral("Birthday"));
    m_email1 = int(m_fields.indexOf(QStringLiteral("Email1")));
}

void CsvRowReader::read(const QList<QStringView>& row, QStringList& texts) const
{
    texts.resize(m_fields.size());
    for (size_t f = 0; f < m_fieldColumns.size(); ++f) {
        const std::vector<int>& columns = m_fieldColumns[f];
        if (columns.size() == 1)
            texts[qsizetype(f)] = row.value(columns.front()).toString();
        else
            texts[qsizetype(f)] = joinedTexts(row, columns, f == size_t(m_name) ? u" " : u", ");
    }
    // A name of parts, as a mail client joins them; else the full name, the nickname or the address.
    QString& name = texts[m_name];
    if (name.trimmed().isEmpty()) {
        QString parts = joinedTexts(row, m_given, u" ");
        for (const auto* more : {&m_middle, &m_family}) {
            const QString part = joinedTexts(row, *more, u" ");
            if (!part.isEmpty()) parts += (parts.isEmpty() ? QString() : QStringLiteral(" ")) + part;
        }
        name = !parts.isEmpty()                                ? parts
               : !joinedTexts(row, m_full, u" ").isEmpty()     ? joinedTexts(row, m_full, u" ")
               : !joinedTexts(row, m_nickname, u" ").isEmpty() ? joinedTexts(row, m_nickname, u" ")
               : m_email1 >= 0                                 ? texts[m_email1].trimmed()
                                                               : QString();
    }
    if (m_birthday >= 0 && texts[m_birthday].isEmpty()) {
        // A birthday of its parts; without a year it is kept in 1904, as a card's is.
        const int month = monthOf(row.value(m_month)), day = monthOf(row.value(m_day));
        const int year = m_year >= 0 && monthOf(row.value(m_year)) > 0 ? monthOf(row.value(m_year)) : 1904;
        const QDate date(year, month, day);
        texts[m_birthday] = date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
    }
}

void importContactsFromOtherCsvFile(TMainDataModule& dm)
{
    const QString path = chooseFileToOpen(QStringLiteral("CSV (*.csv)|*.CSV|Text (*.txt)|*.TXT"));
    if (path.isEmpty()) return;
    // Read as UTF-8 a piece at a time, each record decoded as it is imported: the file is never held whole.
    const std::unique_ptr<Utf8TextFile> file = Utf8TextFile::open(path);
    if (!file) return;
    auto refuse = [&path](const QString& why) { refuseFile(path, why); };
    if (const int line = file->zeroByteLine())
        return refuse(QStringLiteral("it is not a text file (line %1 holds a zero byte)").arg(line));
    const char separator = [&file] {
        QByteArray start;
        file->readPiece(start);
        return detectCsvSeparator(QByteArrayView(start));
    }();
    if (const int line = unclosedQuoteLine(*file, separator))
        return refuse(QStringLiteral("the quoted field that begins on line %1 is not closed").arg(line));
    QList<QByteArrayView> record;
    DecodedRecord decoded;
    QStringList header;
    std::vector<CsvTarget> targets;
    CsvSource source = CsvSource::Other;
    {
        Utf8CsvFile ahead(*file, separator);
        if (!ahead.next(record)) return refuse(QStringLiteral("it is empty"));
        for (QStringView h : decoded.decode(record)) header << trimBlanks(h);
        source = recogniseCsvHeader(header);
        if (source == CsvSource::Other) {
            std::vector<QStringList> first; // the rows after the header, for the preview
            while (first.size() < 5 && ahead.next(record)) {
                QStringList cells;
                for (QStringView c : decoded.decode(record)) cells << c.toString();
                first.push_back(cells);
            }
            TCsvMappingForm mapping(path, header, first, guessedCsvTargets(header), QApplication::activeWindow());
            if (mapping.exec() != QDialog::Accepted) return;
            targets = mapping.targets();
        } else if (source != CsvSource::Google && source != CsvSource::GoogleOlder) {
            targets = knownCsvTargets(source, header);
        }
    }

    ContactImport import(dm);
    import.summary().setReplacedLines(file->replacedLines());
    ContactImport::Values values;
    const bool google = source == CsvSource::Google || source == CsvSource::GoogleOlder;
    // Google's rows as cards, read as a card file's are; the others column by column.
    const GoogleRows googleRows(google ? header : QStringList());
    const CardMapping cards(import, CardFields::File);
    const CsvRowReader columns(targets);
    std::vector<int> fieldColumns;
    for (const QString& f : columns.fields()) fieldColumns.push_back(import.column(f.toLatin1().constData()));
    QStringList texts;

    Utf8CsvFile reader(*file, separator);
    reader.next(record); // the header
    WorkProgress progress(QStringLiteral("Importing contacts"), file->lineCount() + 1);
    while (reader.next(record)) {
        if (!progress.step(reader.line(), import.added())) break;
        const QList<QStringView>& row = decoded.decode(record);
        values.clear();
        if (google) {
            cards.fill(contactItemFromVCard(googleRows.card(row)), values);
        } else {
            columns.read(row, texts);
            for (qsizetype f = 0; f < texts.size(); ++f)
                if (!texts[f].isEmpty()) values.emplace_back(fieldColumns[size_t(f)], texts[f]);
        }
        import.add(values);
    }
    import.finish();
    showInformation(import.closingMessage());
}

} // namespace qv
