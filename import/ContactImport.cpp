#include "import/ContactImport.h"
#include "data/DataModule.h"
#include "import/TextFile.h"

namespace qv {

namespace {

// Letter case folded away: ASCII byte by byte, other text through Unicode case folding, as a case-insensitive
// locate compares.
void appendFolded(QByteArray& key, const char* utf8, int size)
{
    for (int i = 0; i < size; ++i)
        if (static_cast<unsigned char>(utf8[i]) >= 0x80) {
            key += QString::fromUtf8(utf8, size).toCaseFolded().toUtf8();
            return;
        }
    for (int i = 0; i < size; ++i) {
        const char c = utf8[i];
        key += c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
}

void appendFolded(QByteArray& key, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    appendFolded(key, utf8.constData(), int(utf8.size()));
}

// The unit separator cannot be typed into a name, so no two different pairs give one key.
constexpr char Separator = 0x1F;

} // namespace

ContactImport::ContactImport(TMainDataModule& dm)
    : m_people(*dm.PeopleCompanyDet), m_initialCount(dm.PeopleCompanyDet->recordCount()), m_bulk(*dm.PeopleCompanyDet)
{
    m_people.checkBrowseMode();
    dm.CompaniesTable->first();
}

int ContactImport::column(const char* name) const { return m_people.requireField(QString::fromLatin1(name)); }

bool ContactImport::isBlankName(const QString& name) { return trimControl(name).isEmpty(); }

QByteArray ContactImport::duplicateKey(const QString& name, const QString& email1)
{
    QByteArray key;
    appendFolded(key, name);
    key += Separator;
    appendFolded(key, email1);
    return key;
}

void ContactImport::indexExistingContacts()
{
    m_indexed = true;
    const int nameColumn = column("Name"), emailColumn = column("Email1");
    const int count = m_people.recordCount();
    m_keys.reserve(count * 2);
    // Nobody needs to see the walk: the bound controls catch up once, at the end.
    m_people.disableControls();
    QByteArray key;
    for (int i = 0; i < count; ++i) {
        m_people.moveTo(i);
        key.clear();
        for (int column : {nameColumn, emailColumn}) {
            int size = 0;
            if (const char* p = m_people.utf8(column, &size))
                appendFolded(key, p, size);
            else
                appendFolded(key, m_people.text(column)); // null, or a value not stored as text
            if (column == nameColumn) key += Separator;
        }
        m_keys.insert(key);
    }
    m_people.enableControls();
}

bool ContactImport::add(const QString& name, const QString& email1, const std::vector<std::pair<int, QString>>& values)
{
    // The required-name rule would refuse such a name, and with the Files window hidden it could not even
    // show where: leave the row out, as an empty name is.
    if (isBlankName(name)) return false;
    if (m_initialCount > 0) {
        if (!m_indexed) indexExistingContacts();
        const QByteArray key = duplicateKey(name, email1);
        if (m_keys.contains(key)) return false;
        m_keys.insert(key);
    }
    m_people.append();
    for (const auto& [index, text] : values)
        if (!text.isEmpty()) m_people.setValue(index, text);
    m_bulk.post();
    ++m_added;
    return true;
}

void ContactImport::finish() { m_bulk.finish(); }

} // namespace qv
