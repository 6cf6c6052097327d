#include "reports/TextReport.h"
#include "data/Dataset.h"
#include "data/DateFormats.h"
#include "platform/Clock.h"
#include "platform/ReportPreviewer.h"

namespace qv {

TextReport::TextReport(const QString& name, const QString& title, bool wrapBody, QObject* parent) : QObject(parent)
{
    setObjectName(name);
    const double width = m_layout.bandWidthMm();
    m_title = m_layout.addLabel(QStringLiteral("TitleLabel"), QRectF(0, 0, width, 9), title,
                                report::reportFont(18, true, true), Qt::AlignHCenter | Qt::AlignVCenter);
    m_stamp = m_layout.addLabel(QStringLiteral("StampLabel"), QRectF(width - 90, 9, 90, 5.5), QStringLiteral("Date"),
                                report::reportFont(10), Qt::AlignRight | Qt::AlignVCenter);
    m_body = m_layout.addMemo(QStringLiteral("TacticksQRMemo"), QRectF(0, ContentTopMm, width, 5),
                              report::reportFont(10), wrapBody);
}

TextReport::~TextReport() = default;

void TextReport::setStamp(const QDateTime& moment)
{
    m_stamp->clear();
    m_stamp->setCaption(dates::stamp(moment));
}

void TextReport::setBodyTop(double topMm)
{
    QRectF r = m_body->rect();
    r.moveTop(topMm);
    m_body->setRect(r);
}

report::ReportDataField* TextReport::addDatasetField(const QString& name, const QRectF& rectMm, const Dataset& dataset,
                                                     const QString& field, const QFont& font)
{
    const Dataset* ds = &dataset;
    return m_layout.addDataField(name, rectMm, [ds, field] { return ds->displayText(field); }, font);
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
    report->bodyMemo().clear();
    if (fill) fill(*report);
    report->setStamp(clock::now());
    report->preview();
}

} // namespace qv
