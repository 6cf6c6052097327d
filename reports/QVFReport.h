#pragma once
// The follow-up report ("Follow-up Report", layout TQVFReport) of the current contact: its title and name in a
// frame, and under "Follow-up Activities" the contact's follow-up history, one block per follow-up, oldest first.

#include "reports/TextReport.h"

#include <QStringList>
#include <memory>

namespace qv {

class TMainDataModule;

std::unique_ptr<TextReport> createFollowUpReport(TMainDataModule& dm);

// The body lines: for each follow-up of the dataset's rows, oldest first (undated ones last), its date and
// contact method, then the offered solution, status, role, expected order value and date, and description,
// each only when it holds something; a blank line between blocks. Lines wider than widthMm in font are broken.
QStringList followUpHistory(const Dataset& followUps, const QFont& font, double widthMm);

// "Report...": posts the pending contact and follow-up edits (a refused post does not stop it), then composes,
// stamps and previews the report and discards it.
void followUpReportClick(TMainDataModule& dm);

} // namespace qv
