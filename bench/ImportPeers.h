#pragma once
// The imports' floors: complete imports as a plain C program would write them. Bytes in, texts bound as they are,
// nothing converted to another string type or boxed: read the file, check its text, split it, test each contact
// against the names and e-mails at hand, insert with one prepared statement in batches of the program's size.

#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace qv::bench {

class PeerImport {
public:
    // Into the first company of db (opened with the program's settings), the given People columns in this order;
    // nameColumn and emailColumn index them.
    PeerImport(sqlite3* db, const std::vector<std::string>& columns, int nameColumn, int emailColumn);
    ~PeerImport();
    // The names and e-mails of the company's contacts, read before an import as the program's rows are.
    void knowContacts();
    // The duplicate test's keys of the contacts known, folded and hashed: part of an import's work, as the program
    // builds its index from the rows it holds when an import starts.
    void indexKnownContacts();
    // Inserts unless the name is blank or a contact of the company has the same name and e-mail, letter case
    // ignored; one value per column, an empty one stored as null.
    bool add(const std::string_view* values);
    // Commits the last batch.
    void finish();
    int added() const { return m_added; }

private:
    void begin();
    static void fold(std::string& key, std::string_view text);

    sqlite3* m_db;
    sqlite3_stmt* m_insert = nullptr;
    size_t m_columns;
    int m_name, m_email;
    int m_added = 0, m_inBatch = 0;
    bool m_open = false;
    std::vector<std::pair<std::string, std::string>> m_atHand; // name and e-mail
    std::unordered_set<std::string> m_known;
    std::string m_key;
};

// A contacts CSV file with the program's header: every line after it split at each comma into the columns of
// `columns`. Returns the contacts added, or -1 when the header is not the expected one.
int peerCsvImport(PeerImport& import, const char* path, std::string_view header, size_t columns);
// The book of Evolution (its folder_id table of vCards), each card's name, e-mails, telephones, home address, home
// page, job title, languages and related people mapped to the mail import's columns, in its order: Name, Title,
// Language, Spouse, Children, HAStreet, HACity, HAState, HAPostalCode, HACountry, HAPostOfficeBox, JobTitle, Email1,
// Email2, Mobile, PrimaryTel, HomePage, TelH1, TelH2, FaxH, Telex, ManagerName, AssistantName, Hobbies.
int peerBookImport(PeerImport& import, const char* bookPath);
// A vCard file: each card read as the book's are, with what a file's import fills besides (company and department,
// the work telephone and address, birthday, anniversary, note), into the named People columns in their order.
int peerVCardFileImport(PeerImport& import, const char* path, const std::vector<std::string>& columns);
// A CSV file written by Google Contacts (RFC 4180): the name joined from its parts, the organisation, the birthday,
// the notes, e-mails, telephones by their labels, the first address (home or work by its label) and the web site,
// into the named People columns in their order. Returns -1 when the file has no header.
int peerGoogleCsvImport(PeerImport& import, const char* path, const std::vector<std::string>& columns);

} // namespace qv::bench
