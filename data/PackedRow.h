#pragma once
// The in-memory form of a dataset's rows.

#include <QVariant>
#include <string>
#include <vector>

namespace qv {

// One row packed into a single allocation: a flags byte, one type tag per column, the end offset of every
// column's bytes (16-bit, or 32-bit for rare long rows), then the values: UTF-8 text, 8-byte integers and reals.
class PackedRow {
public:
    enum Tag : unsigned char { Null = 0, Int = 1, Real = 2, Text = 3 };
    PackedRow() = default;
    PackedRow(const PackedRow&) = delete;
    PackedRow& operator=(const PackedRow&) = delete;
    PackedRow(PackedRow&& o) noexcept : m_data(o.m_data) { o.m_data = nullptr; }
    PackedRow& operator=(PackedRow&& o) noexcept;
    ~PackedRow();

    static PackedRow pack(const std::vector<QVariant>& values);
    Tag tag(int column, int columnCount) const;
    const char* bytes(int column, int columnCount, int* size) const;
    QVariant value(int column, int columnCount) const;
    size_t allocatedBytes(int columnCount) const;
    bool isValid() const { return m_data != nullptr; }
    // Asks the processor to bring the row's header in ahead of a scan reaching it.
    void prefetch() const
    {
        if (m_data) {
            __builtin_prefetch(m_data);
            __builtin_prefetch(m_data + 64);
            __builtin_prefetch(m_data + 128);
        }
    }

    // Builder used while reading from the engine, without a QVariant per cell.
    struct Builder {
        explicit Builder(int columns) : tags(columns), ends(columns) {}
        void clear()
        {
            data.clear();
            col = 0;
        }
        void addNull();
        void addInt(qint64 v);
        void addReal(double v);
        void addText(const char* utf8, int size);
        PackedRow build() const;
        std::vector<unsigned char> tags;
        std::vector<quint32> ends;
        std::string data;
        int col = 0;
    };

private:
    char* m_data = nullptr;
};

} // namespace qv
