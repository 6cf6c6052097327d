#pragma once
// The contact report ("Contact Report", layout TQVPersonsForm): every field of the current contact, in groups,
// and the suggested tactics of the personality identification as its body.

#include "reports/TextReport.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace qv {

class TMainDataModule;

// The layout bound to the current contact of the data module.
std::unique_ptr<TextReport> createContactReport(TMainDataModule& dm);

// Creates, fills with the tactics (computed after the report is created), stamps and previews the contact report,
// then discards it. The caller (the contacts toolbar's "Report", TDataEntryForm::ReportClick) has posted the contact
// and checked that there is one.
void printContactReport(TMainDataModule& dm, const std::function<QStringList()>& tactics);

} // namespace qv
