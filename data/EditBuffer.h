#pragma once
// The values of the row being edited or inserted, which of them were set since, and, when it is posted, the columns
// it writes and their texts in UTF-8 as they are bound and kept.

#include "data/PackedRow.h"
#include "data/StoredText.h"

#include <QByteArray>
#include <QVariant>
#include <vector>

namespace qv {

struct TableDef;

class EditBuffer {
public:
    void clear(); // not editing
    // Every value null and none set. A buffer left all null (by a posted insert) is reused as it stands: an import,
    // inserting row after row, does not build it again.
    void startEmpty(int columns);
    void startFrom(const PackedRow& row, int columns); // the stored row's values, none set
    // A value as given: false when it equals the one held (nothing set).
    bool set(int column, const QVariant& value);
    // A value the new row starts with (its link to the master): written by the post, but no change of the user's.
    void preset(int column, const QVariant& value)
    {
        m_values[size_t(column)] = value;
        m_set[size_t(column)] = true;
    }
    // After a post: a posted insert leaves every value null for the next insert; an edit leaves nothing.
    void posted(bool inserted);

    bool isModified() const { return m_modified; }
    const QVariant& value(int column) const { return m_values[size_t(column)]; }
    bool isSet(int column) const { return m_set[size_t(column)]; }
    const std::vector<QVariant>& values() const { return m_values; }

    // The columns a post writes, in ascending order (those set, never the autoincrement key), and the UTF-8 of
    // their texts (null spans for other values) in one buffer kept from post to post. Throws DatabaseError naming
    // the field for a text holding half of a character pair, which has no UTF-8 form.
    void prepareWrite(const TableDef& table);
    const std::vector<int>& written() const { return m_written; }
    const std::vector<Utf8Span>& writtenTexts() const { return m_writtenTexts; }

private:
    std::vector<QVariant> m_values;
    std::vector<bool> m_set;
    bool m_modified = false;
    std::vector<int> m_written;
    std::vector<Utf8Span> m_writtenTexts;
    QByteArray m_utf8;
};

} // namespace qv
