#include "data/Schema.h"
#include "data/DatabaseError.h"

namespace qv {

namespace {

ColumnDef autoKey(const char* n) { return {n, ColumnType::AutoIncrement, 0}; }
ColumnDef integer(const char* n) { return {n, ColumnType::Integer, 0}; }
ColumnDef text(const char* n, int width = 0) { return {n, ColumnType::Text, width}; }
ColumnDef dateTime(const char* n) { return {n, ColumnType::DateTime, 0}; }
ColumnDef yesNo(const char* n) { return {n, ColumnType::YesNo, 0}; }

std::vector<TableDef> buildTables()
{
    std::vector<TableDef> t;
    // The tables read as they are laid out, a few columns to a line.
    // clang-format off
    t.push_back({"Companies",
                 {autoKey("CompanyID"), text("Name"), text("Address"), text("Tel1"), text("Tel2"), text("Fax"),
                  text("MainActivities"), text("Comments")}});
    t.push_back({"People",
                 {autoKey("PersonID"),         integer("CompanyID"),      text("Name", 255),
                  text("Email", 64),           text("Mobile", 30),        text("Info", 255),
                  text("JobTitle", 255),       text("Company", 150),      text("Address", 255),
                  text("Profession", 150),     dateTime("Anniversary"),   dateTime("Birthday"),
                  text("BAStreet", 255),       text("BAState", 50),       text("BAPostOfficeBox", 255),
                  text("BACountry", 30),       text("BACity", 50),        text("Gender", 10),
                  text("Household", 35),       text("Children", 255),     text("Spouse", 255),
                  text("Language", 50),        text("PrimaryTel", 50),    text("Title", 10),
                  text("FaxB1", 50),           text("HAStreet", 255),     text("HAState", 50),
                  text("HAPostOfficeBox", 255), text("HACountry", 30),    text("HACity", 50),
                  text("AssistantName", 255),  text("ManagerName", 255),  text("ProspectingMethod", 100),
                  text("Areminder", 10),       text("Breminder", 10),     text("BAPostalCode", 255),
                  text("HAPostalCode", 255),   text("TelH1", 50),         text("TelH2", 50),
                  text("FaxH", 50),            text("FaxB2", 50),         text("Telex", 50),
                  text("Email1", 100),         text("Email2", 100),       text("HomePage", 255),
                  text("WebPage", 255),        text("TelB1", 50),         text("TelB2", 50),
                  text("Ext", 10),             text("TelMain", 50),       text("Ethnic", 255),
                  text("Hobbies", 255),        text("Department", 100),   text("EducationLevel", 100),
                  text("Income", 25),          integer("ProfessionID"),   text("ReferredBy", 255),
                  text("MailingAddress", 10),  text("BillingAddress", 10), text("ProspectingData", 255),
                  text("CompanySize", 30),     text("Industry", 50),      text("CustoemrImportance", 10),
                  text("PersonType", 10),      text("OfferedSolution", 255), text("ApproachType", 255),
                  text("Innovation", 50),      text("TelCallback", 100)}});
    // Accounts: as wide as the contact columns their values are copied into (a name as wide as People.Company), so
    // that an account never holds a value its contacts cannot take; the local address as the headquarters'.
    t.push_back({"Accounts",
                 {autoKey("AccountID"), text("AccountName", 150), text("AccountIndustry", 50), text("AccountSize", 30),
                  text("Importance", 10), text("AccountManager", 255), text("AccountStreet", 255),
                  text("AccountCity", 50), text("AccountState", 50), text("AccountPostalCode", 255),
                  text("AccountCountry", 30), text("AccountPostOfficeBox", 255), text("AccountMainTel", 50),
                  text("AccountTel1", 50), text("AccountTel2", 50), text("AccountFax1", 50), text("AccountFax2", 50),
                  text("AccountWebPage", 255), text("Comments", 255), text("LocalStreet", 255), text("LocalCity", 50),
                  text("LocalState", 50), text("LocalPostalCode", 255), text("LocalCountry", 30),
                  text("LocalPostOfficeBox", 255), text("TaxRegNo", 50), text("TaxAuthService", 255)}});
    t.push_back({"RelatedFiles",
                 {autoKey("RelatedFileID"), integer("AccountID"), dateTime("Date"), text("FileDescription", 255),
                  text("FilePath", 255), text("OPENFILE", 10)}});
    t.push_back({"PeopleFollowUp",
                 {autoKey("ID"), dateTime("FUDate"), text("ProductsInterestedIn", 255), text("FUDescription", 255),
                  integer("PersonID"), integer("ExpextedOrderValue"), integer("FUContactMethod"),
                  dateTime("ExpectedOrderDate"), text("ContactMethod", 10), text("SaleStatus", 50),
                  text("RoleInSale", 50)}});
    t.push_back({"FollowUpMethod", {integer("FUmethodID"), text("FUmethodName", 10)}});
    t.push_back({"CalendarDays", {autoKey("DayID"), text("Day", 50)}});
    t.push_back({"CalendarEvents",
                 {autoKey("EventID"), dateTime("Time"), text("Account", 255), text("Contact", 255),
                  text("Action", 255), yesNo("Reminder"), integer("DayID"), text("StartTime", 10),
                  text("EndTime", 10), integer("ReminderBefore")}});
    t.push_back({"QuestionsMain", {integer("PersonID"), integer("QuestionID"), integer("Answer")}});
    t.push_back({"Projects",
                 {autoKey("ProjectID"), integer("CompanyID"), text("Name", 255), text("Code", 255),
                  text("Comments", 512)}});
    t.push_back({"SubProjects",
                 {autoKey("SubProjectID"), integer("SubProjectTypeID"), integer("ProjectID"), integer("SizeID"),
                  text("Name", 255), text("Code", 255), text("Comments", 512)}});
    t.push_back({"SubProjectStatus", {integer("SPStatusID"), text("SPStatusName", 64)}});
    t.push_back({"SubProjectType", {integer("SPTypeID"), text("SPTypeName", 64), text("Comments", 255)}});
    t.push_back({"SubProjectSize", {integer("ID"), text("Name")}});
    t.push_back({"SubProjectHistory",
                 {autoKey("ID"), integer("SubProjectID"), integer("SubProjectStatusID"), dateTime("Date"),
                  text("FollowUpComments", 255)}});
    t.push_back({"Business",
                 {integer("PersonID"), integer("SubProjectID"), yesNo("SPDecisionMaker"), yesNo("SPUser"),
                  yesNo("SPInfluencer"), yesNo("SPPurchaser"), yesNo("SPGateKeeper"), integer("SPWeight")}});
    // clang-format on
    return t;
}

// Keys that are plain integers (no autoincrement) of the lookup tables.
const char* plainKeyOf(const QString& table)
{
    if (table == "FollowUpMethod") return "FUmethodID";
    if (table == "SubProjectStatus") return "SPStatusID";
    if (table == "SubProjectType") return "SPTypeID";
    if (table == "SubProjectSize") return "ID";
    return nullptr;
}

} // namespace

const ColumnDef* TableDef::column(const QString& n) const
{
    for (const auto& c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

int TableDef::columnIndex(const QString& n) const
{
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(n, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

QString TableDef::keyColumn() const
{
    for (const auto& c : columns)
        if (c.type == ColumnType::AutoIncrement) return c.name;
    return {};
}

const std::vector<TableDef>& schemaTables()
{
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const TableDef* schemaTable(const QString& name)
{
    for (const auto& t : schemaTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

qsizetype characterCount(QStringView text)
{
    qsizetype n = text.size();
    for (qsizetype i = 1; i < text.size(); ++i)
        if (text[i].isLowSurrogate() && text[i - 1].isHighSurrogate()) --n;
    return n;
}

const TableDef& requireTable(const QString& name)
{
    if (const TableDef* t = schemaTable(name)) return *t;
    throw DatabaseError(QStringLiteral("no such table: %1").arg(name));
}

QStringList schemaCreateStatements()
{
    QStringList out;
    for (const auto& t : schemaTables()) {
        QStringList cols;
        const char* plainKey = plainKeyOf(t.name);
        for (const auto& c : t.columns) {
            QString def = c.name + ' ';
            switch (c.type) {
            case ColumnType::AutoIncrement: def += "INTEGER PRIMARY KEY AUTOINCREMENT"; break;
            case ColumnType::Integer:
                def += "INTEGER";
                if (plainKey && c.name == plainKey) def += " PRIMARY KEY";
                break;
            case ColumnType::Text:
                def += c.width > 0 ? QStringLiteral("VARCHAR(%1)").arg(c.width) : QStringLiteral("TEXT");
                def += " COLLATE NOCASE";
                break;
            case ColumnType::DateTime: def += "DATETIME"; break;
            case ColumnType::YesNo: def += "BOOLEAN"; break;
            }
            cols << def;
        }
        out << QStringLiteral("CREATE TABLE %1 (%2)").arg(t.name, cols.join(", "));
    }
    out << "CREATE UNIQUE INDEX CalendarDaysDay ON CalendarDays(Day)";
    out << "CREATE INDEX PeopleCompany ON People(CompanyID)";
    out << "CREATE INDEX PeopleProfession ON People(Profession)";
    out << "CREATE INDEX PeopleFollowUpPerson ON PeopleFollowUp(PersonID)";
    out << "CREATE INDEX QuestionsMainPerson ON QuestionsMain(PersonID, QuestionID)";
    out << "CREATE INDEX CalendarEventsDay ON CalendarEvents(DayID)";
    out << "CREATE INDEX RelatedFilesAccount ON RelatedFiles(AccountID)";
    return out;
}

} // namespace qv
