#pragma once
// A named, ordered view of one table (or of one query) with a current row, held in memory in a compact form.
// A detail dataset shows the rows whose link column equals its master's current value of that column.

#include "data/Connection.h"
#include "data/EditBuffer.h"
#include "data/Schema.h"
#include "data/SearchKeys.h"
#include "data/StoredRows.h"
#include "data/StoredValues.h"
#include "data/WriteStatements.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace qv {

enum class DatasetState { Inactive, Browse, Edit, Insert };

enum LocateOption { LocatePartialKey = 1, LocateCaseInsensitive = 2 };
using LocateOptions = int;

class Dataset : public QObject {
    Q_OBJECT
public:
    // A table dataset over one table of the schema.
    Dataset(Connection* connection, const QString& name, const QString& table, QObject* parent = nullptr);
    // A read-only query dataset over the given SQL.
    static Dataset* query(Connection* connection, const QString& name, const QString& sql, QObject* parent);
    ~Dataset() override; // leaves its master and frees its details of it

    QString name() const { return objectName(); }
    QString tableName() const { return m_table ? m_table->name : QString(); }
    const TableDef* tableDef() const { return m_table; }
    Connection* connection() const { return m_connection; }
    QString sql() const { return m_sql; }

    // Master-detail: this dataset shows the rows whose linkColumn equals master's current linkColumn.
    void setMaster(Dataset* master, const QString& linkColumn);
    Dataset* master() const { return m_master; }
    QString linkColumn() const { return m_linkColumnName; }

    // A column computed whenever a row is read, never stored.
    void addLookupField(const QString& name, std::function<QVariant(const Dataset&)> compute);

    // --- open and close
    void open();
    void close();

    // --- reading apart from opening, so that another thread reads the rows while this one goes on: prepareRead()
    // here, read() on any thread, open(read) here. read() steps the prepared statement and uses nothing of the
    // dataset; nothing else may use the connection meanwhile.
    struct RowsRead {
        std::unique_ptr<Statement> statement;
        bool withRowid = false;
        Connection::Stamp stamp; // the table's, taken before the read: a change meanwhile makes a refresh read again
        int keysColumn = -1;
        StoredRows rows;
        QStringList columnNames; // a query's, as its statement names them
        SearchKeys keys;
    };
    RowsRead prepareRead();
    static void read(RowsRead& read);
    void open(RowsRead&& read);
    // A column typed into a search box: its search keys are worked out whenever the rows are read, with them, so that
    // the first keystroke finds them ready.
    void keepSearchKeys(const QString& column);
    bool isOpen() const { return m_state != DatasetState::Inactive; }
    DatasetState state() const { return m_state; }
    bool isEditing() const { return m_state == DatasetState::Edit || m_state == DatasetState::Insert; }

    // --- navigation
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int index); // 0-based position in the dataset's order
    bool atEnd() const;     // a move tried to go beyond the last row, or the dataset is empty
    int recordCount() const;
    int recNo() const; // 0-based position of the current row, -1 when there is none
    bool isEmpty() const { return recordCount() == 0 && m_state != DatasetState::Insert; }
    bool locate(const QStringList& columns, const QVariantList& values, LocateOptions options = 0);

    // --- the rows a grid shows: the rows of the view and, while inserting, the new row at the current position.
    // Read by position, without moving.
    int shownRowCount() const;                       // recordCount(), plus one while inserting
    int currentShownRow() const;                     // -1 when there is no current row
    QVariant valueAt(int shownRow, int index) const; // a stored column; null outside the rows
    // Raw UTF-8 of a text column of a stored row, without moving or converting; nullptr for null, for a value that
    // is not text and for the row being edited (read those with valueAt). Starts loading the rows just ahead.
    const char* utf8At(int shownRow, int index, int* size) const;
    // The resultColumn of the first shown row whose keyColumn equals key, without moving; null when none.
    QVariant lookupValue(const QString& keyColumn, const QVariant& key, const QString& resultColumn) const;
    // The rowid of a stored row by position, and the position of the row with a rowid (-1 when not shown), without
    // moving.
    qint64 rowIdAt(int shownRow) const;
    int rowOfRowid(qint64 rowid) const;

    // --- fields (names as in the schema, letter case ignored)
    QStringList fieldNames() const;
    int fieldIndex(const QString& name) const; // -1 when absent
    int requireField(const QString& name) const;
    int declaredWidth(const QString& name) const; // 0 when none
    ColumnType fieldType(int index) const;
    QVariant value(const QString& name) const;
    QVariant value(int index) const;
    QString text(const QString& name) const;
    QString text(int index) const;
    qint64 asInteger(const QString& name) const;
    QDateTime asDateTime(const QString& name) const;
    bool isNull(const QString& name) const;
    bool isNull(int index) const;
    // The text a control, a grid or a report shows: dates in the short date format, with the long time when one is
    // stored; yes-no values as True and False.
    QString displayText(const QString& name) const;
    QString displayTextAt(int shownRow, int index) const; // of a shown row, without moving
    // Raw UTF-8 of a text column of the current row; no conversion. Null gives nullptr.
    const char* utf8(int index, int* size) const;
    qint64 rowId() const;

    void setValue(const QString& name, const QVariant& value);
    void setValue(int index, const QVariant& value);
    bool isModified() const { return m_edit.isModified(); }

    // --- editing
    void insert();
    void append();
    void edit();
    void post();
    void cancel();
    void remove(); // delete the current row
    // Throws what a save throws when the file no longer holds the current row as it was read: another copy of the
    // program changed or deleted it meanwhile. Within a write transaction the answer holds until it ends.
    void checkCurrentRowUnchanged();
    // Posts a pending edit, then deletes the first `limit` rows shown (all of them when negative), as going to the
    // first row and deleting it that often would, in one transaction and as few statements as the rows' rowids
    // allow. Returns how many rows went.
    int removeAll(int limit = -1);
    // How many posts have succeeded since the dataset was made, and how many of them wrote the field (set it on
    // insert, changed it on edit): a rule run once after many posts tells from these what they touched.
    quint64 postCount() const { return m_posts; }
    quint64 postsWriting(const QString& field) const;
    void refresh();
    void checkBrowseMode(); // post a changed edit, drop an unchanged one

    // Rules owned by the data module. A before-post rule may throw (PostRefused to refuse silently).
    std::function<void(Dataset&)> beforePost;
    std::function<void(Dataset&)> afterPost;
    std::function<void(Dataset&)> afterDelete;

    // Suspends change notifications during a scan nobody watches, of this dataset and of its details, which follow
    // it; each disable needs its enable, which sends what was held back as one notice of each kind.
    void disableControls() { ++m_disabled; }
    void enableControls();

    // Heap bytes of the rows held (for the memory benchmark) and the UTF-8 bytes of their texts.
    size_t heapBytes() const;
    size_t textBytes() const;

    // Whether the last refresh found the table unchanged and skipped the re-read.
    bool lastRefreshSkipped() const { return m_lastRefreshSkipped; }

    // Static values used by a detail while it has no master row.
    static QString dateTimeStorageText(const QDateTime& dt);
    static QDateTime parseStoredDateTime(const QVariant& v);

signals:
    void currentChanged(); // another row is current, or the rows were re-read
    void stateChanged(qv::DatasetState state);
    void fieldChanged(int index); // a value of the current row was set
    void opened();
    void closed();
    // Row notices for grids, told once the change is made, in the numbering of the shown rows. While change
    // notices are held back (disableControls) they are gathered into one rowsReset.
    void rowsReset();          // opened, closed, re-read, or the master moved
    void rowInserted(int row); // a new row being inserted now stands at row
    void rowRemoved(int row);  // the row at row went: deleted, a new row cancelled, or posted into another master
    void rowChanged(int row);  // the values of the row at row were posted or their edit cancelled

private:
    struct Column {
        QString name;
        ColumnType type = ColumnType::Text;
        int width = 0;
        std::function<QVariant(const Dataset&)> lookup; // set for computed columns
    };

    Dataset(Connection* connection, const QString& name, QObject* parent);
    void readAll();
    void takeRows(RowsRead&& read);
    void becomeOpen();
    QString selectSql(bool withRowid) const;

    // The view: the rows shown are m_rows[m_lo, m_hi), all of them, or a detail's master's.
    void ensureView() const;
    void computeView() const;
    void masterMoved();
    void postDetailsPending();
    qint64 masterLinkValue(bool* isNull) const;
    int currentIndex() const; // in m_rows; -1 when there is no current row
    void moveToIndex(int index, bool notify);
    void placeByLink(int at); // a row whose link changed goes to its master's rows

    // States and notices.
    void checkActive() const;
    void checkEditing(const char* operation) const;
    void checkWritable() const;
    void setState(DatasetState s);
    void notifyCurrent();
    enum class RowChange { Inserted, Removed, Changed };
    void notifyRow(RowChange change, int row);
    void notifyRowsReset();
    void notifyDetails();
    bool noticesHeld() const;
    void releaseHeldNotices();

    // Editing and writing.
    void startInsert(bool atEnd);
    void validateValues() const;
    void noteValueSet(int index); // tells the controls of a value set
    QVariant storedValue(int index) const;
    void writeRow();
    RowStore::Ref reloadRow(qint64 rowid);
    void dropStatements();
    static QString displayTextOf(const QVariant& value, ColumnType type);

    Connection* m_connection;
    const TableDef* m_table = nullptr;
    QString m_sql;
    std::vector<Column> m_columns;
    int m_storedColumns = 0;

    Dataset* m_master = nullptr;
    QString m_linkColumnName;
    int m_linkColumn = -1;       // in this dataset
    int m_masterLinkColumn = -1; // in the master
    std::vector<Dataset*> m_details;

    StoredRows m_rows; // every row read, ordered by the link column for a detail
    mutable SearchKeys m_searchKeys;
    int m_keptKeysColumn = -1;
    mutable bool m_viewStale = false;
    mutable int m_lo = 0, m_hi = 0;
    mutable int m_pos = -1; // current position within the view
    mutable bool m_eof = true;
    mutable int m_prefetchedFrom = -1; // the row whose reading last started loading the rows after it

    DatasetState m_state = DatasetState::Inactive;
    EditBuffer m_edit;
    int m_disabled = 0;
    bool m_pendingNotify = false;
    bool m_pendingRowsReset = false;
    bool m_pendingState = false;

    Connection::Stamp m_readStamp; // the table as the rows held show it
    bool m_lastRefreshSkipped = false;
    quint64 m_posts = 0;
    std::vector<quint64> m_postsWriting; // by column

    // A table dataset's: its statements, and the rows its posts leave, composed instead of read back.
    std::unique_ptr<WriteStatements> m_statements;
    std::unique_ptr<RowComposer> m_composer;
};

// Holds back a dataset's change notices for its lifetime (disableControls, then enableControls), also when the
// walk it covers ends early or throws.
class HeldNotices {
public:
    explicit HeldNotices(Dataset& dataset) : m_dataset(dataset) { m_dataset.disableControls(); }
    ~HeldNotices() { m_dataset.enableControls(); }
    HeldNotices(const HeldNotices&) = delete;
    HeldNotices& operator=(const HeldNotices&) = delete;

private:
    Dataset& m_dataset;
};

} // namespace qv
