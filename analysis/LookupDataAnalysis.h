#pragma once
// The lookup data analysis: how the contacts of the current company divide into customers, prospects and
// neither, the customers by importance, and the high-importance customers over eight of their attributes.
// The computation is a plain function; the command adds the messages and the report.

#include "reports/LDAReport.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace qv {

class TMainDataModule;

struct LookupAnalysis {
    enum class Outcome { NoContacts, NoCustomers, NoHighImportance, Analysed };
    Outcome outcome = Outcome::NoContacts;
    int total = 0;        // N
    int high = 0;         // H
    int medium = 0;       // M
    int low = 0;          // L
    int noImportance = 0; // X
    int prospects = 0;    // P
    int customers() const { return high + medium + low + noImportance; }
    int unidentified() const { return total - customers() - prospects; }

    QStringList summary;  // written only when there is a high-importance customer
    QStringList analysis; // likewise

    // "Customers" (green), "Prospects" (blue) and "Unidentified" (red), each only when above 0; the value is the
    // share of all contacts in per cent.
    std::vector<ChartSlice> slices() const;
};

// count × 100 / base with two decimals, a half rounded away from zero, in the user's decimal separator.
QString countPercentText(qint64 count, qint64 base);

// Scans the contacts once. Afterwards the first contact is current when there are customers, the last otherwise.
LookupAnalysis analyseLookupData(TMainDataModule& dm);

// The command behind "Lookup data analysis...": the analysis, its message if any, then the report preview.
void runLookupDataAnalysis(TMainDataModule& dm);

} // namespace qv
