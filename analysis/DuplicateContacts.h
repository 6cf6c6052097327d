#pragma once
// Contacts that are likely one person. Two contacts go together when they have the same name (letter case,
// accents, blanks and punctuation aside, given and family names in either order), an e-mail address in common
// (letter case aside) or a telephone number in common (on its last nine digits, seven where one is shorter). A
// group is every contact joined by such matches, however long the chain. No widgets: the window and the benchmark
// both call it.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class Dataset;

namespace duplicates {

enum Reason : unsigned { SameName = 1, SameEmail = 2, SameTelephone = 4 };
// "same name, same e-mail", in that order.
QString reasonText(unsigned reasons);

// The columns compared, besides Name. TelMain is the account's switchboard and faxes are no one's own line: a
// company's colleagues share them.
const QStringList& emailColumns();
const QStringList& telephoneColumns();

// A name's two keys: its words in alphabetical order, and its letters and digits in their own order ("Mary-Ann
// Smith" meets "Smith, Mary Ann" by the first and "Maryann Smith" by the second). Both lower case without accents,
// apostrophes left out ("O'Brien" is "OBrien"); false when the name has no letter or digit.
struct NameKeys {
    std::string words;
    std::string letters;
};
bool foldName(const char* utf8, int size, NameKeys& keys);
// The address trimmed and in lower case; false when it is no address (no '@' between other characters).
bool foldEmail(const char* utf8, int size, std::string& key);
// The digits of a number up to its first letter (an extension), false when fewer than seven: the last nine in
// digits, and how many there were in all.
struct Telephone {
    quint64 lastDigits = 0;
    int count = 0;
    bool isLong() const { return count >= 9; }
    quint64 lastSeven() const { return lastDigits % 10000000; }
};
bool readTelephone(const char* utf8, int size, Telephone& number);
bool sameTelephone(const Telephone& a, const Telephone& b);

struct Group {
    std::vector<qint64> people; // PersonIDs, in the order the dataset shows them
    unsigned reasons = 0;       // what joined them
};

// Groups of two or more among the rows the dataset shows (all of them, or the given ones), in the order of their
// first contact. progress(done) is asked every few thousand contacts; when it says false the search stops and
// gives nothing.
std::optional<std::vector<Group>> findGroups(const Dataset& contacts, const std::vector<int>* rows = nullptr,
                                             const std::function<bool(int)>& progress = {});

} // namespace duplicates
} // namespace qv
