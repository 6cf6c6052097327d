#include "reports/TextReport.h"
#include "data/Dataset.h"
#include "data/DateFormats.h"
#include "platform/Clock.h"
#include "platform/ReportPreviewer.h"

namespace qv {

TextReport::TextReport(const QString& name, const QString& title, Body body, QObject* parent) : QObject(parent)
{
    setObjectName(name);
    const double width = m_layout.bandWidthMm();
    m_title = m_layout.addLabel(QStringLiteral("TitleLabel"), QRectF(0, 0, width, 9), title,
                                report::reportFont(18, true, true), Qt::AlignHCenter | Qt::AlignVCenter);
    m_stamp = m_layout.addLabel(QStringLiteral("StampLabel"), QRectF(width - 90, 9, 90, 5.5), QStringLiteral("Date"),
                                report::reportFont(10), Qt::AlignRight | Qt::AlignVCenter);
    if (body != Body::None)
        m_body = m_layout.addMemo(QStringLiteral("TacticksQRMemo"), QRectF(0, ContentTopMm, width, 5),
                                  report::reportFont(10), body == Body::WrappedLines);
}

TextReport::~TextReport() = default;

void TextReport::setStamp(const QDateTime& moment)
{
    m_stamp->clear();
    m_stamp->setCaption(dates::stamp(moment));
}

void TextReport::setBodyTop(double topMm)
{
    if (!m_body) return;
    QRectF r = m_body->rect();
    r.moveTop(topMm);
    m_body->setRect(r);
}

report::ReportDataField* TextReport::addDatasetField(const QString& name, const QRectF& rectMm, const Dataset& dataset,
                                                     const QString& field, const QFont& font)
{
    const Dataset* ds = &dataset;
    return m_layout.addDataField(
        name, rectMm, [ds, field] { return ds->displayText(field); }, font);
}

const QStringList& TextReport::dateTexts()
{
    static const QStringList texts = {dates::dateAndTime(QDateTime(QDate(2000, 12, 28), QTime(22, 58, 58)))};
    return texts;
}

void TextReport::addRecordLines(const std::vector<RecordLine>& lines, const Dataset& record)
{
    constexpr double RowGapMm = 1;
    constexpr double RuleGapMm = 2.5;
    const QFont caption = report::reportFont(10, true, true);
    const QFont value = report::reportFont(10);
    const QFont heading = report::reportFont(11, true, true);
    const double headingHeight = report::lineHeightMm(heading);
    const Dataset* ds = &record;

    double y = ContentTopMm + 2;
    int n = 0;
    for (const RecordLine& line : lines) {
        ++n;
        if (line.rule) {
            m_layout.addRule(QStringLiteral("QRShape%1").arg(n), y);
            y += RuleGapMm;
        }
        if (line.heading) {
            m_layout.addLabel(QStringLiteral("Heading%1").arg(n), QRectF(0, y, m_layout.bandWidthMm(), headingHeight),
                              QString::fromLatin1(line.heading), heading);
            y += headingHeight + RowGapMm + 0.6;
            continue;
        }
        std::vector<report::RowField> row;
        for (const RecordItem& item : line.items) {
            const QString field = QString::fromLatin1(item.field);
            row.push_back({field, item.caption ? QString::fromLatin1(item.caption) : QString(),
                           [ds, field] { return ds->displayText(field); },
                           item.expected ? item.expected() : QStringList(), item.weight});
        }
        y += m_layout.addFieldRow(y, row, caption, value) + RowGapMm;
    }
    setBodyTop(y);
}

report::ComposedReport TextReport::compose()
{
    report::ComposedReport composed = m_layout.compose();
    // The band prints once; the driving dataset is still walked to its end, as the engine does with every report.
    if (m_driving && m_driving->isOpen()) {
        m_driving->first();
        while (!m_driving->atEnd()) m_driving->next();
    }
    return composed;
}

void TextReport::preview()
{
    if (m_previewOpen) return;
    m_previewOpen = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_previewOpen};
    const report::ComposedReport composed = compose();
    reportPreviewer().preview(composed);
}

void produceReport(const std::function<std::unique_ptr<TextReport>()>& create,
                   const std::function<void(TextReport&)>& fill)
{
    std::unique_ptr<TextReport> report = create();
    if (report->hasBodyMemo()) report->bodyMemo().clear();
    if (fill) fill(*report);
    report->setStamp(clock::now());
    report->preview();
}

} // namespace qv
