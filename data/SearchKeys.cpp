#include "data/SearchKeys.h"
#include "data/StoredRows.h"

#include <algorithm>

namespace qv {

quint64 SearchKeys::fold(const char* utf8, int size)
{
    quint64 key = 0;
    for (int i = 0; i < std::min(size, 8); ++i) {
        unsigned char ch = static_cast<unsigned char>(utf8[i]);
        if (ch >= 'A' && ch <= 'Z') ch += 'a' - 'A';
        key |= quint64(ch) << (8 * i);
    }
    return key;
}

const std::vector<quint64>& SearchKeys::of(const StoredRows& rows, int column)
{
    if (m_column == column && m_generation == rows.generation()) return m_keys;
    const int columns = rows.columnCount();
    m_keys.resize(size_t(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const PackedRow row = rows.row(r);
        quint64 key = Unfolded;
        if (row.tag(column, columns) == PackedRow::Text) {
            int size = 0;
            const char* p = row.bytes(column, columns, &size);
            bool ascii = true;
            for (int i = 0; i < std::min(size, 8); ++i) ascii &= static_cast<unsigned char>(p[i]) < 0x80 && p[i] != 0;
            // Only ASCII folds byte by byte; any other text is compared as characters.
            if (ascii) key = fold(p, size);
        }
        m_keys[size_t(r)] = key;
    }
    m_column = column;
    m_generation = rows.generation();
    return m_keys;
}

} // namespace qv
