#include "reports/QVFReport.h"
#include "data/DataModule.h"
#include "data/DateFormats.h"
#include "platform/ComposedReport.h"

#include <QLocale>
#include <algorithm>

namespace qv {

namespace {

constexpr double FrameTopMm = TextReport::ContentTopMm;
constexpr double FrameHeightMm = 9;
constexpr double HeadingTopMm = FrameTopMm + FrameHeightMm + 3;
constexpr double BodyTopMm = HeadingTopMm + 8;

const QString Indent = QStringLiteral("      ");
const QString Continuation = QStringLiteral("            ");

// Appends start + text, its blanks squeezed, broken between words so that no line is wider than widthMm; a word wider
// than a line is cut. Continuation lines begin with the continuation indent.
void appendWrapped(QStringList& out, const QString& start, const QString& text, const QFont& font, double widthMm)
{
    const QString words = text.split(' ', Qt::SkipEmptyParts).join(' ');
    out << report::ComposedReport::wrapLine(words, font, widthMm, start, Continuation);
}

QString dateText(const QVariant& stored)
{
    const QDateTime d = Dataset::parseStoredDateTime(stored);
    return d.isValid() ? dates::shortDate(d.date()) : QString();
}

} // namespace

QStringList followUpHistory(const Dataset& followUps, const QFont& font, double widthMm)
{
    const int date = followUps.requireField("FUDate"), method = followUps.requireField("ContactMethod");
    const int solution = followUps.requireField("ProductsInterestedIn"), status = followUps.requireField("SaleStatus");
    const int role = followUps.requireField("RoleInSale"), value = followUps.requireField("ExpextedOrderValue");
    const int orderDate = followUps.requireField("ExpectedOrderDate");
    const int description = followUps.requireField("FUDescription");

    // Oldest first; follow-ups without a date after the dated ones; otherwise in the order they were made.
    std::vector<std::pair<QDateTime, int>> order;
    for (int r = 0; r < followUps.shownRowCount(); ++r)
        order.emplace_back(Dataset::parseStoredDateTime(followUps.valueAt(r, date)), r);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        if (a.first.isValid() != b.first.isValid()) return a.first.isValid();
        return a.first.isValid() && a.first < b.first;
    });

    QStringList out;
    const QLocale locale;
    for (const auto& [when, r] : order) {
        auto text = [&](int field) { return followUps.valueAt(r, field).toString().trimmed(); };
        if (!out.isEmpty()) out << QString();
        QString heading = when.isValid() ? dates::shortDate(when.date()) : QStringLiteral("No date");
        if (!text(method).isEmpty()) heading += QStringLiteral(" \u2013 ") + text(method);
        appendWrapped(out, QString(), heading, font, widthMm);
        auto item = [&](const QString& caption, const QString& shown) {
            if (!shown.isEmpty()) appendWrapped(out, Indent + caption + QStringLiteral(": "), shown, font, widthMm);
        };
        item(QStringLiteral("Offered solution"), text(solution));
        item(QStringLiteral("Status"), text(status));
        item(QStringLiteral("Role"), text(role));
        const QVariant amount = followUps.valueAt(r, value);
        item(QStringLiteral("Expected order value"),
             amount.isNull() ? QString() : locale.toString(amount.toLongLong()));
        item(QStringLiteral("Expected order date"), dateText(followUps.valueAt(r, orderDate)));
        item(QStringLiteral("Description"), text(description));
    }
    return out;
}

std::unique_ptr<TextReport> createFollowUpReport(TMainDataModule& dm)
{
    auto report = std::make_unique<TextReport>(QStringLiteral("TQVFReport"), QStringLiteral("Follow-up Report"), false);
    report->setDrivingDataset(dm.PeopleProjectDetail);
    report::ReportLayout& layout = report->layout();
    const Dataset& contact = *dm.PeopleCompanyDet;
    const double width = layout.bandWidthMm();
    const QFont caption = report::reportFont(10, true, true);
    const QFont value = report::reportFont(10);
    const double lineTop = FrameTopMm + 1.5, lineHeight = FrameHeightMm - 3;

    layout.addFrame(QStringLiteral("QRShape1"), QRectF(0, FrameTopMm, width, FrameHeightMm));
    double x = 3;
    const double titleWidth = report::textWidthMm(QStringLiteral("Title"), caption) + 2;
    layout.addLabel(QStringLiteral("TitleCaption"), QRectF(x, lineTop, titleWidth, lineHeight), QStringLiteral("Title"),
                    caption);
    report->addDatasetField(QStringLiteral("Title"), QRectF(x + titleWidth, lineTop, 30, lineHeight), contact,
                            QStringLiteral("Title"), value);
    x = 52;
    const double nameWidth = report::textWidthMm(QStringLiteral("Name"), caption) + 2;
    layout.addLabel(QStringLiteral("NameCaption"), QRectF(x, lineTop, nameWidth, lineHeight), QStringLiteral("Name"),
                    caption);
    report->addDatasetField(QStringLiteral("Name"),
                            QRectF(x + nameWidth, lineTop, width - 3 - x - nameWidth, lineHeight), contact,
                            QStringLiteral("Name"), value);

    const QFont heading = report::reportFont(12, true, true);
    layout.addLabel(QStringLiteral("HeadingLabel"), QRectF(0, HeadingTopMm, width, report::lineHeightMm(heading)),
                    QStringLiteral("Follow-up Activities"), heading);
    report->setBodyTop(BodyTopMm);
    return report;
}

void followUpReportClick(TMainDataModule& dm)
{
    for (Dataset* pending : {dm.FollowUp, dm.PeopleCompanyDet}) {
        try {
            pending->checkBrowseMode();
        } catch (const std::exception&) {
            // The report prints the rows as they stand; a refused save does not stop it.
        }
    }
    produceReport([&dm] { return createFollowUpReport(dm); },
                  [&dm](TextReport& report) {
                      const report::ReportMemo& memo = report.bodyMemo();
                      report.bodyMemo().setLines(followUpHistory(*dm.FollowUp, memo.font(), memo.rect().width()));
                  });
}

} // namespace qv
