// Finding rows: locate by column values (the search box's prefix search among them) and looked-up values.
#include "data/Dataset.h"
#include "data/DatabaseError.h"
#include "data/StoredText.h"

#include <algorithm>
#include <cstring>

namespace qv {

namespace {

// Case-insensitive comparison that is fast for ASCII and exact for the rest.
bool textMatches(const char* p, int size, const QByteArray& wantedUtf8, const QString& wanted, bool prefix,
                 bool caseInsensitive, bool wantedAscii)
{
    const int wn = int(wantedUtf8.size());
    if (!caseInsensitive) {
        if (prefix) return size >= wn && std::memcmp(p, wantedUtf8.constData(), size_t(wn)) == 0;
        return size == wn && std::memcmp(p, wantedUtf8.constData(), size_t(wn)) == 0;
    }
    if (wantedAscii) {
        // Only ASCII letters fold; a non-ASCII byte in the candidate can never equal an ASCII byte of ours.
        if (prefix ? size < wn : size != wn) {
            // A longer text may still match when its non-ASCII part folds differently; fall through below.
            bool asciiOnly = true;
            for (int i = 0; i < size; ++i)
                if (static_cast<unsigned char>(p[i]) >= 0x80) {
                    asciiOnly = false;
                    break;
                }
            if (asciiOnly || (prefix && size < wn)) return false;
        } else {
            int i = 0;
            for (; i < wn; ++i) {
                unsigned char a = static_cast<unsigned char>(p[i]), b = static_cast<unsigned char>(wantedUtf8[i]);
                if (a >= 0x80) break;
                if (a >= 'A' && a <= 'Z') a += 32;
                if (b >= 'A' && b <= 'Z') b += 32;
                if (a != b) return false;
            }
            if (i == wn) return true;
        }
    }
    const QString candidate = textFromUtf8(p, size);
    return prefix ? candidate.startsWith(wanted, Qt::CaseInsensitive)
                  : candidate.compare(wanted, Qt::CaseInsensitive) == 0;
}

} // namespace

bool Dataset::locate(const QStringList& columns, const QVariantList& values, LocateOptions options)
{
    checkActive();
    checkBrowseMode();
    ensureView();
    if (columns.size() != values.size())
        throw DatabaseError(QStringLiteral("%1: locate needs one value per column").arg(name()));
    const bool prefix = options & LocatePartialKey;
    const bool ci = options & LocateCaseInsensitive;
    struct Criterion {
        int index;
        bool wantNull;
        QString text;
        QByteArray utf8;
        bool ascii;
        QVariant value;
    };
    std::vector<Criterion> criteria;
    for (int i = 0; i < columns.size(); ++i) {
        Criterion c;
        c.index = requireField(columns[i]);
        c.value = values[i];
        c.wantNull = !values[i].isValid() || values[i].isNull();
        c.text = values[i].toString();
        c.utf8 = c.text.toUtf8();
        c.ascii =
            std::all_of(c.utf8.begin(), c.utf8.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
        criteria.push_back(std::move(c));
    }
    const int n = m_storedColumns;
    const auto rowMatches = [&](const PackedRow& row) {
        for (const Criterion& c : criteria) {
            if (c.index >= m_storedColumns) return false;
            const PackedRow::Tag t = row.tag(c.index, n);
            if (c.wantNull) {
                if (t != PackedRow::Null) return false;
                continue;
            }
            if (t == PackedRow::Null) {
                // An empty value matches an empty column, as the engine's locate treats null text as empty.
                if (!c.text.isEmpty()) return false;
                continue;
            }
            if (t == PackedRow::Text) {
                int size = 0;
                const char* p = row.bytes(c.index, n, &size);
                if (!textMatches(p, size, c.utf8, c.text, prefix, ci, c.ascii)) return false;
            } else {
                const QVariant v = row.value(c.index, n);
                if (v.toString() != c.text && !(prefix && v.toString().startsWith(c.text))) return false;
            }
        }
        return true;
    };
    const auto found = [&](int r) {
        moveToIndex(r - m_lo, true);
        m_eof = false;
        return true;
    };

    const Criterion& only = criteria.front();
    if (criteria.size() == 1 && prefix && ci && only.ascii && !only.wantNull && only.index < m_storedColumns &&
        !only.utf8.contains('\0')) {
        // A search box's keystroke: compare each row's folded first eight bytes, held in one array, and read the
        // row itself only for a candidate or a text the key cannot speak for.
        const std::vector<quint64>& keys = m_searchKeys.of(m_rows, only.index);
        const int wn = int(only.utf8.size());
        const quint64 wanted = SearchKeys::fold(only.utf8.constData(), wn);
        const quint64 mask = SearchKeys::maskFor(wn);
        for (int r = m_lo; r < m_hi; ++r) {
            const quint64 key = keys[size_t(r)];
            if (key & SearchKeys::Unfolded) {
                if (rowMatches(m_rows.row(r))) return found(r);
            } else if ((key & mask) == wanted) {
                if (wn <= 8 || rowMatches(m_rows.row(r))) return found(r);
            }
        }
        return false;
    }
    for (int r = m_lo; r < m_hi; ++r)
        if (rowMatches(m_rows.row(r))) return found(r);
    return false;
}

qint64 Dataset::rowIdAt(int shownRow) const
{
    if (!isOpen() || !m_table) return 0;
    ensureView();
    if (m_state == DatasetState::Insert && shownRow >= m_pos) {
        if (shownRow == m_pos) return 0;
        --shownRow;
    }
    if (shownRow < 0 || shownRow >= m_hi - m_lo) return 0;
    return m_rows.rowid(m_lo + shownRow);
}

int Dataset::rowOfRowid(qint64 rowid) const
{
    if (!isOpen() || !m_table) return -1;
    ensureView();
    // Rows read stay in rowid order within their link; only a row inserted between others breaks it, so look it up
    // as if ordered first, and walk the rows only when that misses.
    int lo = m_lo, hi = m_hi;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (m_rows.rowid(mid) < rowid)
            lo = mid + 1;
        else
            hi = mid;
    }
    int at = lo < m_hi && m_rows.rowid(lo) == rowid ? lo : -1;
    for (int r = m_lo; at < 0 && r < m_hi; ++r)
        if (m_rows.rowid(r) == rowid) at = r;
    if (at < 0) return -1;
    at -= m_lo;
    return m_state == DatasetState::Insert && at >= m_pos ? at + 1 : at;
}

QVariant Dataset::lookupValue(const QString& keyColumn, const QVariant& key, const QString& resultColumn) const
{
    if (!isOpen() || key.isNull()) return {};
    ensureView();
    const int k = fieldIndex(keyColumn), r = fieldIndex(resultColumn);
    if (k < 0 || r < 0 || k >= m_storedColumns || r >= m_storedColumns) return {};
    for (int i = m_lo; i < m_hi; ++i) {
        const PackedRow row = m_rows.row(i);
        const QVariant v = row.value(k, m_storedColumns);
        if (!v.isNull() && (v == key || v.toString() == key.toString())) return row.value(r, m_storedColumns);
    }
    return {};
}

} // namespace qv
