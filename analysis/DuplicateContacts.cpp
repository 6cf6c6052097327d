#include "analysis/DuplicateContacts.h"
#include "data/Dataset.h"
#include "data/DuplicateIndex.h"
#include "data/StoredText.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace qv::duplicates {

namespace {

// Letters that carry their mark in themselves and so keep it through decomposition, as their plain forms.
std::u32string_view plainLetters(char32_t c)
{
    switch (c) {
    case U'ł': return U"l";
    case U'ø': return U"o";
    case U'đ': return U"d";
    case U'ħ': return U"h";
    case U'ı': return U"i";
    case U'ß': return U"ss";
    case U'æ': return U"ae";
    case U'œ': return U"oe";
    case U'þ': return U"th";
    case U'ð': return U"d";
    default: return {};
    }
}

bool isApostrophe(char32_t c) { return c == U'\'' || c == U'\u2019' || c == U'\u2018' || c == U'\u02BC' || c == U'`'; }

// Word boundaries as offsets into the letters key; names have a handful of words, more are rare.
struct Words {
    std::vector<std::pair<quint32, quint32>> spans;
    void clear() { spans.clear(); }
};

void joinSortedWords(const std::string& letters, Words& words, std::string& out)
{
    out.clear();
    const auto view = [&](const std::pair<quint32, quint32>& s) {
        return std::string_view(letters).substr(s.first, s.second - s.first);
    };
    std::sort(words.spans.begin(), words.spans.end(), [&](const auto& a, const auto& b) { return view(a) < view(b); });
    for (size_t i = 0; i < words.spans.size(); ++i) {
        if (i) out += ' ';
        out += view(words.spans[i]);
    }
}

bool foldNameSlowly(const char* utf8, int size, NameKeys& keys, Words& words)
{
    keys.letters.clear();
    words.clear();
    const QString text = textFromUtf8(utf8, size).normalized(QString::NormalizationForm_KD);
    bool inWord = false;
    quint32 start = 0;
    const auto endWord = [&] {
        if (inWord) words.spans.emplace_back(start, quint32(keys.letters.size()));
        inWord = false;
    };
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
            category == QChar::Mark_Enclosing)
            continue;                  // the accent of a decomposed letter
        if (isApostrophe(c)) continue; // "O'Brien" is "OBrien"
        if (!QChar::isLetterOrNumber(c)) {
            endWord();
            continue;
        }
        if (!inWord) {
            inWord = true;
            start = quint32(keys.letters.size());
        }
        const char32_t folded = QChar::toCaseFolded(c);
        const std::u32string_view plain = plainLetters(folded);
        if (plain.empty())
            DuplicateIndex::appendUtf8(keys.letters, folded);
        else
            for (char32_t p : plain) DuplicateIndex::appendUtf8(keys.letters, p);
    }
    endWord();
    if (keys.letters.empty()) return false;
    joinSortedWords(keys.letters, words, keys.words);
    return true;
}

// Open addressing over keys kept once in one buffer; a slot holds the first contact that had its key.
class TextKeys {
public:
    explicit TextKeys(size_t expected)
    {
        size_t size = 1024;
        while (size < expected * 2) size *= 2;
        m_slots.assign(size, Slot{});
    }
    // The first contact with the key, or `owner` when it is the first.
    int claim(std::string_view key, int owner)
    {
        if ((m_used + 1) * 2 > m_slots.size()) grow();
        const quint64 hash = std::hash<std::string_view>{}(key);
        for (size_t i = hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            Slot& s = m_slots[i];
            if (s.owner < 0) {
                s = Slot{hash, m_bytes.size(), quint32(key.size()), owner};
                m_bytes.append(key);
                ++m_used;
                return owner;
            }
            if (s.hash == hash && s.length == key.size() && std::string_view(m_bytes).substr(s.offset, s.length) == key)
                return s.owner;
        }
    }

private:
    struct Slot {
        quint64 hash = 0;
        size_t offset = 0;
        quint32 length = 0;
        int owner = -1;
    };
    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2, Slot{});
        old.swap(m_slots);
        for (const Slot& s : old) {
            if (s.owner < 0) continue;
            size_t i = s.hash & (m_slots.size() - 1);
            while (m_slots[i].owner >= 0) i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = s;
        }
    }
    std::vector<Slot> m_slots;
    std::string m_bytes;
    size_t m_used = 0;
};

// The same for numbers.
class NumberKeys {
public:
    int claim(quint64 key, int owner)
    {
        if ((m_used + 1) * 2 > m_slots.size()) grow();
        for (size_t i = spread(key) & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            Slot& s = m_slots[i];
            if (s.owner < 0) {
                s = Slot{key, owner};
                ++m_used;
                return owner;
            }
            if (s.key == key) return s.owner;
        }
    }
    int find(quint64 key) const
    {
        if (m_slots.empty()) return -1;
        for (size_t i = spread(key) & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            const Slot& s = m_slots[i];
            if (s.owner < 0 || s.key == key) return s.owner;
        }
    }
    bool empty() const { return m_used == 0; }

private:
    struct Slot {
        quint64 key = 0;
        int owner = -1;
    };
    static size_t spread(quint64 key) { return size_t((key * 0x9E3779B97F4A7C15ull) >> 20); }
    void grow()
    {
        std::vector<Slot> old(std::max<size_t>(1024, m_slots.size() * 2), Slot{});
        old.swap(m_slots);
        for (const Slot& s : old) {
            if (s.owner < 0) continue;
            size_t i = spread(s.key) & (m_slots.size() - 1);
            while (m_slots[i].owner >= 0) i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = s;
        }
    }
    std::vector<Slot> m_slots;
    size_t m_used = 0;
};

// Contacts joined into groups (union-find), each remembering by what it was joined.
class Joins {
public:
    explicit Joins(int count) : m_parent(size_t(count)), m_reasons(size_t(count), 0)
    {
        for (int i = 0; i < count; ++i) m_parent[size_t(i)] = i;
    }
    void join(int a, int b, Reason reason)
    {
        if (a == b) return;
        m_reasons[size_t(a)] |= reason;
        m_reasons[size_t(b)] |= reason;
        a = root(a);
        b = root(b);
        if (a == b) return;
        // The earlier contact stands for the group: its first member.
        if (a < b)
            m_parent[size_t(b)] = a;
        else
            m_parent[size_t(a)] = b;
    }
    int root(int i)
    {
        while (m_parent[size_t(i)] != i) {
            m_parent[size_t(i)] = m_parent[size_t(m_parent[size_t(i)])];
            i = m_parent[size_t(i)];
        }
        return i;
    }
    unsigned reasons(int i) const { return m_reasons[size_t(i)]; }

private:
    std::vector<int> m_parent;
    std::vector<unsigned char> m_reasons;
};

// A text cell of a shown row: its bytes as held, or a value held otherwise (a number another program wrote) as text.
struct CellReader {
    const Dataset& ds;
    QByteArray scratch;
    bool read(int row, int column, const char** data, int* size)
    {
        *data = ds.utf8At(row, column, size);
        if (*data) return true;
        const QVariant v = ds.valueAt(row, column);
        if (v.isNull()) return false;
        scratch = v.toString().toUtf8();
        *data = scratch.constData();
        *size = int(scratch.size());
        return true;
    }
};

} // namespace

QString reasonText(unsigned reasons)
{
    QStringList parts;
    if (reasons & SameName) parts << QStringLiteral("same name");
    if (reasons & SameEmail) parts << QStringLiteral("same e-mail");
    if (reasons & SameTelephone) parts << QStringLiteral("same telephone");
    return parts.join(QStringLiteral(", "));
}

const QStringList& emailColumns()
{
    static const QStringList columns{"Email", "Email1", "Email2", "TelCallback"};
    return columns;
}

const QStringList& telephoneColumns()
{
    static const QStringList columns{"Mobile", "PrimaryTel", "TelH1", "TelH2", "TelB1", "TelB2"};
    return columns;
}

bool foldName(const char* utf8, int size, NameKeys& keys)
{
    thread_local Words words;
    keys.letters.clear();
    words.clear();
    bool inWord = false;
    quint32 start = 0;
    for (int i = 0; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80) return foldNameSlowly(utf8, size, keys, words);
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            if (!inWord) {
                inWord = true;
                start = quint32(keys.letters.size());
            }
            keys.letters += char(c);
        } else if (isApostrophe(c)) {
            continue; // "O'Brien" is "OBrien"
        } else if (inWord) {
            words.spans.emplace_back(start, quint32(keys.letters.size()));
            inWord = false;
        }
    }
    if (inWord) words.spans.emplace_back(start, quint32(keys.letters.size()));
    if (keys.letters.empty()) return false;
    joinSortedWords(keys.letters, words, keys.words);
    return true;
}

bool foldEmail(const char* utf8, int size, std::string& key)
{
    while (size > 0 && static_cast<unsigned char>(utf8[0]) <= ' ') {
        ++utf8;
        --size;
    }
    while (size > 0 && static_cast<unsigned char>(utf8[size - 1]) <= ' ') --size;
    key.clear();
    DuplicateIndex::appendFolded(key, utf8, size);
    const size_t at = key.find('@');
    return at != std::string::npos && at > 0 && at + 1 < key.size();
}

bool readTelephone(const char* utf8, int size, Telephone& number)
{
    number = Telephone{};
    for (int i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= '0' && c <= '9') {
            number.lastDigits = (number.lastDigits * 10 + (c - '0')) % 1000000000;
            ++number.count;
        } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') {
            break; // "x 12", "ext. 12": the extension is not the number
        }
    }
    return number.count >= 7;
}

bool sameTelephone(const Telephone& a, const Telephone& b)
{
    if (a.isLong() && b.isLong()) return a.lastDigits == b.lastDigits;
    return a.lastSeven() == b.lastSeven();
}

std::optional<std::vector<Group>> findGroups(const Dataset& contacts, const std::vector<int>* rows,
                                             const std::function<bool(int)>& progress)
{
    const int count = rows ? int(rows->size()) : contacts.recordCount();
    const int nameColumn = contacts.requireField(QStringLiteral("Name"));
    std::vector<int> emails, telephones;
    for (const QString& c : emailColumns()) emails.push_back(contacts.requireField(c));
    for (const QString& c : telephoneColumns()) telephones.push_back(contacts.requireField(c));
    const auto rowOf = [&](int i) { return rows ? (*rows)[size_t(i)] : i; };

    Joins joins(count);
    TextKeys names(size_t(count) * 2), addresses(size_t(count) * 2);
    // Numbers of nine digits or more meet on their last nine; shorter ones meet any number on their last seven.
    NumberKeys longNumbers, shortNumbers;
    CellReader cells{contacts, {}};
    NameKeys nameKeys;
    std::string address;
    Telephone number;
    const char* p = nullptr;
    int size = 0;
    for (int i = 0; i < count; ++i) {
        if (progress && (i & 4095) == 0 && !progress(i)) return std::nullopt;
        const int row = rowOf(i);
        if (cells.read(row, nameColumn, &p, &size) && foldName(p, size, nameKeys)) {
            joins.join(i, names.claim(nameKeys.words, i), SameName);
            if (nameKeys.letters != nameKeys.words) joins.join(i, names.claim(nameKeys.letters, i), SameName);
        }
        for (int column : emails)
            if (cells.read(row, column, &p, &size) && foldEmail(p, size, address))
                joins.join(i, addresses.claim(address, i), SameEmail);
        for (int column : telephones) {
            if (!cells.read(row, column, &p, &size) || !readTelephone(p, size, number)) continue;
            if (number.isLong())
                joins.join(i, longNumbers.claim(number.lastDigits, i), SameTelephone);
            else
                joins.join(i, shortNumbers.claim(number.lastSeven(), i), SameTelephone);
        }
    }
    // A short number also meets the long ones that end like it: a second look at the long numbers, only when there
    // is a short one at all.
    if (!shortNumbers.empty()) {
        for (int i = 0; i < count; ++i) {
            const int row = rowOf(i);
            for (int column : telephones) {
                if (!cells.read(row, column, &p, &size) || !readTelephone(p, size, number) || !number.isLong())
                    continue;
                const int owner = shortNumbers.find(number.lastSeven());
                if (owner >= 0) joins.join(i, owner, SameTelephone);
            }
        }
    }

    // Each group under its first contact (the root of its joins), in the order of those.
    const size_t n = size_t(count);
    std::vector<int> rootOf(n), groupOf(n, -1), members(n, 0);
    for (int i = 0; i < count; ++i) ++members[size_t(rootOf[size_t(i)] = joins.root(i))];
    std::vector<Group> groups;
    for (int i = 0; i < count; ++i)
        if (rootOf[size_t(i)] == i && members[size_t(i)] > 1) {
            groupOf[size_t(i)] = int(groups.size());
            groups.emplace_back();
            groups.back().people.reserve(size_t(members[size_t(i)]));
        }
    for (int i = 0; i < count; ++i) {
        const int g = groupOf[size_t(rootOf[size_t(i)])];
        if (g < 0) continue;
        groups[size_t(g)].people.push_back(contacts.rowIdAt(rowOf(i)));
        groups[size_t(g)].reasons |= joins.reasons(i);
    }
    if (progress) progress(count);
    return groups;
}

} // namespace qv::duplicates
