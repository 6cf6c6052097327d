#include "data/PackedRow.h"

#include <cstring>
#include <limits>
#include <new>

namespace qv {

namespace {

constexpr unsigned char WideCheckpoints = 1;
constexpr unsigned char LongestShortText = 0xEF;
constexpr unsigned char CodeNull = 0xF0, CodeInt = 0xF1, CodeReal = 0xF2, CodeLongText = 0xF3;
// Integers take the fewest of 1, 4 or 8 bytes that hold them: keys and links are mostly small.
constexpr unsigned char CodeInt8 = 0xF4, CodeInt32 = 0xF5;
constexpr int CheckpointEvery = 8;
// Blocks grow from small to large, so that a table of a few rows takes a few kilobytes and a large one a few
// hundred blocks.
constexpr size_t FirstBlockSize = 4 * 1024, LargestBlockSize = 256 * 1024;

int checkpointCount(int columns) { return columns > 0 ? (columns - 1) / CheckpointEvery : 0; }

size_t headerSize(int columns, bool wide)
{
    return 1 + size_t(columns) + size_t(checkpointCount(columns)) * (wide ? 4 : 2);
}

// Bytes a cell takes in the data area, its length prefix included.
inline size_t cellSize(unsigned char code, const char* at)
{
    if (code <= LongestShortText) return code;
    if (code == CodeNull) return 0;
    if (code == CodeInt8) return 1;
    if (code == CodeInt32) return 4;
    if (code == CodeLongText) {
        quint32 n;
        std::memcpy(&n, at, 4);
        return 4 + size_t(n);
    }
    return 8;
}

// The offset of a column's cell within the data area, and where that area starts.
inline size_t cellOffset(const char* row, int column, int columns, const char** dataArea)
{
    const bool wide = row[0] & WideCheckpoints;
    const char* data = row + headerSize(columns, wide);
    *dataArea = data;
    const int k = column / CheckpointEvery;
    size_t offset = 0;
    if (k > 0) {
        const char* checkpoint = row + 1 + columns + size_t(k - 1) * (wide ? 4 : 2);
        if (wide) {
            quint32 v;
            std::memcpy(&v, checkpoint, 4);
            offset = v;
        } else {
            quint16 v;
            std::memcpy(&v, checkpoint, 2);
            offset = v;
        }
    }
    const unsigned char* codes = reinterpret_cast<const unsigned char*>(row + 1);
    for (int c = k * CheckpointEvery; c < column; ++c) offset += cellSize(codes[c], data + offset);
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
    Q_UNUSED(columnCount);
    return tagOf(static_cast<unsigned char>(m_data[1 + column]));
}

const char* PackedRow::bytes(int column, int columnCount, int* size) const
{
    const char* data;
    const size_t offset = cellOffset(m_data, column, columnCount, &data);
    const unsigned char code = static_cast<unsigned char>(m_data[1 + column]);
    const char* at = data + offset;
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
    int size = 0;
    const char* p = bytes(column, columnCount, &size);
    switch (static_cast<unsigned char>(m_data[1 + column])) {
    case CodeInt8: return qint64(static_cast<signed char>(*p));
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
        return QVariant(QString::fromUtf8(p, size));
    }
    }
    return {};
}

size_t PackedRow::byteSize(int columnCount) const
{
    if (!m_data) return 0;
    if (columnCount == 0) return 1;
    const char* data;
    const int last = columnCount - 1;
    const size_t offset = cellOffset(m_data, last, columnCount, &data);
    return size_t(data - m_data) + offset + cellSize(static_cast<unsigned char>(m_data[1 + last]), data + offset);
}

// ================================================================ PackedRow::Builder

PackedRow::Builder::Builder(int columns)
    : m_columns(columns), m_codes(size_t(columns)), m_checkpoints(size_t(checkpointCount(columns)))
{
    m_data.reserve(1024);
}

void PackedRow::Builder::clear()
{
    m_column = 0;
    m_data.clear(); // keeps its capacity: one row after another reuses it
}

inline void PackedRow::Builder::startCell(unsigned char code)
{
    if (m_column > 0 && m_column % CheckpointEvery == 0)
        m_checkpoints[size_t(m_column / CheckpointEvery - 1)] = quint32(m_data.size());
    m_codes[size_t(m_column++)] = code;
}

void PackedRow::Builder::addNull() { startCell(CodeNull); }

void PackedRow::Builder::addInt(qint64 v)
{
    if (v >= -128 && v <= 127) {
        startCell(CodeInt8);
        m_data.push_back(static_cast<char>(static_cast<signed char>(v)));
    } else if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max()) {
        startCell(CodeInt32);
        const qint32 n = qint32(v);
        m_data.append(reinterpret_cast<const char*>(&n), 4);
    } else {
        startCell(CodeInt);
        m_data.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
}

void PackedRow::Builder::addReal(double v)
{
    startCell(CodeReal);
    m_data.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void PackedRow::Builder::addText(const char* utf8, int size)
{
    if (size < 0) size = 0;
    if (size <= LongestShortText) {
        startCell(static_cast<unsigned char>(size));
    } else {
        startCell(CodeLongText);
        const quint32 n = quint32(size);
        m_data.append(reinterpret_cast<const char*>(&n), 4);
    }
    if (size > 0) m_data.append(utf8, size_t(size));
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
        const QByteArray u = v.toString().toUtf8();
        addText(u.constData(), int(u.size()));
    }
    }
}

PackedRow::Tag PackedRow::Builder::tag(int column) const { return tagOf(m_codes[size_t(column)]); }

size_t PackedRow::Builder::packedSize() const { return headerSize(m_columns, m_data.size() > 0xFFFF) + m_data.size(); }

void PackedRow::Builder::writeTo(char* out) const
{
    const bool wide = m_data.size() > 0xFFFF;
    out[0] = wide ? WideCheckpoints : 0;
    std::memcpy(out + 1, m_codes.data(), size_t(m_columns));
    char* checkpoints = out + 1 + m_columns;
    for (size_t i = 0; i < m_checkpoints.size(); ++i) {
        if (wide) {
            std::memcpy(checkpoints + 4 * i, &m_checkpoints[i], 4);
        } else {
            const quint16 v = quint16(m_checkpoints[i]);
            std::memcpy(checkpoints + 2 * i, &v, 2);
        }
    }
    if (!m_data.empty()) std::memcpy(out + headerSize(m_columns, wide), m_data.data(), m_data.size());
}

// ================================================================ RowStore

char* RowStore::allocate(size_t size)
{
    if (size > m_left) {
        // A row larger than a block gets a block of its own; the rest of the current block stays in use.
        const size_t grown = m_blocks.empty() ? FirstBlockSize : std::min(LargestBlockSize, 2 * m_lastBlockSize);
        m_lastBlockSize = grown;
        const size_t blockSize = std::max(size, grown);
        m_blocks.push_back(std::unique_ptr<char[]>(new char[blockSize]));
        m_allocated += blockSize;
        if (blockSize == size) {
            m_used += size;
            return m_blocks.back().get();
        }
        m_free = m_blocks.back().get();
        m_left = blockSize;
    }
    char* at = m_free;
    m_free += size;
    m_left -= size;
    m_used += size;
    return at;
}

const char* RowStore::add(const PackedRow::Builder& row)
{
    char* at = allocate(row.packedSize());
    row.writeTo(at);
    return at;
}

const char* RowStore::copy(const char* packed, size_t size)
{
    char* at = allocate(size);
    std::memcpy(at, packed, size);
    return at;
}

void RowStore::clear() { *this = RowStore(); }

} // namespace qv
