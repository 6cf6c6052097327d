#pragma once
// The thirty criteria of the filters and the run over the contacts: which contacts satisfy every active
// criterion, the summary line and the result text that becomes the filtering report's body.

#include "platform/ComposedReport.h"

#include <QString>
#include <QStringList>
#include <string>
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

// The results of one run, held compactly: every result's four cells in one buffer, and the result text made a
// line at a time when asked (the grid shows a few rows, the report's preview a page), so that a run that finds a
// hundred thousand contacts makes no hundred thousand strings.
class FilterRun : public report::LineSource {
public:
    enum Cell { Name, Type, Mobile, Email, CellCount };

    int resultCount() const { return int(m_results.size()); }
    // The texts of a result's grid cells: type, mobile and email are empty when the field was null or empty.
    QString name(int result) const { return cell(result, Name); }
    QString type(int result) const { return cell(result, Type); }
    QString mobile(int result) const { return cell(result, Mobile); }
    QString email(int result) const { return cell(result, Email); }
    // Where the result's contact stands in the contacts dataset, as the run found it.
    int position(int result) const { return m_results[size_t(result)].position; }

    // The result text: an empty line, the summary line, an empty line, then for each result its number line, its
    // "Name: " line, a "Type: ", "Mobile: " and "Email: " line for each cell that is not empty, and an empty line.
    // A run that has not happened has no lines.
    int lineCount() const override;
    QString line(int index) const override;
    QStringList text() const; // every line

private:
    friend FilterRun runFilter(TMainDataModule& dm, const FilterValues& values);
    static constexpr int HeaderLines = 3;
    struct Result {
        quint32 begin;           // of the name in m_cells
        quint32 ends[CellCount]; // of each cell
        int firstLine;           // of its number line in the result text
        int position;            // of the contact in the contacts dataset
    };
    QString cell(int result, Cell which) const;
    bool hasCell(int result, Cell which) const;
    void addResult(const char* const data[CellCount], const int sizes[CellCount], int position);

    QString m_summary;
    std::string m_cells; // UTF-8
    std::vector<Result> m_results;
    int m_lineCount = 0; // none before a run, the three header lines for a run that found nothing
};

// Visits the contacts of the current company in dataset order and returns to the first one afterwards.
FilterRun runFilter(TMainDataModule& dm, const FilterValues& values);

} // namespace qv
