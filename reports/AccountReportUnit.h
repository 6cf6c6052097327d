#pragma once
// The account report ("Account Report", layout TAccountReportForm): every field of the current account, the tax
// and local-address fields included, line by line. Unlike the other reports it is made once, at start-up, and
// previewed again for whichever account is current, with a fresh stamp each time.

#include "reports/TextReport.h"

namespace qv {

class TMainDataModule;

class TAccountReportForm : public TextReport {
    Q_OBJECT
public:
    explicit TAccountReportForm(TMainDataModule& dm, QObject* parent = nullptr);

    // Stamps and previews the report for the current account; returns when the preview is closed. A request while
    // the preview is open is ignored. The caller has saved the account and checked that there is one.
    void previewCurrent();
};

} // namespace qv
