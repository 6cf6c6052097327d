#include "bench/Generator.h"
#include "data/Domains.h"
#include "data/EncryptedFile.h"
#include "data/Installer.h"

#include <QDate>
#include <QStringList>
#include <random>
#include <sqlcipher/sqlite3.h>
#include <stdexcept>

namespace qv::bench {

namespace {

const QStringList firstNames{
    "James",     "Mary",   "John",        "Patricia", "Robert",  "Jennifer", "Michael",   "Linda",   "William",
    "Elizabeth", "David",  "Barbara",     "Richard",  "Susan",   "Joseph",   "Jessica",   "Thomas",  "Sarah",
    "Charles",   "Karen",  "Christopher", "Nancy",    "Daniel",  "Lisa",     "Matthew",   "Betty",   "Anthony",
    "Margaret",  "Mark",   "Sandra",      "Donald",   "Ashley",  "Steven",   "Kimberly",  "Paul",    "Emily",
    "Andrew",    "Donna",  "Joshua",      "Michelle", "Kenneth", "Dorothy",  "Kevin",     "Carol",   "Brian",
    "Amanda",    "George", "Melissa",     "Edward",   "Deborah", "Ronald",   "Stephanie", "Timothy", "Rebecca",
    "Jason",     "Sharon", "Jeffrey",     "Laura",    "Ryan",    "Cynthia"};
const QStringList lastNames{
    "Smith",    "Johnson",   "Williams", "Brown",    "Jones",    "Garcia",   "Miller",   "Davis",   "Rodriguez",
    "Martinez", "Hernandez", "Lopez",    "Gonzalez", "Wilson",   "Anderson", "Thomas",   "Taylor",  "Moore",
    "Jackson",  "Martin",    "Lee",      "Perez",    "Thompson", "White",    "Harris",   "Sanchez", "Clark",
    "Ramirez",  "Lewis",     "Robinson", "Walker",   "Young",    "Allen",    "King",     "Wright",  "Scott",
    "Torres",   "Nguyen",    "Hill",     "Flores",   "Green",    "Adams",    "Nelson",   "Baker",   "Hall",
    "Rivera",   "Campbell",  "Mitchell", "Carter",   "Roberts",  "Gomez",    "Phillips", "Evans",   "Turner",
    "Diaz",     "Parker",    "Cruz",     "Edwards",  "Collins",  "Reyes",    "Stewart",  "Morris"};
const QStringList streets{"Main Street",      "Oak Avenue",      "Maple Drive",      "Cedar Lane",
                          "Park Road",        "Washington Blvd", "Lake Shore Drive", "Hillcrest Road",
                          "Sunset Boulevard", "Elm Street",      "Pine Court",       "River Road",
                          "Church Street",    "Highland Avenue", "Meadow Lane",      "Forest Drive"};
const QStringList cities{"Springfield", "Riverside", "Franklin",   "Greenville", "Bristol",
                         "Clinton",     "Fairview",  "Salem",      "Madison",    "Georgetown",
                         "Arlington",   "Ashland",   "Burlington", "Manchester", "Oxford",
                         "Milton",      "Newport",   "Dayton",     "Lexington",  "Jackson"};
const QStringList states{"CA", "NY", "TX", "FL", "IL", "PA", "OH", "GA", "NC", "MI", "NJ", "VA", "WA", "AZ", "MA"};
const QStringList professions{"Accountant",
                              "Architect",
                              "Attorney",
                              "Buyer",
                              "Chemist",
                              "Consultant",
                              "Dentist",
                              "Designer",
                              "Economist",
                              "Electrician",
                              "Engineer",
                              "Financial analyst",
                              "Geologist",
                              "Graphic designer",
                              "Hotel manager",
                              "HR specialist",
                              "Journalist",
                              "Lab technician",
                              "Librarian",
                              "Logistics planner",
                              "Marketing manager",
                              "Mechanic",
                              "Nurse",
                              "Office manager",
                              "Pharmacist",
                              "Physician",
                              "Pilot",
                              "Professor",
                              "Programmer",
                              "Project manager",
                              "Purchasing agent",
                              "Real estate agent",
                              "Sales manager",
                              "Scientist",
                              "Surveyor",
                              "Teacher",
                              "Technician",
                              "Translator",
                              "Veterinarian",
                              "Web developer"};
const QStringList jobTitles{"Director",
                            "Manager",
                            "Senior Manager",
                            "Head of Purchasing",
                            "Chief Financial Officer",
                            "Vice President",
                            "Team Lead",
                            "Specialist",
                            "Coordinator",
                            "Owner",
                            "Partner",
                            "Operations Manager",
                            "IT Manager",
                            "Procurement Officer"};
const QStringList departments{"Purchasing",  "Finance",         "IT",        "Operations",    "Marketing", "Sales",
                              "Engineering", "Human Resources", "Logistics", "Administration"};
const QStringList hobbies{"golf",    "tennis",    "sailing", "reading", "cooking", "photography", "hiking",  "chess",
                          "fishing", "gardening", "cycling", "music",   "travel",  "skiing",      "painting"};
const QStringList languages{"English", "English, Spanish", "English, French", "English, German", "Spanish"};
const QStringList companyWords{"Advanced", "Global",   "United",  "Pacific",  "Northern", "Summit", "Pioneer",  "Apex",
                               "Liberty",  "Keystone", "Horizon", "Sterling", "Crescent", "Atlas",  "Evergreen"};
const QStringList companyKinds{"Systems",  "Industries", "Solutions",     "Logistics", "Foods", "Health",  "Energy",
                               "Software", "Partners",   "Manufacturing", "Services",  "Labs",  "Trading", "Media"};

class Db {
public:
    explicit Db(const QString& path)
        : m_handle(openEncryptedFile(path, DatabasePassword, FileOpening::ReadWrite)), m_db(m_handle.get())
    {
        exec("PRAGMA cache_size = -65536");
    }
    void exec(const char* sql) { runOrThrow(m_db, sql); }
    sqlite3_stmt* prepare(const QString& sql)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return st;
    }
    EngineHandle m_handle;
    sqlite3* m_db;
};

// Inserts rows given as column -> text pairs; a null QString binds NULL.
class Inserter {
public:
    Inserter(Db& db, const QString& table, const QStringList& columns) : m_columns(columns)
    {
        QStringList marks;
        for (int i = 0; i < columns.size(); ++i) marks << "?";
        m_st = db.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(','), marks.join(',')));
    }
    ~Inserter() { sqlite3_finalize(m_st); }
    void insert(const QVariantList& values)
    {
        for (int i = 0; i < values.size(); ++i) {
            const QVariant& v = values[i];
            if (v.isNull()) {
                sqlite3_bind_null(m_st, i + 1);
            } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
                sqlite3_bind_int64(m_st, i + 1, v.toLongLong());
            } else {
                const QByteArray u = v.toString().toUtf8();
                sqlite3_bind_text(m_st, i + 1, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            }
        }
        if (sqlite3_step(m_st) != SQLITE_DONE) throw std::runtime_error("insert failed");
        sqlite3_reset(m_st);
    }

private:
    QStringList m_columns;
    sqlite3_stmt* m_st = nullptr;
};

} // namespace

void generateDatabase(const QString& path, const GeneratorOptions& o)
{
    createDatabaseFile(path);
    Db db(path);
    std::mt19937 rng(o.seed);
    auto pick = [&](const QStringList& l) { return l[int(rng() % unsigned(l.size()))]; };
    auto chance = [&](int percent) { return int(rng() % 100) < percent; };
    auto digits = [&](int n) {
        QString s;
        for (int i = 0; i < n; ++i) s += QChar('0' + int(rng() % 10));
        return s;
    };
    auto phone = [&] { return QStringLiteral("(%1) %2-%3").arg(digits(3), digits(3), digits(4)); };
    auto orNull = [](bool keep, const QVariant& v) { return keep ? v : QVariant(); };

    db.exec("BEGIN");
    db.exec("INSERT INTO Companies (Name) VALUES ('Second Company')");

    struct Account {
        QString name, size, industry, street, city, state, zip, country, box, mainTel, tel1, tel2, fax1, fax2, web;
    };
    std::vector<Account> accounts;
    {
        Inserter ins(db, "Accounts",
                     {"AccountName", "AccountIndustry", "AccountSize", "Importance", "AccountManager", "AccountStreet",
                      "AccountCity", "AccountState", "AccountPostalCode", "AccountCountry", "AccountPostOfficeBox",
                      "AccountMainTel", "AccountTel1", "AccountTel2", "AccountFax1", "AccountFax2", "AccountWebPage",
                      "Comments"});
        for (int i = 0; i < o.accounts; ++i) {
            Account a;
            a.name = QStringLiteral("%1 %2 %3").arg(pick(companyWords), pick(companyKinds)).arg(i + 1);
            a.size = pick(domains::companySize());
            a.industry = pick(domains::industry());
            a.street = QStringLiteral("%1 %2").arg(100 + rng() % 9000).arg(pick(streets));
            a.city = pick(cities);
            a.state = pick(states);
            a.zip = digits(5);
            a.country = "USA";
            a.box = chance(20) ? "P.O. Box " + digits(4) : QString();
            a.mainTel = phone();
            a.tel1 = phone();
            a.tel2 = chance(40) ? phone() : QString();
            a.fax1 = phone();
            a.fax2 = QString();
            a.web = QStringLiteral("www.%1%2.com").arg(a.name.section(' ', 0, 1).remove(' ').toLower()).arg(i + 1);
            accounts.push_back(a);
            ins.insert({a.name, a.industry, a.size, pick(domains::importance()),
                        pick(firstNames) + ' ' + pick(lastNames), a.street, a.city, a.state, a.zip, a.country,
                        orNull(!a.box.isEmpty(), a.box), a.mainTel, a.tel1, orNull(!a.tel2.isEmpty(), a.tel2), a.fax1,
                        QVariant(), a.web,
                        chance(30) ? QVariant("Key account since " + QString::number(1995 + rng() % 10)) : QVariant()});
        }
    }

    {
        const QStringList cols{"CompanyID",
                               "Name",
                               "Title",
                               "Mobile",
                               "PrimaryTel",
                               "TelH1",
                               "Email1",
                               "Email2",
                               "HAStreet",
                               "HACity",
                               "HAState",
                               "HAPostalCode",
                               "HACountry",
                               "Profession",
                               "JobTitle",
                               "Company",
                               "Department",
                               "BAStreet",
                               "BACity",
                               "BAState",
                               "BAPostalCode",
                               "BACountry",
                               "BAPostOfficeBox",
                               "TelMain",
                               "TelB1",
                               "TelB2",
                               "FaxB1",
                               "WebPage",
                               "CompanySize",
                               "Industry",
                               "TelCallback",
                               "Gender",
                               "PersonType",
                               "CustoemrImportance",
                               "Household",
                               "EducationLevel",
                               "Income",
                               "ProspectingMethod",
                               "ApproachType",
                               "Innovation",
                               "Birthday",
                               "Breminder",
                               "Anniversary",
                               "Areminder",
                               "Hobbies",
                               "Language",
                               "Spouse",
                               "MailingAddress",
                               "Info"};
        Inserter ins(db, "People", cols);
        auto person = [&](int companyId) {
            const QString first = pick(firstNames), last = pick(lastNames);
            const bool male = chance(50);
            const Account& a = accounts.empty() ? Account{} : accounts[rng() % accounts.size()];
            const QString mail =
                QStringLiteral("%1.%2%3@example.com").arg(first.toLower(), last.toLower()).arg(rng() % 100);
            const QDate birthday = QDate(1950 + int(rng() % 50), 1, 1).addDays(int(rng() % 365));
            const QDate anniversary = QDate(1975 + int(rng() % 30), 1, 1).addDays(int(rng() % 365));
            QVariantList v{
                companyId,
                first + ' ' + last,
                pick(domains::title()),
                phone(),
                phone(),
                orNull(chance(60), phone()),
                mail,
                orNull(chance(25), QStringLiteral("%1%2@mail.example.net").arg(first.toLower()).arg(rng() % 1000)),
                QStringLiteral("%1 %2").arg(1 + rng() % 9999).arg(pick(streets)),
                pick(cities),
                pick(states),
                digits(5),
                "USA",
                pick(professions),
                pick(jobTitles),
                a.name,
                orNull(chance(70), pick(departments)),
                a.street,
                a.city,
                a.state,
                a.zip,
                a.country,
                orNull(!a.box.isEmpty(), a.box),
                a.mainTel,
                a.tel1,
                orNull(!a.tel2.isEmpty(), a.tel2),
                a.fax1,
                a.web,
                a.size,
                a.industry,
                QStringLiteral("%1.%2@%3.example.com")
                    .arg(first.left(1).toLower(), last.toLower(), a.name.section(' ', 0, 0).toLower()),
                orNull(chance(90), male ? "Male" : "Female"),
                orNull(chance(85), pick(domains::personType())),
                orNull(chance(80), pick(domains::importance())),
                orNull(chance(60), pick(domains::household())),
                orNull(chance(60), pick(domains::educationLevel())),
                orNull(chance(50), pick(domains::income())),
                orNull(chance(60), pick(domains::prospectingMethod())),
                orNull(chance(50), pick(domains::approachType())),
                orNull(chance(40), pick(domains::innovation())),
                orNull(chance(35), birthday.toString("yyyy-MM-dd") + " 00:00:00"),
                orNull(chance(35), chance(70) ? "TRUE" : "FALSE"),
                orNull(chance(15), anniversary.toString("yyyy-MM-dd") + " 00:00:00"),
                orNull(chance(15), chance(70) ? "TRUE" : "FALSE"),
                orNull(chance(40), pick(hobbies)),
                orNull(chance(50), pick(languages)),
                orNull(chance(30), pick(firstNames)),
                orNull(chance(50), pick(domains::addressChoice())),
                orNull(
                    chance(20),
                    QStringLiteral("Met at the %1 trade fair; interested in volume pricing.").arg(2000 + rng() % 5))};
            ins.insert(v);
        };
        for (int i = 0; i < o.contacts; ++i) person(1);
        for (int i = 0; i < o.otherContacts; ++i) person(2);
    }

    {
        Inserter ins(db, "PeopleFollowUp",
                     {"FUDate", "ProductsInterestedIn", "FUDescription", "PersonID", "ExpextedOrderValue",
                      "ExpectedOrderDate", "ContactMethod", "SaleStatus", "RoleInSale"});
        const int n = o.contacts / 10 * o.followUpsPerTen;
        for (int i = 0; i < n; ++i) {
            const QDate d = QDate(2004, 1, 1).addDays(int(rng() % 700));
            ins.insert({d.toString("yyyy-MM-dd") + " 00:00:00", "Annual service contract",
                        "Called to discuss the renewal and a volume discount.",
                        1 + int(rng() % unsigned(std::max(1, o.contacts))), int(1000 + rng() % 50000),
                        d.addDays(30).toString("yyyy-MM-dd") + " 00:00:00", pick(domains::contactMethod()),
                        pick(domains::saleStatus()), pick(domains::roleInSale())});
        }
    }

    {
        Inserter days(db, "CalendarDays", {"Day"});
        Inserter events(db, "CalendarEvents", {"DayID", "StartTime", "EndTime", "Action", "ReminderBefore", "Time"});
        for (int i = 0; i < o.calendarDays; ++i) {
            const QDate d = QDate(2026, 1, 1).addDays(i);
            days.insert({QStringLiteral("%1/%2/%3").arg(d.month()).arg(d.day()).arg(d.year())});
            for (int e = 0; e < o.eventsPerDay; ++e) {
                const int slot = int(rng() % 30);
                events.insert({i + 1, domains::halfHourTime()[slot], domains::halfHourTime()[slot + 2],
                               QStringLiteral("Meeting with %1 %2").arg(pick(firstNames), pick(lastNames)), 15,
                               d.toString("yyyy-MM-dd") + " 08:45:00"});
            }
        }
    }

    db.exec("INSERT INTO Projects (CompanyID, Name, Code) VALUES (1, 'Fleet renewal', 'FR-01'), (1, 'Office move', "
            "'OM-02')");
    db.exec("INSERT INTO SubProjects (SubProjectTypeID, ProjectID, SizeID, Name, Code) VALUES "
            "(1, 1, 2, 'Delivery vans', 'FR-01-A'), (2, 1, 3, 'Service plan', 'FR-01-B'), (1, 2, 1, 'Furniture', "
            "'OM-02-A')");
    db.exec("INSERT INTO Business (PersonID, SubProjectID, SPDecisionMaker, SPUser, SPWeight) VALUES "
            "(1, 1, 1, 0, 60), (1, 2, 0, 1, 20), (2, 3, 1, 1, 50)");
    db.exec("COMMIT");
}

} // namespace qv::bench
