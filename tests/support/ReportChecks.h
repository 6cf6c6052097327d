#pragma once
// Looking at a composed report as a reader does: which texts are cut, what an item paints, and the report saved
// as pictures to be looked at.

#include "platform/ComposedReport.h"

#include <QString>
#include <QStringList>

namespace qv::test {

// The entry of a pick list that takes the most room in the reports' value font.
QString longestEntry(const QStringList& entries);

// The texts the report paints cut at their boxes, one line each ("name on page N is cut: text"); empty when none is.
QString clippedTexts(const report::ComposedReport& report);

// All that the report's items of one name paint, their lines put together.
QString paintedText(const report::ComposedReport& report, const QString& item);

// With QV_SCREENSHOTS set to a folder, the report is saved there as name.pdf and as one name-N.png per page.
void saveForLooking(const report::ComposedReport& report, const QString& name);

} // namespace qv::test
