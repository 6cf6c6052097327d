#include "data/PackedRow.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace qv {

namespace {
constexpr unsigned char WideOffsets = 1;

size_t headerSize(int columns, bool wide) { return 1 + size_t(columns) + size_t(columns) * (wide ? 4 : 2); }
} // namespace

PackedRow& PackedRow::operator=(PackedRow&& o) noexcept
{
    if (this != &o) {
        std::free(m_data);
        m_data = o.m_data;
        o.m_data = nullptr;
    }
    return *this;
}

PackedRow::~PackedRow() { std::free(m_data); }

void PackedRow::Builder::addNull()
{
    tags[col] = Null;
    ends[col++] = quint32(data.size());
}

void PackedRow::Builder::addInt(qint64 v)
{
    tags[col] = Int;
    data.append(reinterpret_cast<const char*>(&v), sizeof v);
    ends[col++] = quint32(data.size());
}

void PackedRow::Builder::addReal(double v)
{
    tags[col] = Real;
    data.append(reinterpret_cast<const char*>(&v), sizeof v);
    ends[col++] = quint32(data.size());
}

void PackedRow::Builder::addText(const char* utf8, int size)
{
    tags[col] = Text;
    if (size > 0) data.append(utf8, size_t(size));
    ends[col++] = quint32(data.size());
}

PackedRow PackedRow::Builder::build() const
{
    const int n = int(tags.size());
    const bool wide = data.size() > 0xFFFF;
    const size_t head = headerSize(n, wide);
    PackedRow row;
    row.m_data = static_cast<char*>(std::malloc(head + data.size()));
    if (!row.m_data) throw std::bad_alloc();
    row.m_data[0] = wide ? WideOffsets : 0;
    std::memcpy(row.m_data + 1, tags.data(), size_t(n));
    char* offsets = row.m_data + 1 + n;
    for (int i = 0; i < n; ++i) {
        if (wide) {
            std::memcpy(offsets + 4 * i, &ends[i], 4);
        } else {
            quint16 e = quint16(ends[i]);
            std::memcpy(offsets + 2 * i, &e, 2);
        }
    }
    if (!data.empty()) std::memcpy(row.m_data + head, data.data(), data.size());
    return row;
}

PackedRow PackedRow::pack(const std::vector<QVariant>& values)
{
    Builder b(int(values.size()));
    for (const QVariant& v : values) {
        if (!v.isValid() || v.isNull()) {
            b.addNull();
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::Bool: b.addInt(v.toBool() ? 1 : 0); break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong: b.addInt(v.toLongLong()); break;
        case QMetaType::Double: b.addReal(v.toDouble()); break;
        default: {
            const QByteArray u = v.toString().toUtf8();
            b.addText(u.constData(), int(u.size()));
        }
        }
    }
    return b.build();
}

PackedRow::Tag PackedRow::tag(int column, int columnCount) const
{
    Q_UNUSED(columnCount);
    return Tag(static_cast<unsigned char>(m_data[1 + column]));
}

const char* PackedRow::bytes(int column, int n, int* size) const
{
    const bool wide = m_data[0] & WideOffsets;
    const char* offsets = m_data + 1 + n;
    quint32 end, begin = 0;
    if (wide) {
        std::memcpy(&end, offsets + 4 * column, 4);
        if (column > 0) std::memcpy(&begin, offsets + 4 * (column - 1), 4);
    } else {
        quint16 e, b = 0;
        std::memcpy(&e, offsets + 2 * column, 2);
        if (column > 0) std::memcpy(&b, offsets + 2 * (column - 1), 2);
        end = e;
        begin = b;
    }
    *size = int(end - begin);
    return m_data + headerSize(n, wide) + begin;
}

QVariant PackedRow::value(int column, int n) const
{
    int size = 0;
    switch (tag(column, n)) {
    case Null: return {};
    case Int: {
        qint64 v;
        std::memcpy(&v, bytes(column, n, &size), sizeof v);
        return QVariant(v);
    }
    case Real: {
        double v;
        std::memcpy(&v, bytes(column, n, &size), sizeof v);
        return QVariant(v);
    }
    case Text: {
        const char* p = bytes(column, n, &size);
        return QVariant(QString::fromUtf8(p, size));
    }
    }
    return {};
}

size_t PackedRow::allocatedBytes(int n) const
{
    if (!m_data || n == 0) return 0;
    int size = 0;
    const char* lastBegin = bytes(n - 1, n, &size);
    return size_t(lastBegin + size - m_data);
}

} // namespace qv
