#pragma once
// A banded report layout: a page definition in millimetres and one title band, printed once at the start of the
// report, holding labels, data fields, rules, one growing memo and pie charts. compose() turns it into pages.
// A label or field may wrap its text: it then grows downward as far as its lines need, what lies below it moves
// down with it, and the band runs on over as many pages as it takes. Nothing that wraps is ever cut.

#include "platform/ComposedReport.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qv::report {

// The report font: Arial, or a sans font of the same metrics where Arial is not installed.
QFont reportFont(double pointSize, bool bold = false, bool italic = false);
// The width a single-line text takes in the given font.
double textWidthMm(const QString& text, const QFont& font);
// The height of one line of text in the given font.
double lineHeightMm(const QFont& font);

class ReportElement {
public:
    ReportElement(const QString& name, const QRectF& rectMm, const QFont& font, Qt::Alignment alignment)
        : m_name(name), m_rect(rectMm), m_font(font), m_alignment(alignment)
    {}
    virtual ~ReportElement() = default;
    QString name() const { return m_name; }
    QRectF rect() const { return m_rect; }
    void setRect(const QRectF& rectMm) { m_rect = rectMm; }
    QFont font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment a) { m_alignment = a; }
    // A text that is wider than the element: cut at its edge (off), or broken into lines within its width (on).
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on) { m_wordWrap = on; }

private:
    QString m_name;
    QRectF m_rect;
    QFont m_font;
    Qt::Alignment m_alignment;
    bool m_wordWrap = false;
};

class ReportLabel : public ReportElement {
public:
    using ReportElement::ReportElement;
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }
    void clear() { m_caption.clear(); }

private:
    QString m_caption;
};

// Prints what its source gives when the band prints: the display text of a field at the current record.
class ReportDataField : public ReportElement {
public:
    ReportDataField(const QString& name, const QRectF& rectMm, const QFont& font, Qt::Alignment alignment,
                    std::function<QString()> source)
        : ReportElement(name, rectMm, font, alignment), m_source(std::move(source))
    {}
    QString text() const { return m_source ? m_source() : QString(); }

private:
    std::function<QString()> m_source;
};

// A horizontal line across the element's width, at the element's top.
class ReportRule : public ReportElement {
public:
    using ReportElement::ReportElement;
};

// A rectangle's outline, framing the elements inside it.
class ReportFrame : public ReportElement {
public:
    using ReportElement::ReportElement;
};

// Lines of text set at run time; grows downward from its top over as many pages as its lines need.
class ReportMemo : public ReportElement {
public:
    ReportMemo(const QString& name, const QRectF& rectMm, const QFont& font, Qt::Alignment alignment, bool wordWrap)
        : ReportElement(name, rectMm, font, alignment)
    {
        setWordWrap(wordWrap);
    }
    QStringList& lines() { return m_lines; }
    const QStringList& lines() const { return m_lines; }
    void setLines(const QStringList& lines)
    {
        m_lines = lines;
        m_source.reset();
    }
    // Lines made on demand instead of a list; the memo prints the source's lines.
    void setLineSource(std::shared_ptr<const LineSource> source)
    {
        m_lines.clear();
        m_source = std::move(source);
    }
    const std::shared_ptr<const LineSource>& lineSource() const { return m_source; }
    void clear()
    {
        m_lines.clear();
        m_source.reset();
    }

private:
    QStringList m_lines;
    std::shared_ptr<const LineSource> m_source;
};

// A pie drawn circular under its title and its legend (share of the whole, then the slice's label).
class ReportPieChart : public ReportElement {
public:
    using ReportElement::ReportElement;
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    void addSlice(double value, const QColor& color, const QString& label)
    {
        m_slices.push_back({value, color, label});
    }
    void clearSlices() { m_slices.clear(); }
    const std::vector<PieSlice>& slices() const { return m_slices; }

private:
    QString m_title;
    std::vector<PieSlice> m_slices;
};

// One captioned field of a row laid out by ReportLayout::addFieldRow.
struct RowField {
    QString name;    // the field element's name; its caption is named name + "Caption"
    QString caption; // printed before the value; none when empty
    std::function<QString()> source;
    // The longest texts the field is expected to hold (a pick list's entries): the row gives the field the room the
    // widest of them needs. A field without them is free text: it shares the room left and wraps.
    QStringList expected;
    double weight = 1; // share of the room left, among the free-text fields of the row
};

class ReportLayout {
public:
    ReportLayout();
    ReportLayout(const ReportLayout&) = delete;
    ReportLayout& operator=(const ReportLayout&) = delete;

    // The print job's title.
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    QSizeF pageSizeMm() const { return m_pageSize; }
    double marginMm() const { return m_margin; }
    void setMarginMm(double margin) { m_margin = margin; }
    QFont defaultFont() const { return m_defaultFont; }
    // The band spans the page between the margins; element positions are relative to its top left corner.
    double bandWidthMm() const { return m_pageSize.width() - 2 * m_margin; }
    double pageBodyHeightMm() const { return m_pageSize.height() - 2 * m_margin; }

    ReportLabel* addLabel(const QString& name, const QRectF& rectMm, const QString& caption, const QFont& font,
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    ReportDataField* addDataField(const QString& name, const QRectF& rectMm, std::function<QString()> source,
                                  const QFont& font, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    ReportRule* addRule(const QString& name, double topMm, double leftMm = 0, double widthMm = -1);
    ReportFrame* addFrame(const QString& name, const QRectF& rectMm);
    // The one memo of the band; it should be the lowest element, since it grows downward.
    ReportMemo* addMemo(const QString& name, const QRectF& rectMm, const QFont& font, bool wordWrap,
                        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);
    ReportPieChart* addPieChart(const QString& name, const QRectF& rectMm);
    // A row of captioned fields across the band at topMm, each value wrapping within its column so that none is ever
    // cut. Fields with expected texts get the room the widest needs, as far as the band allows; free-text fields
    // share the rest by weight. Returns the row's height before any value wraps.
    double addFieldRow(double topMm, const std::vector<RowField>& fields, const QFont& captionFont,
                       const QFont& valueFont, double gapMm = 3);

    ReportElement* element(const QString& name) const;
    const std::vector<std::unique_ptr<ReportElement>>& elements() const { return m_elements; }
    ReportMemo* memo() const { return m_memo; }

    // Lays the band and the memo's lines out on pages. Arithmetic on line ranges when the memo does not wrap.
    ComposedReport compose() const;
    // The texts that composing now would cut at their boxes (see ComposedReport::clippedTexts).
    std::vector<ClippedText> clippedTexts() const { return compose().clippedTexts(); }

private:
    template <class T> T* add(std::unique_ptr<T> element);

    QString m_title = QStringLiteral("Report");
    QSizeF m_pageSize{210, 297};
    double m_margin = 5;
    QFont m_defaultFont;
    std::vector<std::unique_ptr<ReportElement>> m_elements;
    ReportMemo* m_memo = nullptr;
};

} // namespace qv::report
