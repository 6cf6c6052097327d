#pragma once
// A report composed into pages: a snapshot of every text, line and chart that the layout printed, each on its page,
// plus the page ranges of its memo. Pages are painted on demand; nothing per memo line is kept besides the line
// itself.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QPainter;

namespace qv::report {

// Millimetres are the layout's unit; text is drawn in decipoints (1/720 inch) so that fonts keep their size
// whatever the device.
constexpr double DecipointsPerMm = 720.0 / 25.4;

struct PieSlice {
    double value = 0;
    QColor color;
    QString label;
};

struct PieChartSnapshot {
    QRectF rectMm;
    QString title;
    QFont font;
    std::vector<PieSlice> slices;
    int page = 0;
};

// A fixed item of the band: a label or field text, a rule, or a frame. A text that wraps is kept as the lines it is
// drawn in, one line height each from the top of its box; a text that does not wrap is one line, cut at its box's
// edge.
struct BandItem {
    enum Kind { Text = 0, Rule = 1, Frame = 2 };
    Kind kind = Text;
    QRectF rectMm;
    QString text;
    QFont font;
    int alignment = 0;
    int page = 0;
    QString name;      // the layout element it comes from
    bool wrap = false; // text is drawn as `lines`
    QStringList lines;
};

// A text the painter cuts because it does not fit its box.
struct ClippedText {
    int page = 0;
    QString name;
    QRectF rectMm;
    QString text;
};

// Lines made on demand, one at a time: a memo of a hundred thousand lines composes and paints a page without
// making every line first.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual int lineCount() const = 0;
    virtual QString line(int index) const = 0;
};

// A memo's lines: a list, or a source asked for the lines a page shows.
class MemoLines {
public:
    MemoLines() = default;
    MemoLines(const QStringList& lines) : m_lines(lines) {} // shared, not copied line by line
    MemoLines(std::shared_ptr<const LineSource> source) : m_source(std::move(source)) {}
    int size() const { return m_source ? m_source->lineCount() : int(m_lines.size()); }
    bool isEmpty() const { return size() == 0; }
    QString operator[](int index) const { return m_source ? m_source->line(index) : m_lines[index]; }
    QStringList toList() const;
    bool operator==(const QStringList& other) const { return toList() == other; }

    // Walks the lines in order, each made when reached.
    class const_iterator {
    public:
        const_iterator(const MemoLines* lines, int index) : m_lines(lines), m_index(index) {}
        QString operator*() const { return (*m_lines)[m_index]; }
        const_iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return m_index != other.m_index; }

    private:
        const MemoLines* m_lines;
        int m_index;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    QStringList m_lines;
    std::shared_ptr<const LineSource> m_source;
};

struct MemoSnapshot {
    MemoLines lines;
    QFont font;
    double leftMm = 0;
    double widthMm = 0;
    double topMm = 0; // on the page where it starts
    int firstPage = 0;
    double lineHeightMm = 0;
    bool wrap = false;
    int alignment = 0;
    QString name;
};

// Which memo lines a page shows: from (firstLine, firstPiece) up to, not including, (endLine, endPiece). Pieces
// count the wrapped parts of a line and stay 0 when the memo does not wrap.
struct PageRange {
    int firstLine = 0, firstPiece = 0;
    int endLine = 0, endPiece = 0;
    double memoTopMm = 0;
};

class ComposedReport {
public:
    struct Data {
        QString title;
        QSizeF pageSizeMm{210, 297};
        std::vector<BandItem> band; // in reading order, each on its page
        std::vector<PieChartSnapshot> charts;
        MemoSnapshot memo;
        bool hasMemo = false;
        std::vector<PageRange> pages;
    };

    ComposedReport();
    explicit ComposedReport(std::shared_ptr<const Data> data);

    QString title() const { return m_data->title; }
    QSizeF pageSizeMm() const { return m_data->pageSizeMm; }
    int pageCount() const { return int(m_data->pages.size()); }
    const Data& data() const { return *m_data; }

    // Every text drawn on a page, in drawing order: band texts, chart title, legend and marks, memo lines.
    QStringList pageText(int page) const;
    // Paints one page with its top left corner at the painter's origin; scale is device pixels per millimetre.
    void renderPage(QPainter& painter, int page, double scale) const;
    // Every text the painter cuts at its box, on any page: a text item wider or taller than its box, or a memo line
    // wider than a memo that does not wrap. Measured as the text is painted.
    std::vector<ClippedText> clippedTexts() const;

    // These throw std::runtime_error with the user's text when the file cannot be written or read.
    void savePdf(const QString& path) const;
    void save(const QString& path) const;
    static ComposedReport load(const QString& path);

    // The wrapped pieces of one memo line, as painted (the line itself when the memo does not wrap).
    // lead begins the first piece and continuation every other one; neither is ever broken.
    static QStringList wrapLine(const QString& line, const QFont& font, double widthMm, const QString& lead = {},
                                const QString& continuation = {});
    // The lines a text wraps into: each paragraph (split at line breaks) wrapped to the width.
    static QStringList wrapText(const QString& text, const QFont& font, double widthMm);

private:
    std::shared_ptr<const Data> m_data;
};

// The percentage text of a pie legend for a share given in per cent: up to two decimals, no trailing zeros
// ("##0.##%").
QString percentText(double percent);
// Where a pie chart draws its slice marks, in millimetres on its page, one box per slice above 0 in slice order.
// Marks are kept apart and off the pie, each joined to its slice by a leader line.
std::vector<QRectF> pieMarkRects(const PieChartSnapshot& chart);
// The square the pie's circle is drawn in, in millimetres on its page.
QRectF pieRect(const PieChartSnapshot& chart);
// The font as drawn: its point size turned into a pixel size in decipoints, unhinted, so that text measures the
// same on the screen, in a PDF and on paper.
QFont drawingFont(const QFont& font);

} // namespace qv::report
