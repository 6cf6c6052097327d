#include "platform/ReportLayout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace qv::report {

namespace {

// Where Arial is missing, ask for Liberation Sans, which has Arial's metrics, so pages break the same way.
void ensureArial()
{
    static bool done = false;
    if (done) return;
    done = true;
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("Arial"), Qt::CaseInsensitive)) return;
    for (const char* fallback : {"Liberation Sans", "Arimo", "DejaVu Sans"}) {
        if (families.contains(QLatin1String(fallback), Qt::CaseInsensitive)) {
            QFont::insertSubstitution(QStringLiteral("Arial"), QLatin1String(fallback));
            return;
        }
    }
}

} // namespace

QFont reportFont(double pointSize, bool bold, bool italic)
{
    ensureArial();
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

double textWidthMm(const QString& text, const QFont& font)
{
    return QFontMetricsF(drawingFont(font)).horizontalAdvance(text) / DecipointsPerMm;
}

double lineHeightMm(const QFont& font) { return QFontMetricsF(drawingFont(font)).lineSpacing() / DecipointsPerMm; }

ReportLayout::ReportLayout() : m_defaultFont(reportFont(10)) {}

template <class T> T* ReportLayout::add(std::unique_ptr<T> element)
{
    T* raw = element.get();
    m_elements.push_back(std::move(element));
    return raw;
}

ReportLabel* ReportLayout::addLabel(const QString& name, const QRectF& rectMm, const QString& caption,
                                    const QFont& font, Qt::Alignment alignment)
{
    auto label = std::make_unique<ReportLabel>(name, rectMm, font, alignment);
    label->setCaption(caption);
    return add(std::move(label));
}

ReportDataField* ReportLayout::addDataField(const QString& name, const QRectF& rectMm, std::function<QString()> source,
                                            const QFont& font, Qt::Alignment alignment)
{
    return add(std::make_unique<ReportDataField>(name, rectMm, font, alignment, std::move(source)));
}

ReportRule* ReportLayout::addRule(const QString& name, double topMm, double leftMm, double widthMm)
{
    if (widthMm < 0) widthMm = bandWidthMm() - leftMm;
    return add(std::make_unique<ReportRule>(name, QRectF(leftMm, topMm, widthMm, 0), m_defaultFont, Qt::AlignLeft));
}

ReportFrame* ReportLayout::addFrame(const QString& name, const QRectF& rectMm)
{
    return add(std::make_unique<ReportFrame>(name, rectMm, m_defaultFont, Qt::AlignLeft));
}

ReportMemo* ReportLayout::addMemo(const QString& name, const QRectF& rectMm, const QFont& font, bool wordWrap,
                                  Qt::Alignment alignment)
{
    auto memo = std::make_unique<ReportMemo>(name, rectMm, font, alignment, wordWrap);
    m_memo = memo.get();
    return add(std::move(memo));
}

ReportPieChart* ReportLayout::addPieChart(const QString& name, const QRectF& rectMm)
{
    return add(std::make_unique<ReportPieChart>(name, rectMm, reportFont(8), Qt::AlignCenter));
}

ReportElement* ReportLayout::element(const QString& name) const
{
    for (const auto& e : m_elements)
        if (e->name() == name) return e.get();
    return nullptr;
}

double ReportLayout::addFieldRow(double topMm, const std::vector<RowField>& fields, const QFont& captionFont,
                                 const QFont& valueFont, double gapMm)
{
    const double height = std::max(lineHeightMm(captionFont), lineHeightMm(valueFont));
    const size_t n = fields.size();
    if (n == 0) return height;
    // What each field needs: its caption, then the widest expected value or, for free text, a fair minimum.
    constexpr double FreeTextMinimumMm = 25;
    constexpr double CaptionPadMm = 1.5;
    constexpr double MinimumGapMm = 1.5;
    std::vector<double> caption(n), value(n);
    double captions = 0, values = 0, freeWeight = 0, allWeight = 0;
    for (size_t i = 0; i < n; ++i) {
        const RowField& f = fields[i];
        caption[i] = f.caption.isEmpty() ? 0 : textWidthMm(f.caption, captionFont) + CaptionPadMm;
        value[i] = FreeTextMinimumMm;
        if (!f.expected.isEmpty()) {
            value[i] = 0;
            for (const QString& t : f.expected) value[i] = std::max(value[i], textWidthMm(t, valueFont) + 0.5);
        } else {
            freeWeight += f.weight;
        }
        allWeight += f.weight;
        captions += caption[i];
        values += value[i];
    }
    // A tight row first closes up its gaps; room to spare goes to the free-text fields (or to all when there are
    // none); too little room shrinks the values in proportion, and a value that no longer fits wraps. Captions keep
    // their width unless they would take more than half the row.
    const double needed = captions + values;
    const double gaps = double(n - 1);
    if (n > 1 && needed + gapMm * gaps > bandWidthMm()) gapMm = std::max(MinimumGapMm, (bandWidthMm() - needed) / gaps);
    const double room = bandWidthMm() - gapMm * gaps;
    if (needed > room) {
        const double captionScale = captions <= room / 2 ? 1 : room / needed;
        const double valueScale = (room - captions * captionScale) / values;
        for (size_t i = 0; i < n; ++i) {
            caption[i] *= captionScale;
            value[i] *= valueScale;
        }
    } else {
        for (size_t i = 0; i < n; ++i) {
            const bool free = fields[i].expected.isEmpty();
            const double share =
                freeWeight > 0 ? (free ? fields[i].weight / freeWeight : 0) : fields[i].weight / allWeight;
            value[i] += (room - needed) * share;
        }
    }
    double x = 0;
    for (size_t i = 0; i < n; ++i) {
        const RowField& f = fields[i];
        if (!f.caption.isEmpty()) {
            ReportLabel* label = addLabel(f.name + QStringLiteral("Caption"), QRectF(x, topMm, caption[i], height),
                                          f.caption, captionFont);
            label->setWordWrap(true);
        }
        ReportDataField* field =
            addDataField(f.name, QRectF(x + caption[i], topMm, std::max(1.0, value[i]), height), f.source, valueFont);
        field->setWordWrap(true);
        x += caption[i] + value[i] + gapMm;
    }
    return height;
}

namespace {

// Where the band's flow of elements puts things: the band runs down the first page's body and on over the next
// pages; flow position y lies on page floor(y / body height).
struct Flow {
    double margin;
    double body; // height of a page's body

    int page(double y) const { return int(std::floor(y / body + 1e-9)); }
    double pageEnd(double y) const { return (page(y) + 1) * body; }
    double onPage(double y) const { return margin + y - page(y) * body; }
    // The flow position where a box of the given height starts: where it is, or at the top of the next page
    // when it would run past the bottom of this one (a box taller than a page stays where it is).
    double fit(double y, double height) const
    {
        if (height <= body && y + height > pageEnd(y) + 1e-6) return pageEnd(y);
        return y;
    }
};

// An element already placed, as it pushes down what lies below it.
struct Placed {
    double designBottom;
    double shift; // how much further down than designed its bottom ended
};

double shiftAt(const std::vector<Placed>& placed, double designTop)
{
    double shift = 0;
    for (const Placed& p : placed)
        if (p.designBottom <= designTop + 1e-6) shift = std::max(shift, p.shift);
    return shift;
}

} // namespace

ComposedReport ReportLayout::compose() const
{
    auto data = std::make_shared<ComposedReport::Data>();
    data->title = m_title;
    data->pageSizeMm = m_pageSize;
    const Flow flow{m_margin, pageBodyHeightMm()};

    // Elements in reading order: top to bottom, then as they were added.
    std::vector<const ReportElement*> order;
    for (const auto& e : m_elements)
        if (e.get() != m_memo) order.push_back(e.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const ReportElement* a, const ReportElement* b) { return a->rect().top() < b->rect().top(); });

    std::vector<Placed> placed;
    int lastBandPage = 0;
    for (const ReportElement* e : order) {
        const QRectF design = e->rect();
        const double top = design.top() + shiftAt(placed, design.top());
        double bottom = top + design.height();
        auto at = [&](double y, double height) {
            const int page = flow.page(y);
            lastBandPage = std::max(lastBandPage, page);
            return std::pair{page, QRectF(design.left() + m_margin, flow.onPage(y), design.width(), height)};
        };
        QString text;
        bool isText = false;
        if (auto* label = dynamic_cast<const ReportLabel*>(e)) {
            text = label->caption();
            isText = true;
        } else if (auto* field = dynamic_cast<const ReportDataField*>(e)) {
            text = field->text();
            isText = true;
        }
        if (isText && e->wordWrap()) {
            // Its lines run down from its top, on to the next page where this one ends; its box is at least as
            // tall as designed.
            const QStringList lines = ComposedReport::wrapText(text, e->font(), design.width());
            const double lh = lineHeightMm(e->font());
            // A box that fits on a page is not split: it starts on the next page if it must.
            double y = flow.fit(top, std::max(design.height(), lh * lines.size()));
            int i = 0;
            while (i < lines.size()) {
                y = flow.fit(y, lh);
                const double end = flow.pageEnd(y);
                int n = 0;
                while (i + n < lines.size() && (n == 0 || y + (n + 1) * lh <= end + 1e-6)) ++n;
                const bool whole = n == lines.size();
                const double height = whole ? std::max(design.height(), n * lh) : n * lh;
                auto [page, rect] = at(y, height);
                BandItem item{BandItem::Text, rect,      text, e->font(),      int(e->alignment()),
                              page,           e->name(), true, lines.mid(i, n)};
                if (!whole) item.alignment = (item.alignment & ~int(Qt::AlignVertical_Mask)) | Qt::AlignTop;
                data->band.push_back(item);
                y += height;
                i += n;
            }
            bottom = std::max(y, top + design.height());
        } else if (isText) {
            const double y = flow.fit(top, design.height());
            auto [page, rect] = at(y, design.height());
            data->band.push_back(
                {BandItem::Text, rect, text, e->font(), int(e->alignment()), page, e->name(), false, {}});
            bottom = y + design.height();
        } else if (dynamic_cast<const ReportRule*>(e)) {
            // A rule at the very end of a page goes to the top of the next, above what it separates.
            const double y = flow.fit(top, 0.5);
            auto [page, rect] = at(y, 0);
            data->band.push_back({BandItem::Rule, rect, QString(), e->font(), 0, page, e->name(), false, {}});
            bottom = y;
        } else if (dynamic_cast<const ReportFrame*>(e)) {
            const double y = flow.fit(top, design.height());
            auto [page, rect] = at(y, design.height());
            data->band.push_back({BandItem::Frame, rect, QString(), e->font(), 0, page, e->name(), false, {}});
            bottom = y + design.height();
        } else if (auto* chart = dynamic_cast<const ReportPieChart*>(e)) {
            const double y = flow.fit(top, design.height());
            auto [page, rect] = at(y, design.height());
            data->charts.push_back({rect, chart->title(), chart->font(), chart->slices(), page});
            bottom = y + design.height();
        }
        placed.push_back({design.bottom(), bottom - design.bottom()});
    }

    // The memo starts below whatever grew above it and runs on over the pages its lines need.
    const ReportMemo* memo = m_memo;
    double memoFlowTop = 0;
    if (memo) {
        MemoSnapshot& m = data->memo;
        const QRectF design = memo->rect();
        memoFlowTop = design.top() + shiftAt(placed, design.top());
        m.lines = memo->lineSource() ? MemoLines(memo->lineSource()) : MemoLines(memo->lines());
        m.font = memo->font();
        m.leftMm = design.left() + m_margin;
        m.widthMm = design.width();
        m.lineHeightMm = lineHeightMm(memo->font());
        m.wrap = memo->wordWrap();
        m.alignment = int(memo->alignment());
        m.name = memo->name();
        m.firstPage = flow.page(flow.fit(memoFlowTop, m.lineHeightMm));
        m.topMm = flow.onPage(flow.fit(memoFlowTop, m.lineHeightMm));
        data->hasMemo = true;
    }

    // Pages the band alone takes, before the memo's first page: no memo lines on them.
    const int memoFirst = memo ? data->memo.firstPage : lastBandPage + 1;
    for (int p = 0; p < memoFirst; ++p) data->pages.push_back({0, 0, 0, 0, m_margin});
    if (!memo) return ComposedReport(std::move(data));

    const MemoSnapshot& m = data->memo;
    const double bottom = m_pageSize.height() - m_margin;
    const double lh = m.lineHeightMm;
    const int firstCapacity = std::max(0, int(std::floor((bottom - m.topMm) / lh + 1e-9)));
    const int capacity = std::max(1, int(std::floor((bottom - m_margin) / lh + 1e-9)));
    const int n = int(m.lines.size());
    auto finish = [&] {
        // The band may run on below the memo's last line (a chart beside it, say): every page it uses is there.
        while (int(data->pages.size()) <= lastBandPage) data->pages.push_back({n, 0, n, 0, m_margin});
        return ComposedReport(std::move(data));
    };
    if (n == 0) {
        data->pages.push_back({0, 0, 0, 0, m.topMm});
        return finish();
    }

    if (!m.wrap) {
        // Pure arithmetic: each page takes the next run of whole lines.
        int line = std::min(n, firstCapacity);
        data->pages.push_back({0, 0, line, 0, m.topMm});
        while (line < n) {
            const int end = std::min(n, line + capacity);
            data->pages.push_back({line, 0, end, 0, m_margin});
            line = end;
        }
        return finish();
    }

    // Wrapping: a page may end inside a line, so pages record the piece where they start and end.
    PageRange page{0, 0, 0, 0, m.topMm};
    int room = firstCapacity;
    for (int line = 0; line < n; ++line) {
        const int pieces = int(ComposedReport::wrapLine(m.lines[line], m.font, m.widthMm).size());
        int piece = 0;
        while (piece < pieces) {
            if (room == 0) {
                page.endLine = line;
                page.endPiece = piece;
                data->pages.push_back(page);
                page = {line, piece, 0, 0, m_margin};
                room = capacity;
            }
            const int take = std::min(room, pieces - piece);
            piece += take;
            room -= take;
        }
    }
    page.endLine = n;
    page.endPiece = 0;
    data->pages.push_back(page);
    return finish();
}

} // namespace qv::report
