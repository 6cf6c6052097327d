#include "import/ContactExport.h"
#include "data/DataModule.h"
#include "import/ContactItem.h"
#include "import/ContentLines.h"
#include "import/CsvFormat.h"
#include "import/ExportFile.h"
#include "import/FieldCaptions.h"
#include "import/FieldReader.h"
#include "platform/Messages.h"
#include "platform/WorkProgress.h"

#include <QDir>
#include <QSet>
#include <functional>

namespace qv {

namespace {

// ---------------------------------------------------------------- vCard

// The card's properties for the fields other programs know. A property is written when any of its fields holds a
// value; each names its fields, component by component, in the parameter that lets the import put them back.
struct CardLine {
    const char* head;
    std::vector<const char*> columns; // nullptr: a component no field fills
};
const std::vector<CardLine>& cardLines()
{
    static const std::vector<CardLine> lines{
        {"TITLE", {"JobTitle"}},
        {"ROLE", {"Profession"}},
        {"ORG", {"Company", "Department"}},
        {"EMAIL;TYPE=home;PREF=1", {"Email1"}},
        {"EMAIL;TYPE=home", {"Email2"}},
        {"EMAIL;TYPE=work", {"TelCallback"}},
        {"EMAIL", {"Email"}},
        {"TEL;VALUE=text;TYPE=voice;PREF=1", {"PrimaryTel"}},
        {"TEL;VALUE=text;TYPE=cell", {"Mobile"}},
        {"TEL;VALUE=text;TYPE=\"home,voice\"", {"TelH1"}},
        {"TEL;VALUE=text;TYPE=\"home,voice\"", {"TelH2"}},
        {"TEL;VALUE=text;TYPE=\"home,fax\"", {"FaxH"}},
        {"TEL;VALUE=text;TYPE=x-telex", {"Telex"}},
        {"TEL;VALUE=text;TYPE=\"work,voice\"", {"TelMain"}},
        {"TEL;VALUE=text;TYPE=\"work,voice\"", {"TelB1"}},
        {"TEL;VALUE=text;TYPE=\"work,voice\"", {"TelB2"}},
        {"TEL;VALUE=text;TYPE=\"work,fax\"", {"FaxB1"}},
        {"TEL;VALUE=text;TYPE=\"work,fax\"", {"FaxB2"}},
        {"ADR;TYPE=home", {"HAPostOfficeBox", nullptr, "HAStreet", "HACity", "HAState", "HAPostalCode", "HACountry"}},
        {"ADR;TYPE=work", {"BAPostOfficeBox", nullptr, "BAStreet", "BACity", "BAState", "BAPostalCode", "BACountry"}},
        {"URL;TYPE=home", {"HomePage"}},
        {"URL;TYPE=work", {"WebPage"}},
        {"BDAY", {"Birthday"}},
        {"ANNIVERSARY", {"Anniversary"}},
        {"NOTE", {"Info"}},
        {"LANG", {"Language"}},
        {"RELATED;TYPE=spouse;VALUE=text", {"Spouse"}},
        {"RELATED;TYPE=child;VALUE=text", {"Children"}},
        {"RELATED;TYPE=x-manager;VALUE=text", {"ManagerName"}},
        {"RELATED;TYPE=agent;VALUE=text", {"AssistantName"}},
        {"HOBBY", {"Hobbies"}},
        {"GENDER", {nullptr, "Gender"}},
    };
    return lines;
}

class CardWriter {
public:
    explicit CardWriter(const Dataset& people) : m_name(people, "Name"), m_title(people, "Title")
    {
        QSet<QString> onCard{"Name", "Title"};
        for (const CardLine& l : cardLines()) {
            Line line;
            QByteArrayList names;
            for (const char* c : l.columns) {
                line.readers.push_back(c ? std::make_unique<FieldReader>(people, c) : nullptr);
                names << QByteArray(c ? c : "");
                if (c) onCard.insert(QString::fromLatin1(c));
            }
            const QByteArray list = names.join(',');
            line.head =
                QByteArray(l.head) + ';' + OwnFieldParameter + '=' + (names.size() > 1 ? '"' + list + '"' : list) + ':';
            line.isDate = line.readers.front() && line.readers.front()->type() == ColumnType::DateTime;
            line.isGender = QByteArray(l.head) == "GENDER";
            m_lines.push_back(std::move(line));
        }
        // Every other field as a property of ours.
        for (const FieldCaption& f : contactFieldCaptions()) {
            if (onCard.contains(QString::fromLatin1(f.column))) continue;
            Line line;
            line.readers.push_back(std::make_unique<FieldReader>(people, f.column));
            line.head = QByteArray(OwnPropertyPrefix) + QByteArray(f.column).toUpper() + ':';
            m_lines.push_back(std::move(line));
        }
    }

    void write(int position, QByteArray& out)
    {
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        const QByteArray name = m_name.read(position).toByteArray();
        // The name the card shows, and its parts as a mail client splits a full name: the family name after the
        // last blank. The name itself comes back from the formatted name.
        startLine("FN;");
        m_line += OwnFieldParameter;
        m_line += "=Name:";
        appendEscapedText(m_line, name);
        appendFoldedLine(out, m_line);
        const qsizetype blank = name.lastIndexOf(' ');
        startLine("N;");
        m_line += OwnFieldParameter;
        m_line += "=\",,,Title\":";
        appendEscapedText(m_line, blank > 0 ? QByteArrayView(name).sliced(blank + 1) : QByteArrayView());
        m_line += ';';
        appendEscapedText(m_line, blank > 0 ? QByteArrayView(name).first(blank) : QByteArrayView(name));
        m_line += ";;";
        appendEscapedText(m_line, m_title.read(position));
        m_line += ';';
        appendFoldedLine(out, m_line);
        for (Line& line : m_lines) writeLine(line, position, out);
        out += "END:VCARD\r\n";
    }

private:
    struct Line {
        QByteArray head; // up to and with the colon
        std::vector<std::unique_ptr<FieldReader>> readers;
        bool isDate = false, isGender = false;
    };

    void writeLine(Line& line, int position, QByteArray& out)
    {
        m_values.clear();
        bool any = false;
        for (auto& r : line.readers) {
            m_values.push_back(r ? r->read(position) : QByteArrayView());
            any = any || !m_values.back().isEmpty();
        }
        if (!any) return;
        startLine(line.head);
        if (line.isDate) {
            // 19700102, or 19700102T103000 with a time of day.
            QByteArray date = m_values.front().toByteArray();
            date.replace('-', "").replace(':', "").replace(' ', 'T');
            m_line += date;
        } else {
            for (size_t k = 0; k < m_values.size(); ++k) {
                if (k > 0) m_line += ';';
                if (line.isGender && k == 0) {
                    // The sex component other programs read; the field's own text follows it.
                    m_line += m_values[1] == "Male" ? "M" : m_values[1] == "Female" ? "F" : "";
                    continue;
                }
                appendEscapedText(m_line, m_values[k]);
            }
        }
        appendFoldedLine(out, m_line);
    }

    // The line is composed in the room the previous ones left: no allocation per line.
    void startLine(QByteArrayView head)
    {
        m_line.resize(0);
        m_line.append(head);
    }

    FieldReader m_name, m_title;
    std::vector<Line> m_lines;
    std::vector<QByteArrayView> m_values;
    QByteArray m_line;
};

// ---------------------------------------------------------------- CSV

QByteArray headerOf(const std::vector<FieldCaption>& captions)
{
    QByteArray header;
    for (const FieldCaption& f : captions) {
        if (!header.isEmpty()) header += ',';
        appendCsvField(header, f.caption, qsizetype(qstrlen(f.caption)));
    }
    return header;
}

bool writeCsv(const Dataset& dataset, const std::vector<FieldCaption>& captions, const std::vector<int>& positions,
              const QString& caption, ExportFile& file)
{
    std::vector<std::unique_ptr<FieldReader>> readers;
    for (const FieldCaption& f : captions) readers.push_back(std::make_unique<FieldReader>(dataset, f.column));
    QByteArray& out = file.buffer();
    // The byte-order mark tells spreadsheets that the file is UTF-8.
    out += "\xEF\xBB\xBF" + headerOf(captions) + "\r\n";
    WorkProgress progress(caption, int(positions.size()), QStringLiteral(" record(s) exported."));
    for (size_t i = 0; i < positions.size(); ++i) {
        if (!progress.step(int(i), int(i))) return false;
        for (size_t k = 0; k < readers.size(); ++k) {
            if (k > 0) out += ',';
            const QByteArrayView v = readers[k]->read(positions[i]);
            appendCsvField(out, v.data(), v.size());
        }
        out += "\r\n";
        file.flushIfLarge();
    }
    return true;
}

std::vector<int> everyRow(const Dataset& dataset)
{
    std::vector<int> positions(size_t(dataset.recordCount()));
    for (size_t i = 0; i < positions.size(); ++i) positions[i] = int(i);
    return positions;
}

using Writer = std::function<bool(const Dataset&, const std::vector<int>&, ExportFile&)>;

// The file chosen, the rows written, and the count told; nothing under the chosen name when any of it fails.
void exportRows(Dataset& dataset, const std::vector<int>& positions, const Writer& write, const QString& filter,
                const QString& extension, const QString& defaultName, const QString& done)
{
    // A pending edit is posted first, as every command that reads the records does.
    dataset.checkBrowseMode();
    ExportFile file(filter, extension, defaultName);
    if (!file.choose()) return;
    const std::vector<int> rows = positions.empty() ? everyRow(dataset) : positions;
    if (!write(dataset, rows, file)) {
        file.cancel();
        return;
    }
    if (file.commit()) showInformation(done.arg(rows.size()).arg(QDir::toNativeSeparators(file.path())));
}

const QString CsvFilter = QStringLiteral("CSV (Comma delimited) (*.csv)|*.CSV");

} // namespace

bool writeContactsAsVCards(const Dataset& people, const std::vector<int>& positions, ExportFile& file)
{
    CardWriter writer(people);
    WorkProgress progress(QStringLiteral("Exporting contacts"), int(positions.size()),
                          QStringLiteral(" record(s) exported."));
    for (size_t i = 0; i < positions.size(); ++i) {
        if (!progress.step(int(i), int(i))) return false;
        writer.write(positions[i], file.buffer());
        file.flushIfLarge();
    }
    return true;
}

bool writeContactsAsCsv(const Dataset& people, const std::vector<int>& positions, ExportFile& file)
{
    return writeCsv(people, contactFieldCaptions(), positions, QStringLiteral("Exporting contacts"), file);
}

bool writeAccountsAsCsv(const Dataset& accounts, ExportFile& file)
{
    return writeCsv(accounts, accountFieldCaptions(), everyRow(accounts), QStringLiteral("Exporting accounts"), file);
}

QByteArray contactsCsvExportHeader() { return headerOf(contactFieldCaptions()); }
QByteArray accountsCsvExportHeader() { return headerOf(accountFieldCaptions()); }

void exportContactsToVCardFile(TMainDataModule& dm, const std::vector<int>& positions)
{
    exportRows(*dm.PeopleCompanyDet, positions, writeContactsAsVCards, QStringLiteral("vCard (*.vcf)|*.VCF"),
               QStringLiteral(".vcf"), QStringLiteral("Contacts"), QStringLiteral("%1 contact(s) exported to %2."));
}

void exportContactsToCsvFile(TMainDataModule& dm, const std::vector<int>& positions)
{
    exportRows(*dm.PeopleCompanyDet, positions, writeContactsAsCsv, CsvFilter, QStringLiteral(".csv"),
               QStringLiteral("Contacts"), QStringLiteral("%1 contact(s) exported to %2."));
}

void exportAccountsToCsvFile(TMainDataModule& dm)
{
    exportRows(
        *dm.AccountsTable, {},
        [](const Dataset& accounts, const std::vector<int>&, ExportFile& file) {
            return writeAccountsAsCsv(accounts, file);
        },
        CsvFilter, QStringLiteral(".csv"), QStringLiteral("Accounts"), QStringLiteral("%1 account(s) exported to %2."));
}

} // namespace qv
