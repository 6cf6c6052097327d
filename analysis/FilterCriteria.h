#pragma once
// The thirty criteria of the filters and the run over the contacts: which contacts satisfy every active
// criterion, the summary line and the result text that becomes the filtering report's body.

#include <QString>
#include <QStringList>
#include <vector>

namespace qv {

class TMainDataModule;

struct FilterCriterion {
    const char* caption;       // the check box's caption
    const char* hint;          // the check box's hint
    const QStringList* domain; // the closed list's entries; nullptr for a free-text box
    bool upperCase;            // typed letters forced to upper case (the postal codes)
    const char* field;         // the field of People it tests
    const char* fragment;      // what names it in the summary line
};

// In the order in which a run tests them and the summary line lists them.
const std::vector<FilterCriterion>& filterCriteria();

// Equal texts when the letters A to Z are compared without regard to case; every other character, accented
// letters included, must be identical. Works on UTF-8, whose multi-byte sequences never hold ASCII bytes.
bool equalFoldingAsciiLetters(const char* a, int aSize, const char* b, int bSize);

// The value of each criterion by its position; an empty value means the criterion is not active.
using FilterValues = std::vector<QString>;

QString filterSummaryLine(const FilterValues& values);

// One result: where its lines start in the result text and which of the optional lines it has. The grid's cells
// are read from those lines, so that a run of many results builds each text once.
struct FilterResult {
    int nameLine = 0; // the "Name: " line; the optional lines follow it in the order type, mobile, email
    bool hasType = false, hasMobile = false, hasEmail = false;
};

struct FilterRun {
    std::vector<FilterResult> results; // numbered from 1 in this order
    QStringList text;                  // the result text

    // The texts of a result's grid cells: type, mobile and email are empty when the field was null or empty.
    QString name(int result) const;
    QString type(int result) const;
    QString mobile(int result) const;
    QString email(int result) const;
};

// Visits the contacts of the current company in dataset order and returns to the first one afterwards.
FilterRun runFilter(TMainDataModule& dm, const FilterValues& values);

} // namespace qv
