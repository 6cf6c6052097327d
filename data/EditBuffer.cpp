#include "data/EditBuffer.h"
#include "data/DatabaseError.h"
#include "data/Schema.h"

#include <QStringEncoder>

namespace qv {

namespace {

// The first UTF-16 unit of a text that is half of a pair without its other half.
int loneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return c.unicode();
    }
    return 0;
}

} // namespace

void EditBuffer::clear()
{
    m_values.clear();
    m_set.clear();
    m_modified = false;
}

void EditBuffer::startEmpty(int columns)
{
    if (m_values.size() != size_t(columns)) m_values.assign(size_t(columns), QVariant());
    m_set.assign(size_t(columns), false);
    m_modified = false;
}

void EditBuffer::startFrom(const PackedRow& row, int columns)
{
    m_values.resize(size_t(columns));
    for (int i = 0; i < columns; ++i) m_values[size_t(i)] = row.value(i, columns);
    m_set.assign(size_t(columns), false);
    m_modified = false;
}

bool EditBuffer::set(int column, const QVariant& value)
{
    QVariant& slot = m_values[size_t(column)];
    const QString* text =
        value.typeId() == QMetaType::QString ? static_cast<const QString*>(value.constData()) : nullptr;
    if (text && !text->isNull()) {
        // A text, what imports and edit boxes set: compared as it is, without converting either.
        if (slot.typeId() == QMetaType::QString && *static_cast<const QString*>(slot.constData()) == *text)
            return false;
    } else if (slot.isNull() == value.isNull() && slot == value) {
        return false;
    }
    slot = value;
    m_set[size_t(column)] = true;
    m_modified = true;
    return true;
}

void EditBuffer::posted(bool inserted)
{
    if (inserted) {
        // Only the values set can be other than null: the emptied buffer serves the next insert.
        for (size_t i = 0; i < m_values.size(); ++i)
            if (m_set[i]) m_values[i] = QVariant();
    } else {
        m_values.clear();
    }
    m_set.clear();
    m_modified = false;
}

void EditBuffer::prepareWrite(const TableDef& table)
{
    m_written.clear();
    for (int i = 0; i < int(m_values.size()); ++i)
        if (m_set[size_t(i)] && table.columns[size_t(i)].type != ColumnType::AutoIncrement) m_written.push_back(i);
    // Each text is converted once: the bytes bound are the bytes the row keeps. They go one after another into one
    // buffer kept from row to row, made large enough first, so that a row's texts cost no allocation.
    m_writtenTexts.assign(m_written.size(), Utf8Span{});
    QStringEncoder toUtf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    qsizetype room = 0;
    for (int i : m_written)
        if (const QVariant& v = m_values[size_t(i)]; v.typeId() == QMetaType::QString)
            room += toUtf8.requiredSpace(static_cast<const QString*>(v.constData())->size());
    if (m_utf8.size() < room) m_utf8.resize(room);
    char* out = m_utf8.data();
    for (size_t k = 0; k < m_written.size(); ++k) {
        const QVariant& v = m_values[size_t(m_written[k])];
        if (v.typeId() != QMetaType::QString || v.isNull()) continue;
        const QString& text = *static_cast<const QString*>(v.constData());
        char* const start = out;
        out = toUtf8.appendToBuffer(out, text);
        if (toUtf8.hasError()) {
            // Half of a character outside the basic plane: storing a stand-in would store another text than the one
            // shown.
            throw DatabaseError(
                QStringLiteral("The value in field '%1' holds an invalid character (U+%2, half of a "
                               "character pair). Correct it and save again.")
                    .arg(table.columns[size_t(m_written[k])].name, QString::number(loneSurrogate(text), 16).toUpper()));
        }
        m_writtenTexts[k] = {start, int(out - start)};
    }
}

} // namespace qv
