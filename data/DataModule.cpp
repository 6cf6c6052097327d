#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/DateFormats.h"

#include <exception>
#include <thread>

namespace qv {

const char* TMainDataModule::professionSql()
{
    return "SELECT DISTINCT People.Profession FROM People ORDER BY People.Profession;";
}

TMainDataModule::TMainDataModule(QObject* parent) : QObject(parent)
{
    setObjectName("TMainDataModule");
    MainADOConnection = new Connection(this);
    MainADOConnection->setObjectName("MainADOConnection");

    CompaniesTable = add("CompaniesTable", "Companies");
    SubProjectStatusTable = add("SubProjectStatusTable", "SubProjectStatus");
    SubProjectTypeTable = add("SubProjectTypeTable", "SubProjectType");
    ProjectsDetail = add("ProjectsDetail", "Projects", CompaniesTable, "CompanyID");
    SubProjectsDetail = add("SubProjectsDetail", "SubProjects", ProjectsDetail, "ProjectID");
    SubProjectSizeTable = add("SubProjectSizeTable", "SubProjectSize");
    PeopleCompanyDet = add("PeopleCompanyDet", "People", CompaniesTable, "CompanyID");
    SubProjectHistoryDT = add("SubProjectHistoryDT", "SubProjectHistory", SubProjectsDetail, "SubProjectID");
    PeopleProjectDetail = add("PeopleProjectDetail", "Business", PeopleCompanyDet, "PersonID");
    AccountsTable = add("AccountsTable", "Accounts");
    RelatedFilesTable = add("RelatedFilesTable", "RelatedFiles", AccountsTable, "AccountID");
    FollowUp = add("FollowUp", "PeopleFollowUp", PeopleCompanyDet, "PersonID");
    FollowMethod = add("FollowMethod", "FollowUpMethod");
    DaysTable = add("DaysTable", "CalendarDays");
    DayEvents = add("DayEvents", "CalendarEvents", DaysTable, "DayID");
    ProfessionQuery = Dataset::query(MainADOConnection, "ProfessionQuery", professionSql(), this);
    m_openOrder.push_back(ProfessionQuery);

    // The subproject name of a buying-centre role, looked up among the subprojects shown at that moment.
    PeopleProjectDetail->addLookupField("Subproject", [this](const Dataset& roles) -> QVariant {
        const QVariant id = roles.value("SubProjectID");
        const QVariant name = SubProjectsDetail->lookupValue("SubProjectID", id, "Name");
        return name.isNull() ? QVariant(QString()) : name;
    });

    // The Files window's search boxes look contacts and accounts up by name: their keys are worked out with the rows.
    PeopleCompanyDet->keepSearchKeys("Name");
    AccountsTable->keepSearchKeys("AccountName");

    PeopleCompanyDet->beforePost = [this](Dataset& ds) { requireName(m_contactNameBox, ds, "Name"); };
    PeopleCompanyDet->afterPost = [this](Dataset& ds) { professionsAfterPost(ds); };
    AccountsTable->beforePost = [this](Dataset& ds) { requireName(m_accountNameBox, ds, "AccountName"); };
    DayEvents->beforePost = [this](Dataset& ds) { eventDefaults(ds); };
}

Dataset* TMainDataModule::add(const QString& name, const QString& table, Dataset* master, const QString& link)
{
    auto* ds = new Dataset(MainADOConnection, name, table, this);
    if (master) ds->setMaster(master, link);
    m_openOrder.push_back(ds);
    return ds;
}

Dataset* TMainDataModule::dataset(const QString& name) const
{
    for (Dataset* d : m_openOrder)
        if (d->name() == name) return d;
    return nullptr;
}

// The datasets still closed, what each one's read needs, and the thread that reads them; its error, if any, is
// thrown by openAllRead().
struct TMainDataModule::Reading {
    std::vector<Dataset*> datasets;
    std::vector<Dataset::RowsRead> reads;
    std::exception_ptr error;
    std::thread thread;
    ~Reading()
    {
        if (thread.joinable()) thread.join();
    }
};

TMainDataModule::~TMainDataModule() = default;

void TMainDataModule::openAll(bool open)
{
    if (!open) {
        finishReading();
        for (Dataset* d : m_openOrder) d->close();
        reloadProfessionSuggestions();
        if (MainADOConnection->isOpen()) MainADOConnection->releaseMemory();
        return;
    }
    // The same steps as at start-up, on this thread.
    prepareReading();
    try {
        for (Dataset::RowsRead& r : m_reading->reads) Dataset::read(r);
    } catch (...) {
        m_reading->error = std::current_exception();
    }
    openAllRead();
}

void TMainDataModule::prepareReading()
{
    finishReading();
    MainADOConnection->handle(); // fails with the closed-connection error first
    auto reading = std::make_unique<Reading>();
    MainADOConnection->limitPageCache(true);
    try {
        for (Dataset* d : m_openOrder) {
            if (d->isOpen()) continue;
            reading->datasets.push_back(d);
            reading->reads.push_back(d->prepareRead());
        }
    } catch (...) {
        reading.reset(); // its statements go before the connection is used again
        MainADOConnection->limitPageCache(false);
        throw;
    }
    m_reading = std::move(reading);
}

void TMainDataModule::startReadingAll()
{
    prepareReading();
    Reading* reading = m_reading.get();
    MainADOConnection->lend();
    reading->thread = std::thread([this, reading] {
        try {
            for (Dataset::RowsRead& r : reading->reads) Dataset::read(r);
        } catch (...) {
            reading->error = std::current_exception();
        }
        QMetaObject::invokeMethod(this, &TMainDataModule::rowsRead, Qt::QueuedConnection);
    });
}

std::unique_ptr<TMainDataModule::Reading> TMainDataModule::finishReading()
{
    if (!m_reading) return nullptr;
    if (m_reading->thread.joinable()) m_reading->thread.join();
    MainADOConnection->takeBack();
    std::unique_ptr<Reading> reading = std::move(m_reading);
    if (MainADOConnection->isOpen()) MainADOConnection->limitPageCache(false);
    if (reading->error) std::rethrow_exception(reading->error);
    return reading;
}

void TMainDataModule::openAllRead()
{
    const std::unique_ptr<Reading> reading = finishReading();
    if (!reading) return;
    for (size_t i = 0; i < reading->datasets.size(); ++i) reading->datasets[i]->open(std::move(reading->reads[i]));
    reloadProfessionSuggestions();
    // The datasets hold every row now; the pages read to fill them are not needed again.
    MainADOConnection->releaseMemory();
}

void TMainDataModule::reloadProfessionSuggestions()
{
    m_professions.clear();
    if (ProfessionQuery->isOpen()) {
        // From the query's current row to its last; callers reload right after (re-)opening it.
        const int column = ProfessionQuery->requireField("Profession");
        const int count = ProfessionQuery->recordCount();
        for (int i = std::max(0, ProfessionQuery->recNo()); i < count; ++i) {
            ProfessionQuery->moveTo(i);
            const QString p = ProfessionQuery->text(column);
            if (!p.isEmpty()) m_professions << p;
        }
        if (count > 0) ProfessionQuery->moveTo(count - 1);
    }
    noteProfessionQueryRun();
    emit professionSuggestionsChanged(m_professions);
}

void TMainDataModule::refreshProfessionSuggestions()
{
    ProfessionQuery->close();
    ProfessionQuery->open();
    reloadProfessionSuggestions();
}

void TMainDataModule::noteProfessionQueryRun()
{
    if (!ProfessionQuery->isOpen() || !MainADOConnection->isOpen()) return;
    m_professionStamp = MainADOConnection->stampOf("People");
    m_postsSeen = PeopleCompanyDet->postCount();
    m_professionPostsSeen = PeopleCompanyDet->postsWriting("Profession");
}

void TMainDataModule::professionsAfterPost(const Dataset& people)
{
    // The query's answer can change only when a save since it last ran wrote a Profession, or something else wrote
    // to People meanwhile (a deletion, another dataset, another process). Otherwise it stands, and asking again
    // would cost a walk over the whole index after every save, or after an import that sets no profession.
    Connection::Stamp expected = m_professionStamp;
    expected.local += people.postCount() - m_postsSeen; // these saves, each one write
    const Connection::Stamp now = MainADOConnection->stampOf("People");
    if (ProfessionQuery->isOpen() && now == expected && people.postsWriting("Profession") == m_professionPostsSeen) {
        m_professionStamp = now;
        m_postsSeen = people.postCount();
        return;
    }
    refreshProfessionSuggestions();
}

// Blank as the rule has always seen it: nothing left once characters 32 and below are trimmed from both ends.
bool TMainDataModule::isBlankName(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 32) return false;
    return true;
}

void TMainDataModule::requireName(const NameBox& box, Dataset& ds, const char* column)
{
    // The rule reads the window's name box; the value being posted must not be blank either, whatever way it was
    // set, so that a box out of step with its field can never let a nameless row through.
    const bool boxBlank = box.text && isBlankName(box.text());
    if (!boxBlank && !isBlankName(ds.text(column))) return;
    if (box.focus && box.focus()) throw PostRefused();
    // The name box cannot take the focus while its window is hidden: refuse with the toolkit's own complaint.
    throw DatabaseError(QStringLiteral("Cannot focus a disabled or invisible window"));
}

QDateTime TMainDataModule::eventAlertTime(const QDate& day, const QTime& start, qint64 reminderBefore)
{
    // From the date and the time of day alone, never through a time zone: a local time inside the hour a clock
    // change skips does not exist, and the alert would be lost.
    const int year = day.year(), month = day.month(), dayOfMonth = day.day();
    quint16 hour = quint16(start.hour());
    quint16 minute = quint16(start.minute());
    // Borrow three hours so that the minute cannot go below zero for lead times up to 180 minutes.
    hour = quint16(hour - 3);
    minute = quint16(minute + 180 - quint16(reminderBefore));
    if (minute >= 60 && minute <= 119) {
        minute = quint16(minute - 60);
        hour = quint16(hour + 1);
    } else if (minute >= 120 && minute <= 179) {
        minute = quint16(minute - 120);
        hour = quint16(hour + 2);
    } else if (minute >= 180) {
        minute = quint16(minute - 180);
        hour = quint16(hour + 3);
    }
    if (hour >= 24 || minute >= 60)
        throw DatabaseError(QStringLiteral("Invalid argument to date encode: %1:%2 is not a time of day")
                                .arg(qint16(hour))
                                .arg(qint16(minute)));
    return dates::wallClock(QDate(year, month, dayOfMonth), QTime(hour, minute, 0, 0));
}

void TMainDataModule::eventDefaults(Dataset& events)
{
    if (events.isNull("ReminderBefore")) events.setValue("ReminderBefore", 0);
    if (events.isNull("StartTime")) events.setValue("StartTime", QString());
    const QString startText = events.text("StartTime");
    if (startText.isEmpty()) return;
    const QString dayText = DaysTable->text("Day");
    const QDate day = dates::parseShortDate(dayText);
    if (!day.isValid()) throw DatabaseError(QStringLiteral("'%1' is not a valid date").arg(dayText));
    const QTime start = dates::parseTimeOfDay(startText);
    if (!start.isValid()) throw DatabaseError(QStringLiteral("'%1' is not a valid time").arg(startText));
    events.setValue("Time", dates::wallClock(day, start));
    events.setValue("Time", eventAlertTime(day, start, events.asInteger("ReminderBefore")));
}

} // namespace qv
