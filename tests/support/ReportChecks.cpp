#include "tests/support/ReportChecks.h"
#include "platform/ReportLayout.h"

#include <QImage>
#include <QPainter>

namespace qv::test {

QString longestEntry(const QStringList& entries)
{
    QString longest;
    const QFont font = report::reportFont(10);
    for (const QString& e : entries)
        if (report::textWidthMm(e, font) > report::textWidthMm(longest, font)) longest = e;
    return longest;
}

QString clippedTexts(const report::ComposedReport& report)
{
    QStringList lines;
    for (const report::ClippedText& c : report.clippedTexts())
        lines << QStringLiteral("%1 on page %2 is cut: %3").arg(c.name).arg(c.page + 1).arg(c.text);
    return lines.join('\n');
}

QString paintedText(const report::ComposedReport& report, const QString& item)
{
    QString painted;
    for (const report::BandItem& i : report.data().band)
        if (i.name == item) painted += i.lines.join(QString());
    return painted;
}

void saveForLooking(const report::ComposedReport& report, const QString& name)
{
    const QString folder = qEnvironmentVariable("QV_SCREENSHOTS");
    if (folder.isEmpty()) return;
    report.savePdf(folder + "/" + name + ".pdf");
    const double scale = 150 / 25.4; // 150 dots per inch
    for (int page = 0; page < report.pageCount(); ++page) {
        QImage image((report.pageSizeMm() * scale).toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        report.renderPage(painter, page, scale);
        painter.end();
        image.save(folder + QStringLiteral("/%1-%2.png").arg(name).arg(page + 1));
    }
}

} // namespace qv::test
