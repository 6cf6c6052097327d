#pragma once
// What the Files window's paths share: the window shown on a page beside its plain copy, and typing into one of
// its search boxes.

#include "bench/Bench.h"
#include "bench/PlainCopy.h"

class QLineEdit;

namespace qv {
class Dataset;
class TDataEntryForm;
} // namespace qv

namespace qv::bench {

// The Files window shown on one page (the contacts page with one of its three pages, or the accounts page), once
// laid out on every page, and its plain copy made then.
struct ShownFilesWindow {
    enum Page { PersonalInfo, BusinessInfo, MarketingInfo, Accounts };
    ShownFilesWindow(Context& c, Page page);
    ~ShownFilesWindow();
    void showPage(Page page);
    TDataEntryForm& form;
    std::unique_ptr<PlainCopy> copy;
};

// Keystrokes into a search box that each find a contact or an account (the window shown and repainted after each),
// against the floor: the same texts typed into the plain copy's box, the same first-match scan over the names held
// as UTF-8 (namesSql, one text column, in the rows' order), what the window showed set into the copy, repainted.
// The names typed are the prefixes of the two names whose first match lies deepest in the rows.
Result searchKeystrokes(Context& c, ShownFilesWindow& window, QLineEdit* box, Dataset* rows, const char* namesSql);
// The first of those keystrokes right after the rows were read again (another copy of the program changed the
// table: touchSql), against the same keystroke once the rows had been searched before.
Result firstKeystroke(Context& c, QLineEdit* box, Dataset* rows, const char* namesSql, const char* touchSql);

} // namespace qv::bench
