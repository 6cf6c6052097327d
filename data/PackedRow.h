#pragma once
// The in-memory form of a dataset's rows: every row's cells packed into one run of bytes, and the runs of all
// rows laid one after another in large blocks, so that a dataset of a hundred thousand contacts is a few hundred
// allocations, not a hundred thousand, and a scan reads memory in order.

#include <QVariant>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// A view of one packed row. The bytes: a flags byte; a null map (a bit per column); one code byte per column that
// is not null (the length of a text up to 239 bytes, or integer of 1, 2, 3, 4 or 8 bytes, real, long text); the data
// offset of every sixteenth column (16-bit, or 32-bit when the flags byte says so); then the cells' data one after
// another: UTF-8 texts, integers, 8-byte reals, and long texts behind their 4-byte length; last, the row's 8-byte rowid
// when the flags byte says so (a table whose first column is not the rowid's alias). A column's data is found from the
// nearest sixteenth column's offset plus the sizes of at most fifteen cells before it.
// Rows are read where a RowStore keeps them: the null map is read a word at a time, into the padding that the
// store leaves after each block's last row.
class PackedRow {
public:
    enum Tag : unsigned char { Null = 0, Int = 1, Real = 2, Text = 3 };

    PackedRow() = default;
    explicit PackedRow(const char* data) : m_data(data) {}
    bool isValid() const { return m_data != nullptr; }
    const char* data() const { return m_data; }

    Tag tag(int column, int columnCount) const;
    // A text's UTF-8 bytes, or a number's bytes as stored; size 0 for null.
    const char* bytes(int column, int columnCount, int* size) const;
    qint64 integer(int column, int columnCount) const; // 0 unless the cell is an integer
    QVariant value(int column, int columnCount) const;
    size_t byteSize(int columnCount) const; // the whole run: header, data and a stored rowid
    // The rowid the row was read with: stored, or else the first column's integer (0 when there is none).
    qint64 rowid(int columnCount) const;

    // Asks the processor to bring the row's first cache lines in ahead of a scan reaching it.
    void prefetch(int lines = 2) const
    {
        if (m_data)
            for (int i = 0; i < lines; ++i) __builtin_prefetch(m_data + 64 * i);
    }

    // The codes of the cells, as the bytes after the flags byte hold them.
    static constexpr unsigned char LongestShortText = 0xEF;
    static constexpr unsigned char CodeNull = 0xF0, CodeInt = 0xF1, CodeReal = 0xF2, CodeLongText = 0xF3;
    // Integers take the fewest of 1, 2, 3, 4 or 8 bytes that hold them: keys and links are mostly small.
    static constexpr unsigned char CodeInt8 = 0xF4, CodeInt32 = 0xF5, CodeInt16 = 0xF6, CodeInt24 = 0xF7;
    static constexpr int CheckpointEvery = 16;

    // Collects one row's cells in column order, then writes them out packed. A text is not copied when added: its
    // bytes are read when the row is written out, and must stay where they are until then (a statement's current
    // row, a row already stored). Only addValue's texts are converted and kept by the builder.
    class Builder {
    public:
        explicit Builder(int columns);
        void clear();
        void addNull() { startCell(CodeNull, 0); }
        void addInt(qint64 v)
        {
            if (v >= -128 && v <= 127)
                startCell(CodeInt8, 1);
            else if (v >= -32768 && v <= 32767)
                startCell(CodeInt16, 2);
            else if (v >= -8388608 && v <= 8388607)
                startCell(CodeInt24, 3);
            else if (v >= -2147483647LL - 1 && v <= 2147483647LL)
                startCell(CodeInt32, 4);
            else
                startCell(CodeInt, 8);
            m_cells[size_t(m_column - 1)].number = v;
        }
        void addReal(double v);
        void addText(const char* utf8, int size)
        {
            if (size < 0) size = 0;
            const bool isShort = size <= LongestShortText;
            startCell(isShort ? static_cast<unsigned char>(size) : CodeLongText, size_t(size) + (isShort ? 0 : 4));
            Cell& cell = m_cells[size_t(m_column - 1)];
            cell.number = 0;
            cell.text = utf8;
            cell.size = quint32(size);
        }
        void addValue(const QVariant& v); // null, number or text, by the variant's type
        // The row's rowid: kept only when the first column does not already hold it.
        void setRowid(qint64 rowid)
        {
            m_rowid = rowid;
            m_hasRowid = true;
        }
        Tag tag(int column) const;
        qint64 integer(int column) const; // an added integer's value; 0 for any other cell
        size_t packedSize() const;
        void writeTo(char* out) const;

    private:
        struct Cell {
            qint64 number = 0;          // an integer's value, a real's bits, or an owned text's offset
            const char* text = nullptr; // a text's bytes; null for an owned text
            quint32 size = 0;           // a text's length
        };
        void startCell(unsigned char code, size_t dataBytes)
        {
            if (m_column > 0 && m_column % CheckpointEvery == 0)
                m_checkpoints[size_t(m_column / CheckpointEvery - 1)] = quint32(m_dataSize);
            m_codes[size_t(m_column++)] = code;
            if (code == CodeNull) ++m_nulls;
            m_dataSize += dataBytes;
        }
        bool storesRowid() const;
        int m_columns;
        int m_column = 0;
        int m_nulls = 0;
        qint64 m_rowid = 0;
        bool m_hasRowid = false;
        size_t m_dataSize = 0;
        std::vector<unsigned char> m_codes;
        std::vector<Cell> m_cells;
        std::vector<quint32> m_checkpoints;
        std::string m_owned;
    };

private:
    const char* cell(int column, int columnCount, unsigned char* code) const; // a cell's data and its code
    const char* m_data = nullptr;
};

// The blocks that hold the packed rows of one dataset. A row is known by a 32-bit reference (its block and its
// offset there), half a pointer: a dataset keeps one per row. Rows never move while the store lives. A row replaced
// or deleted leaves its bytes behind as garbage until the owner copies the live rows into a fresh store.
class RowStore {
public:
    using Ref = quint32;
    RowStore() = default;
    RowStore(RowStore&&) noexcept = default;
    RowStore& operator=(RowStore&&) noexcept = default;

    Ref add(const PackedRow::Builder& row);
    Ref copy(const char* packed, size_t size);
    const char* at(Ref ref) const { return m_blocks[ref >> OffsetBits].get() + (ref & OffsetMask); }
    void release(size_t size) { m_garbage += size; }
    void clear();

    size_t allocatedBytes() const { return m_allocated; }
    size_t usedBytes() const { return m_used; }
    size_t garbageBytes() const { return m_garbage; }

    static constexpr int OffsetBits = 18; // a block of shared rows is at most 256 KiB
    static constexpr Ref OffsetMask = (Ref(1) << OffsetBits) - 1;

private:
    char* allocate(size_t size, Ref* ref);
    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_freeBlock = 0; // the block m_free points into
    char* m_free = nullptr;
    size_t m_left = 0;
    size_t m_lastBlockSize = 0;
    size_t m_allocated = 0, m_used = 0, m_garbage = 0;
};

} // namespace qv
