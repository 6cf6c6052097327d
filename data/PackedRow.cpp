#include "data/PackedRow.h"
#include "data/StoredText.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace qv {

namespace {

constexpr unsigned char WideCheckpoints = 1, StoredRowid = 2;
constexpr unsigned char LongestShortText = PackedRow::LongestShortText;
constexpr unsigned char CodeNull = PackedRow::CodeNull, CodeInt = PackedRow::CodeInt, CodeReal = PackedRow::CodeReal,
                        CodeLongText = PackedRow::CodeLongText, CodeInt8 = PackedRow::CodeInt8,
                        CodeInt32 = PackedRow::CodeInt32, CodeInt16 = PackedRow::CodeInt16,
                        CodeInt24 = PackedRow::CodeInt24;
constexpr int CheckpointEvery = PackedRow::CheckpointEvery;
// Blocks grow from small to large, so that a table of a few rows takes a few kilobytes and a large one a few
// hundred blocks.
constexpr size_t FirstBlockSize = 4 * 1024, LargestBlockSize = size_t(1) << RowStore::OffsetBits;
// Bytes after a block's last row, so that reading a row's null map a word at a time never leaves the block.
constexpr size_t BlockPadding = 8;

int checkpointCount(int columns) { return columns > 0 ? (columns - 1) / CheckpointEvery : 0; }

int nullMapBytes(int columns) { return (columns + 7) / 8; }

// Bits set in a word, inline: the processors the program is built for may lack an instruction for it, and the
// library call that replaces one would dominate a cell's look-up.
inline int bitCount(quint64 v)
{
    v = v - ((v >> 1) & 0x5555555555555555ULL);
    v = (v & 0x3333333333333333ULL) + ((v >> 2) & 0x3333333333333333ULL);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return int((v * 0x0101010101010101ULL) >> 56);
}

// How many of the first `bits` columns are null: set bits of the null map, column c at bit c % 8 of byte c / 8.
inline int nullsBefore(const unsigned char* map, int bits)
{
    int n = 0;
    for (int i = 0; i < bits; i += 64) {
        // A whole word even where fewer bits are wanted: the store pads every block, so that the load stays in it.
        quint64 w;
        std::memcpy(&w, map + i / 8, 8);
        w = qFromLittleEndian(w);
        if (const int rest = bits - i; rest < 64) w &= (quint64(1) << rest) - 1;
        n += bitCount(w);
    }
    return n;
}

inline bool nullAt(const unsigned char* map, int column) { return (map[column >> 3] >> (column & 7)) & 1; }

// Where the parts of a packed row start.
struct Layout {
    const unsigned char* map;   // the null map
    const unsigned char* codes; // the codes of the cells that are not null, in column order
    const char* checkpoints;
    const char* data;
    bool wide;
};

inline Layout layoutOf(const char* row, int columns)
{
    Layout l;
    l.wide = row[0] & WideCheckpoints;
    l.map = reinterpret_cast<const unsigned char*>(row + 1);
    l.codes = l.map + nullMapBytes(columns);
    l.checkpoints = reinterpret_cast<const char*>(l.codes) + (columns - nullsBefore(l.map, columns));
    l.data = l.checkpoints + size_t(checkpointCount(columns)) * (l.wide ? 4 : 2);
    return l;
}

// Bytes a cell takes in the data area, its length prefix included.
inline size_t cellSize(unsigned char code, const char* at)
{
    if (code <= LongestShortText) return code;
    if (code == CodeNull) return 0;
    if (code == CodeInt8) return 1;
    if (code == CodeInt16) return 2;
    if (code == CodeInt24) return 3;
    if (code == CodeInt32) return 4;
    if (code == CodeLongText) {
        quint32 n;
        std::memcpy(&n, at, 4);
        return 4 + size_t(n);
    }
    return 8;
}

// The offset of a column's cell within the data area; `column` may be `columns`, the end of the data. `codeIndex`
// is the column's place among the codes: the column less the nulls before it.
inline size_t dataOffset(const Layout& l, int column, int columns, int codeIndex)
{
    const int k = std::min(column / CheckpointEvery, checkpointCount(columns));
    size_t offset = 0;
    if (k > 0) {
        const char* checkpoint = l.checkpoints + size_t(k - 1) * (l.wide ? 4 : 2);
        if (l.wide) {
            quint32 v;
            std::memcpy(&v, checkpoint, 4);
            offset = v;
        } else {
            quint16 v;
            std::memcpy(&v, checkpoint, 2);
            offset = v;
        }
    }
    // Null cells take no data and have no code: only the codes of the cells in between count.
    const int from = k * CheckpointEvery - nullsBefore(l.map, k * CheckpointEvery);
    for (int i = from; i < codeIndex; ++i) offset += cellSize(l.codes[i], l.data + offset);
    return offset;
}

PackedRow::Tag tagOf(unsigned char code)
{
    if (code <= LongestShortText || code == CodeLongText) return PackedRow::Text;
    if (code == CodeNull) return PackedRow::Null;
    return code == CodeReal ? PackedRow::Real : PackedRow::Int;
}

} // namespace

// ================================================================ PackedRow

PackedRow::Tag PackedRow::tag(int column, int columnCount) const
{
    const auto* map = reinterpret_cast<const unsigned char*>(m_data + 1);
    if (nullAt(map, column)) return Null;
    return tagOf(map[nullMapBytes(columnCount) + column - nullsBefore(map, column)]);
}

const char* PackedRow::cell(int column, int columnCount, unsigned char* code) const
{
    const Layout l = layoutOf(m_data, columnCount);
    const int codeIndex = column - nullsBefore(l.map, column);
    *code = nullAt(l.map, column) ? CodeNull : l.codes[codeIndex];
    return l.data + dataOffset(l, column, columnCount, codeIndex);
}

const char* PackedRow::bytes(int column, int columnCount, int* size) const
{
    unsigned char code;
    const char* at = cell(column, columnCount, &code);
    if (code <= LongestShortText) {
        *size = code;
        return at;
    }
    if (code == CodeLongText) {
        quint32 n;
        std::memcpy(&n, at, 4);
        *size = int(n);
        return at + 4;
    }
    *size = int(cellSize(code, at));
    return at;
}

qint64 PackedRow::integer(int column, int columnCount) const
{
    unsigned char code;
    const char* p = cell(column, columnCount, &code);
    switch (code) {
    case CodeInt8: return qint64(static_cast<signed char>(*p));
    case CodeInt16: {
        qint16 v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case CodeInt24: {
        // Little-endian, sign taken from the top byte.
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        return qint64(qint32(quint32(u[0]) << 8 | quint32(u[1]) << 16 | quint32(u[2]) << 24) >> 8);
    }
    case CodeInt32: {
        qint32 v;
        std::memcpy(&v, p, 4);
        return v;
    }
    case CodeInt: {
        qint64 v;
        std::memcpy(&v, p, 8);
        return v;
    }
    default: return 0;
    }
}

QVariant PackedRow::value(int column, int columnCount) const
{
    switch (tag(column, columnCount)) {
    case Null: return {};
    case Int: return QVariant(integer(column, columnCount));
    case Real: {
        int size = 0;
        double v;
        std::memcpy(&v, bytes(column, columnCount, &size), sizeof v);
        return QVariant(v);
    }
    case Text: {
        int size = 0;
        const char* p = bytes(column, columnCount, &size);
        return QVariant(textFromUtf8(p, size));
    }
    }
    return {};
}

size_t PackedRow::byteSize(int columnCount) const
{
    if (!m_data) return 0;
    const Layout l = layoutOf(m_data, columnCount);
    const int codes = int(reinterpret_cast<const unsigned char*>(l.checkpoints) - l.codes);
    return size_t(l.data - m_data) + dataOffset(l, columnCount, columnCount, codes) +
           ((m_data[0] & StoredRowid) ? 8 : 0);
}

qint64 PackedRow::rowid(int columnCount) const
{
    if (!m_data) return 0;
    if (m_data[0] & StoredRowid) {
        qint64 v;
        std::memcpy(&v, m_data + byteSize(columnCount) - 8, 8);
        return v;
    }
    return columnCount > 0 ? integer(0, columnCount) : 0;
}

// ================================================================ PackedRow::Builder

PackedRow::Builder::Builder(int columns)
    : m_columns(columns), m_codes(size_t(columns)), m_cells(size_t(columns)),
      m_checkpoints(size_t(checkpointCount(columns)))
{}

void PackedRow::Builder::clear()
{
    m_column = 0;
    m_nulls = 0;
    m_dataSize = 0;
    m_rowid = 0;
    m_hasRowid = false;
    m_owned.clear(); // keeps its capacity: one row after another reuses it
}

void PackedRow::Builder::addReal(double v)
{
    startCell(CodeReal, 8);
    std::memcpy(&m_cells[size_t(m_column - 1)].number, &v, 8);
}

void PackedRow::Builder::addValue(const QVariant& v)
{
    if (!v.isValid() || v.isNull()) return addNull();
    switch (v.typeId()) {
    case QMetaType::Bool: return addInt(v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: return addInt(v.toLongLong());
    case QMetaType::Double: return addReal(v.toDouble());
    default: {
        // Kept by the builder, found by its offset: the buffer may move as further texts are added.
        const QByteArray u = v.toString().toUtf8();
        const size_t offset = m_owned.size();
        m_owned.append(u.constData(), size_t(u.size()));
        addText(nullptr, int(u.size()));
        m_cells[size_t(m_column - 1)].number = qint64(offset);
    }
    }
}

PackedRow::Tag PackedRow::Builder::tag(int column) const { return tagOf(m_codes[size_t(column)]); }

qint64 PackedRow::Builder::integer(int column) const { return tag(column) == Int ? m_cells[size_t(column)].number : 0; }

bool PackedRow::Builder::storesRowid() const
{
    // Most tables' first column is the rowid's alias: then it holds the rowid already.
    if (!m_hasRowid) return false;
    if (m_column == 0) return true;
    const unsigned char code = m_codes[0];
    const bool integer =
        code == CodeInt8 || code == CodeInt16 || code == CodeInt24 || code == CodeInt32 || code == CodeInt;
    return !integer || m_cells[0].number != m_rowid;
}

size_t PackedRow::Builder::packedSize() const
{
    const size_t checkpoints = size_t(checkpointCount(m_columns)) * (m_dataSize > 0xFFFF ? 4 : 2);
    return 1 + size_t(nullMapBytes(m_columns)) + size_t(m_columns - m_nulls) + checkpoints + m_dataSize +
           (storesRowid() ? 8 : 0);
}

void PackedRow::Builder::writeTo(char* out) const
{
    const bool wide = m_dataSize > 0xFFFF;
    const bool rowid = storesRowid();
    out[0] = static_cast<char>((wide ? WideCheckpoints : 0) | (rowid ? StoredRowid : 0));
    auto* map = reinterpret_cast<unsigned char*>(out + 1);
    const int mapBytes = nullMapBytes(m_columns);
    std::memset(map, 0, size_t(mapBytes));
    unsigned char* codes = map + mapBytes;
    for (int c = 0; c < m_columns; ++c) {
        const unsigned char code = m_codes[size_t(c)];
        if (code == CodeNull)
            map[c >> 3] |= static_cast<unsigned char>(1 << (c & 7));
        else
            *codes++ = code;
    }
    char* checkpoints = reinterpret_cast<char*>(codes);
    for (size_t i = 0; i < m_checkpoints.size(); ++i) {
        if (wide) {
            std::memcpy(checkpoints + 4 * i, &m_checkpoints[i], 4);
        } else {
            const quint16 v = quint16(m_checkpoints[i]);
            std::memcpy(checkpoints + 2 * i, &v, 2);
        }
    }
    char* at = checkpoints + m_checkpoints.size() * (wide ? 4 : 2);
    for (int c = 0; c < m_column; ++c) {
        const unsigned char code = m_codes[size_t(c)];
        const Cell& cell = m_cells[size_t(c)];
        if (code <= LongestShortText || code == CodeLongText) {
            if (code == CodeLongText) {
                std::memcpy(at, &cell.size, 4);
                at += 4;
            }
            const char* text = cell.text ? cell.text : m_owned.data() + cell.number;
            if (cell.size > 0) std::memcpy(at, text, cell.size);
            at += cell.size;
        } else if (code == CodeInt8) {
            *at++ = static_cast<char>(static_cast<signed char>(cell.number));
        } else if (code == CodeInt16) {
            const qint16 n = qint16(cell.number);
            std::memcpy(at, &n, 2);
            at += 2;
        } else if (code == CodeInt24) {
            const quint32 n = quint32(cell.number);
            at[0] = char(n & 0xFF);
            at[1] = char((n >> 8) & 0xFF);
            at[2] = char((n >> 16) & 0xFF);
            at += 3;
        } else if (code == CodeInt32) {
            const qint32 n = qint32(cell.number);
            std::memcpy(at, &n, 4);
            at += 4;
        } else if (code != CodeNull) {
            std::memcpy(at, &cell.number, 8); // a 64-bit integer, or a real's bits
            at += 8;
        }
    }
    if (rowid) std::memcpy(at, &m_rowid, 8);
}

// ================================================================ RowStore

char* RowStore::allocate(size_t size, Ref* ref)
{
    if (size > m_left) {
        if (m_blocks.size() > (std::numeric_limits<Ref>::max() >> OffsetBits)) throw std::bad_alloc();
        const size_t grown = m_blocks.empty() ? FirstBlockSize : std::min(LargestBlockSize, 2 * m_lastBlockSize);
        m_lastBlockSize = grown;
        const size_t blockSize = std::max(size, grown);
        m_blocks.push_back(std::unique_ptr<char[]>(new char[blockSize + BlockPadding]));
        std::memset(m_blocks.back().get() + blockSize, 0, BlockPadding);
        m_allocated += blockSize + BlockPadding;
        if (blockSize == size) {
            // A row larger than a block gets a block of its own; the rest of the current block stays in use, and the
            // next rows' references name that block, not this one.
            m_used += size;
            *ref = Ref(m_blocks.size() - 1) << OffsetBits;
            return m_blocks.back().get();
        }
        m_freeBlock = m_blocks.size() - 1;
        m_free = m_blocks.back().get();
        m_left = blockSize;
    }
    char* at = m_free;
    *ref = Ref(m_freeBlock) << OffsetBits | Ref(at - m_blocks[m_freeBlock].get());
    m_free += size;
    m_left -= size;
    m_used += size;
    return at;
}

RowStore::Ref RowStore::add(const PackedRow::Builder& row)
{
    Ref ref;
    row.writeTo(allocate(row.packedSize(), &ref));
    return ref;
}

RowStore::Ref RowStore::copy(const char* packed, size_t size)
{
    Ref ref;
    std::memcpy(allocate(size, &ref), packed, size);
    return ref;
}

void RowStore::clear() { *this = RowStore(); }

} // namespace qv
