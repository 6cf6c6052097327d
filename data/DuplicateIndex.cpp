#include "data/DuplicateIndex.h"
#include "data/Dataset.h"
#include "data/StoredText.h"

#include <QString>
#include <algorithm>
#include <string_view>

namespace qv {

namespace {

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

size_t hashOf(const std::string& key) { return std::hash<std::string_view>{}(key); }

} // namespace

void DuplicateIndex::appendUtf8(std::string& key, char32_t c)
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

void DuplicateIndex::appendFolded(std::string& key, const char* utf8, int size)
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

void DuplicateIndex::appendFolded(std::string& key, QStringView text)
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
            // Half a pair has no code point: folded as the toolkit folds the whole text.
            key.resize(start);
            key += text.toString().toCaseFolded().toStdString();
            return;
        }
        appendUtf8(key, QChar::toCaseFolded(c));
    }
}

DuplicateIndex::DuplicateIndex(RowKey rowKey) : m_rowKey(std::move(rowKey)) {}

DuplicateIndex DuplicateIndex::byFoldedColumns(const Dataset& dataset, const std::vector<int>& columns)
{
    return DuplicateIndex([&dataset, columns](int position, std::string& key) {
        // Read in place: moving the dataset to each row would make its details follow every time.
        for (size_t k = 0; k < columns.size(); ++k) {
            if (k > 0) key += Separator;
            int size = 0;
            if (const char* p = dataset.utf8At(position, columns[k], &size))
                appendFolded(key, p, size);
            else if (const QVariant v = dataset.valueAt(position, columns[k]); !v.isNull())
                appendFolded(key, v.toString()); // a value not stored as text
        }
    });
}

std::string DuplicateIndex::foldedKey(std::initializer_list<QStringView> texts)
{
    std::string key;
    bool first = true;
    for (QStringView t : texts) {
        if (!first) key += Separator;
        first = false;
        appendFolded(key, t);
    }
    return key;
}

void DuplicateIndex::reserve(size_t rows)
{
    size_t size = 1024;
    while (size < rows * 2) size *= 2;
    if (size <= m_slots.size()) return;
    std::vector<std::pair<size_t, int>> old(size, {0, -1});
    old.swap(m_slots);
    m_used = 0;
    for (const auto& [h, p] : old)
        if (p >= 0) place(h, p);
}

void DuplicateIndex::place(size_t hash, int position)
{
    if ((m_used + 1) * 2 > m_slots.size()) reserve(std::max<size_t>(m_slots.size(), 512));
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    while (m_slots[i].second >= 0) i = (i + 1) & mask;
    m_slots[i] = {hash, position};
    ++m_used;
}

void DuplicateIndex::build(int rows)
{
    m_built = true;
    reserve(size_t(rows) + size_t(rows) / 4);
    // The slots are spread over more memory than the processor keeps at hand: the hashes of a run of rows are worked
    // out first and their slots asked for, so that the run's stores do not wait on memory one by one.
    constexpr int Run = 16;
    size_t hashes[Run];
    std::string key;
    for (int from = 0; from < rows; from += Run) {
        const int n = std::min(Run, rows - from);
        for (int k = 0; k < n; ++k) {
            key.clear();
            m_rowKey(from + k, key);
            hashes[k] = hashOf(key);
            __builtin_prefetch(&m_slots[hashes[k] & (m_slots.size() - 1)], 1);
        }
        for (int k = 0; k < n; ++k) place(hashes[k], from + k);
    }
}

int DuplicateIndex::find(const std::string& key)
{
    if (m_slots.empty()) return -1;
    const size_t hash = hashOf(key), mask = m_slots.size() - 1;
    for (size_t i = hash & mask; m_slots[i].second >= 0; i = (i + 1) & mask) {
        if (m_slots[i].first != hash) continue;
        m_rowKeyText.clear();
        m_rowKey(m_slots[i].second, m_rowKeyText);
        if (m_rowKeyText == key) return m_slots[i].second;
    }
    return -1;
}

void DuplicateIndex::insert(const std::string& key, int position) { place(hashOf(key), position); }

} // namespace qv
