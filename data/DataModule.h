#pragma once
// The data module: the one connection, the shared datasets with their master-detail links, the profession
// suggestions and the record rules that run on every post, whichever window posts.

#include "data/Connection.h"
#include "data/Dataset.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qv {

class TMainDataModule : public QObject {
    Q_OBJECT
public:
    explicit TMainDataModule(QObject* parent = nullptr);
    ~TMainDataModule() override; // waits for a reading of the rows still going on

    Connection* MainADOConnection;

    Dataset* CompaniesTable;
    Dataset* SubProjectStatusTable;
    Dataset* SubProjectTypeTable;
    Dataset* ProjectsDetail;
    Dataset* SubProjectsDetail;
    Dataset* SubProjectSizeTable;
    Dataset* PeopleCompanyDet;
    Dataset* SubProjectHistoryDT;
    Dataset* PeopleProjectDetail;
    Dataset* AccountsTable;
    Dataset* RelatedFilesTable;
    Dataset* FollowUp;
    Dataset* FollowMethod;
    Dataset* DaysTable;
    Dataset* DayEvents;
    Dataset* ProfessionQuery;

    static const char* professionSql();

    // The datasets in the order open-all opens them.
    const std::vector<Dataset*>& datasets() const { return m_openOrder; }
    Dataset* dataset(const QString& name) const;

    void openAll(bool open);
    // Start-up's open-all in two steps, so that the rows are read on a thread of their own while this one shows the
    // windows: startReadingAll() prepares each read (a missing table or column throws here) and starts the reader;
    // rowsRead() is emitted here once it has finished; openAllRead() then opens every dataset with its rows, or throws
    // what the reading threw. The connection refuses this thread in between.
    void startReadingAll();
    void openAllRead();
    void reloadProfessionSuggestions();
    void refreshProfessionSuggestions();
    const QStringList& professionSuggestions() const { return m_professions; }

    // What the record rules need of the "Files" window: the text of a name box and a way to focus it. The focus
    // callback returns false when the box cannot take the focus (its window is hidden).
    struct NameBox {
        std::function<QString()> text;
        std::function<bool()> focus;
    };
    void setContactNameBox(NameBox box) { m_contactNameBox = std::move(box); }
    // A name the required-name rules refuse: nothing but blanks and control characters.
    static bool isBlankName(const QString& name);
    void setAccountNameBox(NameBox box) { m_accountNameBox = std::move(box); }

    // The alert time of an event: the day's date at the start time, less the lead time, worked out in 16-bit
    // unsigned arithmetic as the rule has always done, as a wall-clock value (dates::wallClock). Throws
    // DatabaseError when a value cannot be encoded.
    static QDateTime eventAlertTime(const QDate& day, const QTime& start, qint64 reminderBefore);

signals:
    void professionSuggestionsChanged(const QStringList& suggestions);
    void rowsRead();

private:
    Dataset* add(const QString& name, const QString& table, Dataset* master = nullptr, const QString& link = {});
    void requireName(const NameBox& box, Dataset& ds, const char* column);
    void eventDefaults(Dataset& events);
    void professionsAfterPost(const Dataset& people);
    void noteProfessionQueryRun();

    struct Reading;
    std::unique_ptr<Reading> m_reading;
    void prepareReading();
    // Waits for the reader, gives the connection back and throws what the reading threw; the reads, if any.
    std::unique_ptr<Reading> finishReading();
    std::vector<Dataset*> m_openOrder;
    QStringList m_professions;
    NameBox m_contactNameBox;
    NameBox m_accountNameBox;
    Connection::Stamp m_professionStamp;                // People as the profession query last saw it
    quint64 m_postsSeen = 0, m_professionPostsSeen = 0; // the contacts' posts then, and those that set a Profession
};

} // namespace qv
