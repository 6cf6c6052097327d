#include "import/FieldReader.h"

namespace qv {

FieldReader::FieldReader(const Dataset& dataset, const char* column)
    : m_dataset(dataset), m_index(dataset.requireField(QString::fromLatin1(column))), m_type(dataset.fieldType(m_index))
{}

QByteArrayView FieldReader::read(int position)
{
    int size = 0;
    if (m_type == ColumnType::Text)
        if (const char* p = m_dataset.utf8At(position, m_index, &size)) return QByteArrayView(p, size);
    const QVariant v = m_dataset.valueAt(position, m_index);
    if (v.isNull()) return {};
    if (m_type == ColumnType::DateTime) {
        const QDateTime dt = Dataset::parseStoredDateTime(v);
        if (!dt.isValid()) return {};
        // The stored form, its time of day left out at midnight.
        m_scratch = Dataset::dateTimeStorageText(dt).toLatin1();
        if (dt.time() == QTime(0, 0)) m_scratch.truncate(m_scratch.indexOf(' '));
    } else {
        m_scratch = v.toString().toUtf8();
    }
    return m_scratch;
}

} // namespace qv
