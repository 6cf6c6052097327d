#pragma once
// A report composed into pages: a snapshot of every text, line and chart that the layout printed, plus the page
// ranges of its memo. Pages are painted on demand; nothing per memo line is kept besides the line itself.

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
};

// A fixed item of the band: a label or field text, or a rule.
struct BandItem {
    enum Kind { Text = 0, Rule = 1 };
    Kind kind = Text;
    QRectF rectMm;
    QString text;
    QFont font;
    int alignment = 0;
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

private:
    QStringList m_lines;
    std::shared_ptr<const LineSource> m_source;
};

struct MemoSnapshot {
    MemoLines lines;
    QFont font;
    double leftMm = 0;
    double widthMm = 0;
    double topMm = 0; // on the first page
    double lineHeightMm = 0;
    bool wrap = false;
    int alignment = 0;
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
        std::vector<BandItem> band;           // on the first page
        std::vector<PieChartSnapshot> charts; // on the first page
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

    // These throw std::runtime_error with the user's text when the file cannot be written or read.
    void savePdf(const QString& path) const;
    void save(const QString& path) const;
    static ComposedReport load(const QString& path);

    // The wrapped pieces of one memo line, as painted (the line itself when the memo does not wrap).
    static QStringList wrapLine(const QString& line, const QFont& font, double widthMm);

private:
    std::shared_ptr<const Data> m_data;
};

// The percentage text of a pie legend for a share given in per cent: up to two decimals, no trailing zeros
// ("##0.##%").
QString percentText(double percent);
// The font as drawn: its point size turned into a pixel size in decipoints, unhinted, so that text measures the
// same on the screen, in a PDF and on paper.
QFont drawingFont(const QFont& font);

} // namespace qv::report
