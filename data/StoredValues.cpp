#include "data/StoredValues.h"
#include "data/Connection.h"
#include "data/Schema.h"

#include <QRegularExpression>

namespace qv::storedvalues {

Affinity affinityOf(const QString& declaredType)
{
    const QString t = declaredType.toUpper();
    if (t.contains(QLatin1String("INT"))) return Affinity::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (t.isEmpty() || t.contains(QLatin1String("BLOB"))) return Affinity::None;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

bool surelyNotNumeric(const char* utf8, int size)
{
    for (int i = 0; i < size; ++i) {
        const char c = utf8[i];
        const bool numberLike = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E' ||
                                c == ' ' || (c >= '\t' && c <= '\r');
        if (!numberLike) return true;
    }
    return false;
}

std::optional<std::vector<FileColumn>> readFileColumns(Connection& connection, const QString& table,
                                                       const QStringList& columns)
{
    {
        Statement encoding(connection, QStringLiteral("PRAGMA encoding"));
        if (!encoding.step() || encoding.columnText(0).compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0)
            return std::nullopt;
    }
    {
        Statement triggers(connection,
                           QStringLiteral("SELECT (SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND "
                                          "tbl_name = ?1 COLLATE NOCASE) + (SELECT count(*) FROM sqlite_temp_master "
                                          "WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE)"));
        const QByteArray name = table.toUtf8();
        triggers.bindText(1, name.constData(), int(name.size()));
        if (!triggers.step() || triggers.columnInt(0) != 0) return std::nullopt;
    }
    struct Declared {
        QString name;
        Affinity affinity;
        bool hasDefault;
        bool integerKey;
    };
    std::vector<Declared> declared;
    int keyColumns = 0;
    {
        Statement info(connection, QStringLiteral("PRAGMA table_info([%1])").arg(table));
        while (info.step()) {
            const QString type = info.columnText(2);
            const bool key = info.columnInt(5) > 0;
            keyColumns += key ? 1 : 0;
            declared.push_back({info.columnText(1), affinityOf(type), !info.isNull(4),
                                key && type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0});
        }
    }
    bool rowidAlias = keyColumns == 1;
    if (rowidAlias) {
        // "INTEGER PRIMARY KEY DESC" on the column is the one spelling that leaves an ordinary column.
        Statement sql(connection, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                                                 "COLLATE NOCASE"));
        const QByteArray name = table.toUtf8();
        sql.bindText(1, name.constData(), int(name.size()));
        static const QRegularExpression descendingKey(QStringLiteral("PRIMARY\\s+KEY\\s+DESC"),
                                                      QRegularExpression::CaseInsensitiveOption);
        if (!sql.step() || descendingKey.match(sql.columnText(0)).hasMatch()) return std::nullopt;
    }
    std::vector<FileColumn> out;
    out.reserve(size_t(columns.size()));
    for (const QString& column : columns) {
        const Declared* found = nullptr;
        for (const Declared& d : declared)
            if (d.name.compare(column, Qt::CaseInsensitive) == 0) found = &d;
        if (!found) return std::nullopt;
        out.push_back({found->affinity, found->hasDefault, rowidAlias && found->integerKey});
    }
    return out;
}

} // namespace qv::storedvalues

namespace qv {

void RowComposer::forget() { m_form = Form::Unknown; }

bool RowComposer::formKnown(Connection& c)
{
    if (m_form == Form::Unknown) {
        QStringList names;
        for (const ColumnDef& column : m_table.columns) names << column.name;
        const auto columns = storedvalues::readFileColumns(c, m_table.name, names);
        m_form = columns ? Form::Known : Form::ReadBack;
        m_columns = columns.value_or(std::vector<storedvalues::FileColumn>());
        m_row = std::make_unique<PackedRow::Builder>(int(m_table.columns.size()));
    }
    return m_form == Form::Known;
}

bool RowComposer::keyIsRowid(Connection& c)
{
    if (m_table.columns.empty() || m_table.columns[0].type != ColumnType::AutoIncrement) return false;
    return formKnown(c) && m_columns[0].isRowid;
}

bool RowComposer::compose(Connection& c, qint64 rowid, const PackedRow& original, const std::vector<int>& written,
                          const std::vector<QVariant>& values, const std::vector<Utf8Span>& texts)
{
    if (!formKnown(c)) return false;
    using storedvalues::Affinity;
    const int count = int(m_table.columns.size());
    PackedRow::Builder& b = *m_row;
    b.clear();
    size_t k = 0; // the next of the written columns, which ascend
    for (int i = 0; i < count; ++i) {
        const storedvalues::FileColumn& file = m_columns[size_t(i)];
        const bool isWritten = k < written.size() && written[k] == i;
        const size_t at = k;
        if (isWritten) ++k;
        if (file.isRowid) {
            if (isWritten && original.isValid()) return false; // the row got another rowid
            b.addInt(rowid);
            continue;
        }
        if (!isWritten) {
            if (!original.isValid()) {
                if (file.hasDefault) return false;
                b.addNull();
                continue;
            }
            switch (original.tag(i, count)) {
            case PackedRow::Null: b.addNull(); break;
            case PackedRow::Int: b.addInt(original.integer(i, count)); break;
            case PackedRow::Real: b.addReal(original.value(i, count).toDouble()); break;
            case PackedRow::Text: {
                int size = 0;
                const char* p = original.bytes(i, count, &size);
                b.addText(p, size);
            }
            }
            continue;
        }
        const QVariant& v = values[size_t(i)];
        if (v.isNull()) {
            if (file.hasDefault) return false;
            b.addNull();
        } else if (v.typeId() == QMetaType::QString) {
            const Utf8Span& text = texts[at];
            const bool keptAsText = file.affinity == Affinity::Text || file.affinity == Affinity::None ||
                                    storedvalues::surelyNotNumeric(text.data, text.size);
            if (!keptAsText) return false;
            b.addText(text.data, text.size);
        } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
            if (file.affinity != Affinity::Integer && file.affinity != Affinity::Numeric &&
                file.affinity != Affinity::None)
                return false;
            b.addInt(v.toLongLong());
        } else {
            return false;
        }
    }
    b.setRowid(rowid);
    return true;
}

} // namespace qv
