#pragma once
// The floors of the window paths: the same window built from the toolkit's plain widgets (same classes, places,
// fonts and texts, no bindings, no layouts to run), and plain table models over rows read raw. A floor sets into
// its copy what the program's window showed, as captured from that window, and paints.

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <string>
#include <vector>

class QTableView;
class QWidget;
struct sqlite3;
struct sqlite3_stmt;

namespace qv::bench {

// Rows of text cells read raw: every cell's UTF-8 in one buffer, so that a million rows cost their bytes and not a
// string object each.
class RawRows {
public:
    // Appends every row of the statement (reset afterwards); its columns are the rows' columns.
    void read(sqlite3_stmt* st);
    void read(sqlite3* db, const char* sql);
    void clear();
    int rowCount() const { return m_columns ? int(m_ends.size() / size_t(m_columns)) : 0; }
    int columnCount() const { return m_columns; }
    QString text(int row, int column) const;
    const char* bytes(int row, int column, int* size) const;
    qint64 integer(int row, int column) const;

private:
    int m_columns = 0;
    std::string m_bytes;
    std::vector<quint32> m_ends; // end of each cell in m_bytes, row by row
};

// A table model over raw rows: the first columns are shown under the given headings, further ones are not.
class RawTableModel : public QAbstractTableModel {
public:
    RawTableModel(QStringList headings, QObject* parent = nullptr);
    RawRows& rows() { return m_rows; }
    const RawRows& rows() const { return m_rows; }
    // Columns whose stored date and time ("2004-05-06 00:00:00") are shown as the locale's short date.
    void setDateColumns(std::vector<int> columns) { m_dateColumns = std::move(columns); }
    // Call around a change of the rows.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_headings;
    RawRows m_rows;
    std::vector<int> m_dateColumns;
};

// What a window shows: every text, choice, tick and enabled state of its controls, in the order PlainCopy made
// them.
struct ShownState {
    std::vector<QVariant> values;
    std::vector<bool> enabled;
};

class PlainCopy {
public:
    // Copies a window that has been shown (its widgets are laid out); the copy is a top-level window of the same
    // size, not shown yet. Tables are copied with their look (headings, column widths, row height) and no model:
    // give them one with tableFor().
    explicit PlainCopy(QWidget* window);
    ~PlainCopy();
    QWidget* window() const { return m_window.get(); }
    // The copy of one of the original's widgets (nullptr for one not copied).
    QWidget* copyOf(const QWidget* original) const;
    QTableView* tableFor(const QTableView* original) const;
    // Sets the column widths of a copied table to the original's, once its model is set.
    void matchColumns(const QTableView* original) const;

    // What the original shows now, and the same set into the copy.
    ShownState capture() const;
    void apply(const ShownState& state) const;

private:
    QWidget* copyTree(QWidget* original, QWidget* parent);
    std::unique_ptr<QWidget> m_window;
    std::vector<std::pair<QWidget*, QWidget*>> m_pairs; // original, copy: every widget copied, in tree order
};

} // namespace qv::bench
