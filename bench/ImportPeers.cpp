#include "bench/ImportPeers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sqlcipher/sqlite3.h>
#include <stdexcept>
#include <strings.h>

namespace qv::bench {

namespace {

constexpr int RowsPerCommit = 50000; // the program's batches

void exec(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
}

sqlite3_stmt* prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    return st;
}

bool isBlank(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) > 32) return false;
    return true;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

// ---------------------------------------------------------------- text of a file

bool isUtf8(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0, n = s.size(); i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const size_t length = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
        if (length == 0 || i + length > n || (length == 4 && b > 0xF4)) return false;
        for (size_t k = 1; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// Windows-1252 to UTF-8, for a file that is not UTF-8.
std::string fromWindows1252(std::string_view s)
{
    static const char16_t High[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (const char ch : s) {
        const unsigned char b = static_cast<unsigned char>(ch);
        const char16_t c = b >= 0x80 && b < 0xA0 ? High[b - 0x80] : char16_t(b);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string readFile(const char* path)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) throw std::runtime_error(std::string("cannot open ") + path);
    // Read at once into room of the file's size.
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::string bytes(size_t(std::max(size, 0L)), '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    return isUtf8(bytes) ? bytes : fromWindows1252(bytes);
}

// The next line of text (without its line end), from `at` on; false at the end.
bool nextLine(std::string_view text, size_t& at, std::string_view& line)
{
    if (at >= text.size()) return false;
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    return true;
}

// ---------------------------------------------------------------- vCards

// A vCard value's components (split at unescaped semicolons), unescaped.
std::vector<std::string> components(std::string_view value)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char e = value[++i];
            parts.back() += e == 'n' || e == 'N' ? '\n' : e;
        } else if (c == ';') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string text(std::string_view value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char e = value[++i];
            out += e == 'n' || e == 'N' ? '\n' : e;
        } else {
            out += value[i];
        }
    }
    return std::string(trimmed(out));
}

bool sameName(std::string_view a, const char* b)
{
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = char(c - 32);
        if (c != b[i]) return false;
    }
    return true;
}

// A property's type words, lower case: TYPE=a,b and bare words (2.1).
bool hasType(std::string_view params, const char* type)
{
    const size_t n = std::strlen(type);
    for (size_t i = 0; i + n <= params.size(); ++i) {
        const bool startsWord = i == 0 || params[i - 1] == ';' || params[i - 1] == ',' || params[i - 1] == '=';
        if (!startsWord) continue;
        const bool endsWord = i + n == params.size() || params[i + n] == ';' || params[i + n] == ',';
        if (!endsWord) continue;
        if (strncasecmp(params.data() + i, type, n) == 0) return true;
    }
    return false;
}

void join(std::string& field, const std::string& value)
{
    if (value.empty()) return;
    if (!field.empty()) field += ", ";
    field += value;
}

// The mail import's columns (see peerBookImport).
enum Field {
    Name,
    Title,
    Language,
    Spouse,
    Children,
    HAStreet,
    HACity,
    HAState,
    HAPostalCode,
    HACountry,
    HAPostOfficeBox,
    JobTitle,
    Email1,
    Email2,
    Mobile,
    PrimaryTel,
    HomePage,
    TelH1,
    TelH2,
    FaxH,
    Telex,
    ManagerName,
    AssistantName,
    Hobbies,
    FieldCount,
    // What a vCard file's import fills besides.
    Company = FieldCount,
    Department,
    TelB1,
    BAStreet,
    BACity,
    BAState,
    BAPostalCode,
    BACountry,
    Birthday,
    Anniversary,
    Info,
    FileFieldCount
};

const char* const FieldNames[FileFieldCount] = {
    "Name",        "Title",         "Language",     "Spouse",          "Children",   "HAStreet",    "HACity",
    "HAState",     "HAPostalCode",  "HACountry",    "HAPostOfficeBox", "JobTitle",   "Email1",      "Email2",
    "Mobile",      "PrimaryTel",    "HomePage",     "TelH1",           "TelH2",      "FaxH",        "Telex",
    "ManagerName", "AssistantName", "Hobbies",      "Company",         "Department", "TelB1",       "BAStreet",
    "BACity",      "BAState",       "BAPostalCode", "BACountry",       "Birthday",   "Anniversary", "Info"};

// A vCard date (1970-01-02 or 19700102) in the stored form, at midnight; empty when it is neither.
std::string storedDate(const std::string& v)
{
    if (v.size() == 10 && v[4] == '-' && v[7] == '-') return v + " 00:00:00";
    if (v.size() == 8) return v.substr(0, 4) + '-' + v.substr(4, 2) + '-' + v.substr(6, 2) + " 00:00:00";
    return {};
}

// An ADR value into five fields that follow each other as HAStreet to HACountry do: the street (its street and
// extended parts joined), city, region, postal code and country. Returns the post office box.
std::string readAddress(std::string_view value, std::string* street)
{
    static_assert(HACountry - HAStreet == 4 && BACountry - BAStreet == 4, "the address fields follow each other");
    std::vector<std::string> a = components(value);
    a.resize(7);
    join(street[0], std::string(trimmed(a[2])));
    join(street[0], std::string(trimmed(a[1])));
    for (size_t k = 1; k < 5; ++k) street[k] = a[k + 2];
    return a[0];
}

// One card's fields (with `fromFile`, those a vCard file's import fills besides); false for a contact list, which
// ends the import.
bool readCard(std::string_view card, std::string (&f)[FileFieldCount], std::string& unfolded, bool fromFile = false)
{
    for (std::string& s : f) s.clear();
    unfolded.clear();
    for (size_t i = 0; i < card.size(); ++i) {
        if (card[i] == '\r' && i + 2 < card.size() && card[i + 1] == '\n' &&
            (card[i + 2] == ' ' || card[i + 2] == '\t')) {
            i += 2;
            continue;
        }
        if (card[i] == '\n' && i + 1 < card.size() && (card[i + 1] == ' ' || card[i + 1] == '\t')) {
            ++i;
            continue;
        }
        unfolded += card[i];
    }
    std::string first, last, formatted, untypedUrl;
    int emails = 0;
    bool homeAddress = false, workAddress = false;
    size_t at = 0;
    std::string_view line;
    while (nextLine(unfolded, at, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view head = line.substr(0, colon), value = line.substr(colon + 1);
        const size_t semicolon = head.find(';');
        std::string_view name = head.substr(0, semicolon);
        const std::string_view params =
            semicolon == std::string_view::npos ? std::string_view() : head.substr(semicolon + 1);
        if (const size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
        if (sameName(name, "N")) {
            const std::vector<std::string> n = components(value);
            last = std::string(trimmed(n[0]));
            first = n.size() > 1 ? std::string(trimmed(n[1])) : std::string();
            f[Title] = n.size() > 3 ? std::string(trimmed(n[3])) : std::string();
        } else if (sameName(name, "FN")) {
            formatted = text(value);
        } else if (sameName(name, "KIND") || sameName(name, "X-EVOLUTION-LIST")) {
            const std::string v = text(value);
            if (strcasecmp(v.c_str(), "group") == 0 || strcasecmp(v.c_str(), "TRUE") == 0) return false;
        } else if (sameName(name, "TEL")) {
            std::string number = text(value);
            if (number.compare(0, 4, "tel:") == 0) number.erase(0, 4);
            if (number.empty()) continue;
            const auto once = [&number](std::string& field) {
                if (field.empty()) field = number;
            };
            if (hasType(params, "x-telex") || hasType(params, "telex") || hasType(params, "tlx"))
                once(f[Telex]);
            else if (hasType(params, "cell") || hasType(params, "mobile") || hasType(params, "x-mobile"))
                once(f[Mobile]);
            else if (hasType(params, "fax")) {
                if (!hasType(params, "work")) once(f[FaxH]);
            } else if (hasType(params, "home"))
                once(f[TelH1].empty() ? f[TelH1] : f[TelH2]);
            else if (fromFile && hasType(params, "work") && !hasType(params, "pager") && !hasType(params, "car"))
                once(f[TelB1]);
            else if (!hasType(params, "work") && !hasType(params, "pager") && !hasType(params, "car"))
                once(f[PrimaryTel]);
        } else if (sameName(name, "EMAIL")) {
            std::string address = text(value);
            if (address.compare(0, 7, "mailto:") == 0) address.erase(0, 7);
            if (address.empty()) continue;
            if (emails < 2) f[emails == 0 ? Email1 : Email2] = address;
            ++emails;
        } else if (sameName(name, "ADR") && fromFile && !workAddress && hasType(params, "work")) {
            workAddress = true;
            readAddress(value, &f[BAStreet]);
        } else if (fromFile && sameName(name, "ORG")) {
            const std::vector<std::string> o = components(value);
            f[Company] = std::string(trimmed(o[0]));
            if (o.size() > 1) f[Department] = std::string(trimmed(o[1]));
        } else if (fromFile && sameName(name, "BDAY")) {
            f[Birthday] = storedDate(text(value));
        } else if (fromFile && (sameName(name, "ANNIVERSARY") || sameName(name, "X-ANNIVERSARY"))) {
            f[Anniversary] = storedDate(text(value));
        } else if (fromFile && sameName(name, "NOTE")) {
            f[Info] = text(value);
        } else if (sameName(name, "ADR")) {
            if (homeAddress || !hasType(params, "home")) continue;
            homeAddress = true;
            f[HAPostOfficeBox] = readAddress(value, &f[HAStreet]);
        } else if (sameName(name, "URL")) {
            if (hasType(params, "home"))
                f[HomePage] = text(value);
            else if (untypedUrl.empty() && !hasType(params, "work"))
                untypedUrl = text(value);
        } else if (sameName(name, "TITLE")) {
            f[JobTitle] = text(value);
        } else if (sameName(name, "LANG")) {
            join(f[Language], text(value));
        } else if (sameName(name, "X-EVOLUTION-SPOUSE") || sameName(name, "X-SPOUSE")) {
            join(f[Spouse], text(value));
        } else if (sameName(name, "X-CHILDREN") || sameName(name, "X-CHILD")) {
            join(f[Children], text(value));
        } else if (sameName(name, "X-EVOLUTION-MANAGER") || sameName(name, "X-MANAGER")) {
            join(f[ManagerName], text(value));
        } else if (sameName(name, "X-EVOLUTION-ASSISTANT") || sameName(name, "X-ASSISTANT")) {
            join(f[AssistantName], text(value));
        } else if (sameName(name, "HOBBY") || sameName(name, "INTEREST")) {
            join(f[Hobbies], text(value));
        }
    }
    if (f[HomePage].empty()) f[HomePage] = untypedUrl;
    if (first.empty() && last.empty()) {
        const size_t blank = formatted.rfind(' ');
        first = blank == std::string::npos ? formatted : formatted.substr(0, blank);
        last = blank == std::string::npos ? std::string() : formatted.substr(blank + 1);
    }
    // A card without a first name is left out: its name stays empty.
    if (!first.empty() && first != " ") f[Name] = first + ' ' + last;
    return true;
}

} // namespace

// ---------------------------------------------------------------- the import

PeerImport::PeerImport(sqlite3* db, const std::vector<std::string>& columns, int nameColumn, int emailColumn)
    : m_db(db), m_columns(columns.size()), m_name(nameColumn), m_email(emailColumn)
{
    std::string sql = "INSERT INTO People (CompanyID", marks = "?";
    for (const std::string& c : columns) {
        sql += ", " + c;
        marks += ", ?";
    }
    m_insert = prepare(db, sql + ") VALUES (" + marks + ")");
    sqlite3_stmt* first = prepare(db, "SELECT CompanyID FROM Companies ORDER BY rowid LIMIT 1");
    if (sqlite3_step(first) == SQLITE_ROW) sqlite3_bind_int64(m_insert, 1, sqlite3_column_int64(first, 0));
    sqlite3_finalize(first);
}

PeerImport::~PeerImport() { sqlite3_finalize(m_insert); }

void PeerImport::fold(std::string& key, std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            key += char(c + 32);
        } else if (c == 0xC3 && i + 1 < text.size()) {
            // Latin-1's capitals, but the multiplication sign, lie 32 below their small letters.
            const unsigned char next = static_cast<unsigned char>(text[++i]);
            key += char(c);
            key += char(next >= 0x80 && next <= 0x9E && next != 0x97 ? next + 32 : next);
        } else {
            key += char(c);
        }
    }
}

void PeerImport::knowContacts()
{
    sqlite3_stmt* st =
        prepare(m_db, "SELECT Name, Email1 FROM People WHERE CompanyID = (SELECT CompanyID FROM Companies ORDER BY "
                      "rowid LIMIT 1)");
    const auto text = [st](int c) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        return p ? std::string(p, size_t(sqlite3_column_bytes(st, c))) : std::string();
    };
    while (sqlite3_step(st) == SQLITE_ROW) m_atHand.emplace_back(text(0), text(1));
    sqlite3_finalize(st);
}

void PeerImport::indexKnownContacts()
{
    m_known.reserve(m_atHand.size());
    for (const auto& [name, email] : m_atHand) {
        m_key.clear();
        fold(m_key, name);
        m_key += '\x1F';
        fold(m_key, email);
        m_known.insert(m_key);
    }
}

void PeerImport::begin()
{
    exec(m_db, "BEGIN IMMEDIATE");
    m_open = true;
}

bool PeerImport::add(const std::string_view* values)
{
    if (isBlank(values[m_name])) return false;
    // As the program's, the test applies only where the company had contacts to start with.
    const bool test = !m_known.empty();
    if (test) {
        m_key.clear();
        fold(m_key, values[m_name]);
        m_key += '\x1F';
        fold(m_key, values[m_email]);
        if (m_known.count(m_key)) return false;
    }
    if (!m_open) begin();
    for (size_t k = 0; k < m_columns; ++k) {
        if (values[k].empty())
            sqlite3_bind_null(m_insert, int(k) + 2);
        else
            sqlite3_bind_text(m_insert, int(k) + 2, values[k].data(), int(values[k].size()), SQLITE_STATIC);
    }
    if (sqlite3_step(m_insert) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(m_db));
    sqlite3_reset(m_insert);
    if (test) m_known.insert(m_key);
    ++m_added;
    if (++m_inBatch == RowsPerCommit) finish();
    return true;
}

void PeerImport::finish()
{
    if (!m_open) return;
    exec(m_db, "COMMIT");
    m_open = false;
    m_inBatch = 0;
}

int peerCsvImport(PeerImport& import, const char* path, std::string_view header, size_t columns)
{
    const std::string text = readFile(path);
    size_t at = 0;
    std::string_view line;
    if (!nextLine(text, at, line) || trimmed(line) != header) return -1;
    std::vector<std::string_view> fields(columns);
    while (nextLine(text, at, line)) {
        if (line.empty()) continue;
        size_t k = 0;
        for (size_t start = 0; k < columns; ++k) {
            const size_t comma = line.find(',', start);
            fields[k] = line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
            if (comma == std::string_view::npos) {
                ++k;
                break;
            }
            start = comma + 1;
        }
        for (; k < columns; ++k) fields[k] = {};
        import.add(fields.data());
    }
    import.finish();
    return import.added();
}

int peerBookImport(PeerImport& import, const char* bookPath)
{
    sqlite3* book = nullptr;
    if (sqlite3_open_v2(bookPath, &book, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open the address book");
    sqlite3_stmt* cards = prepare(book, "SELECT vcard FROM folder_id ORDER BY rowid");
    std::string fields[FileFieldCount], unfolded;
    std::string_view values[FieldCount];
    while (sqlite3_step(cards) == SQLITE_ROW) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(cards, 0));
        if (!readCard(std::string_view(p, size_t(sqlite3_column_bytes(cards, 0))), fields, unfolded)) break;
        for (int k = 0; k < FieldCount; ++k) values[k] = fields[k];
        import.add(values);
    }
    sqlite3_finalize(cards);
    sqlite3_close(book);
    import.finish();
    return import.added();
}

int peerVCardFileImport(PeerImport& import, const char* path, const std::vector<std::string>& columns)
{
    std::vector<int> fieldOf;
    for (const std::string& c : columns) {
        int k = 0;
        while (k < FileFieldCount && c != FieldNames[k]) ++k;
        if (k == FileFieldCount) throw std::runtime_error("no card field for the column " + c);
        fieldOf.push_back(k);
    }
    const std::string text = readFile(path);
    std::string fields[FileFieldCount], unfolded;
    std::vector<std::string_view> values(columns.size());
    size_t at = 0, cardStart = std::string::npos;
    std::string_view line;
    while (nextLine(text, at, line)) {
        if (sameName(trimmed(line), "BEGIN:VCARD")) cardStart = size_t(line.data() - text.data());
        if (!sameName(trimmed(line), "END:VCARD") || cardStart == std::string::npos) continue;
        const std::string_view card(text.data() + cardStart, size_t(line.data() - text.data()) - cardStart);
        cardStart = std::string::npos;
        if (!readCard(card, fields, unfolded, true)) break;
        for (size_t k = 0; k < columns.size(); ++k) values[k] = fields[fieldOf[k]];
        import.add(values.data());
    }
    import.finish();
    return import.added();
}

namespace {

// The next record of an RFC 4180 text from `at` on, its fields unquoted into `fields`; false at the end.
bool nextRecord(std::string_view text, size_t& at, std::vector<std::string>& fields)
{
    if (at >= text.size()) return false;
    fields.assign(1, std::string());
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (quoted) {
            if (c != '"')
                fields.back() += c;
            else if (at + 1 < text.size() && text[at + 1] == '"')
                fields.back() += text[++at];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n' || c == '\r') {
            at += c == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
            return true;
        } else {
            fields.back() += c;
        }
    }
    return true;
}

bool labelled(const std::string& label, const char* word) { return strcasestr(label.c_str(), word) != nullptr; }

} // namespace

int peerGoogleCsvImport(PeerImport& import, const char* path, const std::vector<std::string>& columns)
{
    const std::string text = readFile(path);
    size_t at = 0;
    std::vector<std::string> header, record;
    if (!nextRecord(text, at, header)) return -1;
    const auto indexOf = [&header](const std::string& name) {
        for (size_t k = 0; k < header.size(); ++k)
            if (trimmed(header[k]) == name) return int(k);
        return -1;
    };
    const auto columnOf = [&columns](const char* name) {
        for (size_t k = 0; k < columns.size(); ++k)
            if (columns[k] == name) return int(k);
        return -1;
    };
    const int first = indexOf("First Name"), middle = indexOf("Middle Name"), last = indexOf("Last Name");
    // Plain columns: the header's name and the field it fills.
    const std::pair<const char*, const char*> plain[] = {{"Name Prefix", "Title"},
                                                         {"Organization Name", "Company"},
                                                         {"Organization Title", "JobTitle"},
                                                         {"Organization Department", "Department"},
                                                         {"Notes", "Info"},
                                                         {"Website 1 - Value", "HomePage"}};
    std::vector<std::pair<int, int>> copies; // file column, value
    for (const auto& [from, to] : plain)
        if (indexOf(from) >= 0 && columnOf(to) >= 0) copies.emplace_back(indexOf(from), columnOf(to));
    const int birthday = indexOf("Birthday");
    std::vector<std::string> out(columns.size());
    std::vector<std::string_view> values(columns.size());
    const auto set = [&](const char* column, const std::string& value) {
        const int k = columnOf(column);
        if (k >= 0 && out[size_t(k)].empty()) out[size_t(k)] = value;
    };
    const auto field = [&record](int k) {
        return k >= 0 && size_t(k) < record.size() ? record[size_t(k)] : std::string();
    };
    int email[2], phone[2], phoneLabel[2];
    for (int n = 0; n < 2; ++n) {
        email[n] = indexOf("E-mail " + std::to_string(n + 1) + " - Value");
        phone[n] = indexOf("Phone " + std::to_string(n + 1) + " - Value");
        phoneLabel[n] = indexOf("Phone " + std::to_string(n + 1) + " - Label");
    }
    const int addressLabel = indexOf("Address 1 - Label"), street = indexOf("Address 1 - Street"),
              city = indexOf("Address 1 - City"), postalCode = indexOf("Address 1 - Postal Code"),
              country = indexOf("Address 1 - Country");
    while (nextRecord(text, at, record)) {
        if (record.size() == 1 && record[0].empty()) continue;
        for (std::string& v : out) v.clear();
        std::string joined; // the name's parts with one blank between them
        for (const int part : {first, middle, last}) {
            const std::string_view p = trimmed(field(part));
            if (p.empty()) continue;
            if (!joined.empty()) joined += ' ';
            joined += p;
        }
        set("Name", joined);
        for (const auto& [from, to] : copies) out[size_t(to)] = std::string(trimmed(field(from)));
        if (birthday >= 0) set("Birthday", storedDate(std::string(trimmed(field(birthday)))));
        for (int n = 0; n < 2; ++n) {
            set("Email1", field(email[n]));
            if (n == 1 && field(email[0]).size()) set("Email2", field(email[n]));
            const std::string number = field(phone[n]), label = field(phoneLabel[n]);
            if (number.empty()) continue;
            set(labelled(label, "mobile") ? "Mobile"
                : labelled(label, "work") ? "TelB1"
                : labelled(label, "home") ? "TelH1"
                                          : "PrimaryTel",
                number);
        }
        const bool work = labelled(field(addressLabel), "work");
        set(work ? "BAStreet" : "HAStreet", field(street));
        set(work ? "BACity" : "HACity", field(city));
        set(work ? "BAPostalCode" : "HAPostalCode", field(postalCode));
        set(work ? "BACountry" : "HACountry", field(country));
        for (size_t k = 0; k < out.size(); ++k) values[k] = out[k];
        import.add(values.data());
    }
    import.finish();
    return import.added();
}

} // namespace qv::bench
