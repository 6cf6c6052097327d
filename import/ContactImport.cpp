#include "import/ContactImport.h"
#include "data/DataModule.h"
#include "data/StoredText.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace qv {

namespace {

// The unit separator cannot be typed into a name, so no two different pairs give one key.
constexpr char Separator = 0x1F;

void appendUtf8(std::string& key, char32_t c)
{
    if (c < 0x80) {
        key += char(c);
    } else if (c < 0x800) {
        key += char(0xC0 | (c >> 6));
        key += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        key += char(0xE0 | (c >> 12));
        key += char(0x80 | ((c >> 6) & 0x3F));
        key += char(0x80 | (c & 0x3F));
    } else {
        key += char(0xF0 | (c >> 18));
        key += char(0x80 | ((c >> 12) & 0x3F));
        key += char(0x80 | ((c >> 6) & 0x3F));
        key += char(0x80 | (c & 0x3F));
    }
}

// The code point of a well-formed UTF-8 sequence at p (its length in *length), or -1 when it is not one.
int decodeUtf8(const unsigned char* p, int left, int* length)
{
    const unsigned char b = p[0];
    int n = 0;
    char32_t c = 0, least = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, c = b & 0x07, least = 0x10000;
    } else {
        return -1;
    }
    if (n > left) return -1;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return -1;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
    *length = n;
    return int(c);
}

// Letter case folded away, as a case-insensitive locate compares: code point by code point, each folded on its own
// (which is what folding a whole text does). A text that is not well-formed UTF-8 goes the long way, through the
// toolkit's own reading of it.
void appendFolded(std::string& key, const char* utf8, int size)
{
    const size_t start = key.size();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    for (int i = 0; i < size;) {
        if (p[i] < 0x80) {
            const char c = char(p[i++]);
            key += c >= 'A' && c <= 'Z' ? char(c + 32) : c;
            continue;
        }
        int length = 0;
        const int c = decodeUtf8(p + i, size - i, &length);
        if (c < 0) {
            key.resize(start);
            key += textFromUtf8(utf8, size).toCaseFolded().toStdString();
            return;
        }
        appendUtf8(key, QChar::toCaseFolded(char32_t(c)));
        i += length;
    }
}

// The same for a text in memory, read code point by code point without converting it first; a lone surrogate, which
// has no code point, goes the long way.
void appendFolded(std::string& key, QStringView text)
{
    const size_t start = key.size();
    const char16_t* p = text.utf16();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t u = p[i];
        if (u < 0x80) {
            key += u >= 'A' && u <= 'Z' ? char(u + 32) : char(u);
            continue;
        }
        char32_t c = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            c = QChar::surrogateToUcs4(u, p[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(u)) {
            key.resize(start);
            const QByteArray utf8 = text.toUtf8();
            appendFolded(key, utf8.constData(), int(utf8.size()));
            return;
        }
        appendUtf8(key, QChar::toCaseFolded(c));
    }
}

size_t hashOf(const std::string& key) { return std::hash<std::string_view>{}(key); }

} // namespace

ContactImport::ContactImport(TMainDataModule& dm)
    : m_people(*dm.PeopleCompanyDet), m_initialCount(dm.PeopleCompanyDet->recordCount()),
      m_nameColumn(m_people.requireField("Name")), m_emailColumn(m_people.requireField("Email1")),
      m_bulk(*dm.PeopleCompanyDet)
{
    m_people.checkBrowseMode();
    dm.CompaniesTable->first();
    // Windows bound to the contacts are hidden while an import runs: no need to tell them of every row.
    m_people.disableControls();
}

ContactImport::~ContactImport()
{
    if (m_quiet) m_people.enableControls();
}

int ContactImport::column(const char* name) const { return m_people.requireField(QString::fromLatin1(name)); }

void ContactImport::foldRowKey(int position, std::string& key)
{
    // Read in place: moving the contacts to each row would make their details follow every time.
    key.clear();
    for (int column : {m_nameColumn, m_emailColumn}) {
        int size = 0;
        if (const char* p = m_people.utf8At(position, column, &size))
            appendFolded(key, p, size);
        else if (const QVariant v = m_people.valueAt(position, column); !v.isNull())
            appendFolded(key, v.toString()); // a value not stored as text
        if (column == m_nameColumn) key += Separator;
    }
}

void ContactImport::reserveSlots(size_t contacts)
{
    // At most half full, so that a probe ends after a step or two.
    size_t size = 1024;
    while (size < contacts * 2) size *= 2;
    if (size <= m_slots.size()) return;
    std::vector<std::pair<size_t, int>> old(size, {0, -1});
    old.swap(m_slots);
    m_used = 0;
    for (const auto& [h, p] : old)
        if (p >= 0) remember(h, p);
}

void ContactImport::remember(size_t hash, int position)
{
    if ((m_used + 1) * 2 > m_slots.size()) reserveSlots(m_slots.size());
    size_t i = hash & (m_slots.size() - 1);
    while (m_slots[i].second >= 0) i = (i + 1) & (m_slots.size() - 1);
    m_slots[i] = {hash, position};
    ++m_used;
}

bool ContactImport::isKnown(const std::string& key, size_t hash)
{
    if (m_slots.empty()) return false;
    for (size_t i = hash & (m_slots.size() - 1); m_slots[i].second >= 0; i = (i + 1) & (m_slots.size() - 1)) {
        if (m_slots[i].first != hash) continue;
        foldRowKey(m_slots[i].second, m_candidate);
        if (m_candidate == key) return true;
    }
    return false;
}

void ContactImport::indexContacts()
{
    m_indexed = true;
    const int count = m_people.recordCount();
    reserveSlots(size_t(count) + size_t(count) / 4);
    // The slots are spread over more memory than the processor keeps at hand: the hashes of a run of contacts are
    // worked out first and their slots asked for, so that the run's stores do not wait on memory one by one.
    constexpr int Run = 16;
    size_t hashes[Run];
    for (int from = 0; from < count; from += Run) {
        const int n = std::min(Run, count - from);
        for (int k = 0; k < n; ++k) {
            foldRowKey(from + k, m_key);
            hashes[k] = hashOf(m_key);
            __builtin_prefetch(&m_slots[hashes[k] & (m_slots.size() - 1)], 1);
        }
        for (int k = 0; k < n; ++k) remember(hashes[k], from + k);
    }
}

bool ContactImport::add(const QString& name, const QString& email1, const Values& values)
{
    // The required-name rule would refuse such a name, and with the Files window hidden it could not even
    // show where: leave the row out, as an empty name is.
    if (TMainDataModule::isBlankName(name)) return false;
    size_t hash = 0;
    if (m_initialCount > 0) {
        if (!m_indexed) indexContacts();
        m_key.clear();
        appendFolded(m_key, name);
        m_key += Separator;
        appendFolded(m_key, email1);
        hash = hashOf(m_key);
        if (isKnown(m_key, hash)) return false;
    }
    m_people.append();
    for (const auto& [index, value] : values) {
        const bool empty = value.typeId() == QMetaType::QString
                               ? static_cast<const QString*>(value.constData())->isEmpty()
                               : value.isNull();
        if (!empty) m_people.setValue(index, value);
    }
    m_bulk.post();
    if (m_initialCount > 0) remember(hash, m_people.recNo());
    ++m_added;
    return true;
}

void ContactImport::finish()
{
    if (m_quiet) {
        m_quiet = false;
        m_people.enableControls();
    }
    m_bulk.finish();
}

} // namespace qv
