#pragma once
// A stored value as files write it, in UTF-8: a text as it stands, a date as 1970-01-02 (with the time of day,
// 1970-01-02 10:30:00, when one is stored), a number in digits; empty for null. Read by position, without moving
// the dataset.

#include "data/Dataset.h"

#include <QByteArray>
#include <QByteArrayView>

namespace qv {

class FieldReader {
public:
    FieldReader(const Dataset& dataset, const char* column);
    // Valid until the next read.
    QByteArrayView read(int position);
    ColumnType type() const { return m_type; }

private:
    const Dataset& m_dataset;
    int m_index;
    ColumnType m_type;
    QByteArray m_scratch;
};

} // namespace qv
