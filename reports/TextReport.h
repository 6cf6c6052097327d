#pragma once
// The text report: the one layout family every report shares (A4 portrait, 5 mm margins, a title band with the
// title, the date-and-time stamp and the body memo), and produceReport, the one way a command produces a report.

#include "platform/ReportLayout.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qv {

class Dataset;

class TextReport : public QObject {
    Q_OBJECT
public:
    // The body memo under the band's fields: lines as they are, lines wrapped at the memo's width, or none at all.
    enum class Body { Lines, WrappedLines, None };

    // name: the layout's design name ("TQVPersonsForm", "TFReport"...); wrapBody: the body memo wraps lines wider
    // than itself (only the analysis report asks for that).
    TextReport(const QString& name, const QString& title, bool wrapBody, QObject* parent = nullptr)
        : TextReport(name, title, wrapBody ? Body::WrappedLines : Body::Lines, parent)
    {}
    TextReport(const QString& name, const QString& title, Body body, QObject* parent = nullptr);
    ~TextReport() override;

    report::ReportLayout& layout() { return m_layout; }
    bool hasBodyMemo() const { return m_body != nullptr; }
    report::ReportMemo& bodyMemo() { return *m_body; }
    report::ReportLabel& titleLabel() { return *m_title; }
    report::ReportLabel& stampLabel() { return *m_stamp; }

    // Clears the stamp label, then sets it to the short date, ", " and the long time of the moment.
    void setStamp(const QDateTime& moment);

    // The band's free area starts below the title and the stamp; a layout that prints fields there moves the
    // body memo below them.
    static constexpr double ContentTopMm = 16;
    void setBodyTop(double topMm);
    // A data field showing the display text of a field of the dataset's current record when the band prints.
    report::ReportDataField* addDatasetField(const QString& name, const QRectF& rectMm, const Dataset& dataset,
                                             const QString& field, const QFont& font);

    // A record printed line by line below the title and the stamp. A line is a rule (optional), then a heading or a
    // row of items; an item is a caption and a field of the record, or a field alone. A field that takes its
    // values from a pick list gets the room of its longest entry; free text shares the rest of the line by weight
    // and wraps, so that no value is ever cut. The body memo, if any, follows the last line.
    using ExpectedTexts = const QStringList& (*)();
    struct RecordItem {
        const char* caption; // none when null
        const char* field;
        ExpectedTexts expected = nullptr;
        double weight = 1;
    };
    struct RecordLine {
        bool rule;
        const char* heading; // a heading instead of items when not null
        std::vector<RecordItem> items;
    };
    void addRecordLines(const std::vector<RecordLine>& lines, const Dataset& record);
    // The widest text a date field prints: the short date and the long time.
    static const QStringList& dateTexts();

    // The dataset the report walks from first to end while composing (the buying-centre roles).
    void setDrivingDataset(Dataset* dataset) { m_driving = dataset; }
    Dataset* drivingDataset() const { return m_driving; }

    report::ComposedReport compose();
    // Composes and previews; returns when the preview is closed. Ignored while this instance's preview is open.
    void preview();
    bool isPreviewOpen() const { return m_previewOpen; }

private:
    report::ReportLayout m_layout;
    report::ReportLabel* m_title;
    report::ReportLabel* m_stamp;
    report::ReportMemo* m_body = nullptr;
    Dataset* m_driving = nullptr;
    bool m_previewOpen = false;
};

// Creates a fresh report, clears its body, lets the caller fill it (body lines, chart slices), stamps it with the
// clock's moment and previews it; the instance is destroyed afterwards, also when a step threw.
void produceReport(const std::function<std::unique_ptr<TextReport>()>& create,
                   const std::function<void(TextReport&)>& fill);

} // namespace qv
