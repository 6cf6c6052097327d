#pragma once
// The folded first eight bytes of one text column of every held row, one word a row, so that a search box's
// keystroke compares words and reads a row only for a candidate. Worked out on first use and again once the rows or
// the column change.

#include <QtGlobal>
#include <vector>

namespace qv {

class StoredRows;

class SearchKeys {
public:
    // Set in a key whose row must be compared in full: a text that does not fold byte by byte, or no text at all.
    static constexpr quint64 Unfolded = 0x80;
    // The first eight bytes of an ASCII text, its capitals made small, the first byte lowest.
    static quint64 fold(const char* utf8, int size);
    // A mask of the bytes of a key that a search text of `size` bytes decides.
    static quint64 maskFor(int size) { return size >= 8 ? ~quint64(0) : (quint64(1) << (8 * size)) - 1; }

    const std::vector<quint64>& of(const StoredRows& rows, int column);

private:
    std::vector<quint64> m_keys;
    int m_column = -1;
    quint64 m_generation = 0;
};

} // namespace qv
