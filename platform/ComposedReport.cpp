#include "platform/ComposedReport.h"

#include <QDataStream>
#include <QFile>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>
#include <stdexcept>

namespace qv::report {

namespace {

constexpr quint32 FileMagic = 0x51565250; // "QVRP"
// Version 2 keeps each band item's page, name and wrapped lines; version 1 files had every item on page one.
constexpr quint32 FileVersion = 2;

QRectF toDp(const QRectF& mm)
{
    return QRectF(mm.x() * DecipointsPerMm, mm.y() * DecipointsPerMm, mm.width() * DecipointsPerMm,
                  mm.height() * DecipointsPerMm);
}

[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toLocal8Bit().toStdString()); }

// Calls f(piece) for every memo piece a page shows, in order.
template <class F> void forEachPiece(const ComposedReport::Data& d, const PageRange& r, F f)
{
    const MemoSnapshot& m = d.memo;
    const int n = int(m.lines.size());
    for (int line = r.firstLine; line <= r.endLine && line < n; ++line) {
        const int from = line == r.firstLine ? r.firstPiece : 0;
        if (!m.wrap) {
            if (line < r.endLine && from == 0) f(m.lines[line]);
            continue;
        }
        const QStringList pieces = ComposedReport::wrapLine(m.lines[line], m.font, m.widthMm);
        const int to = line == r.endLine ? r.endPiece : int(pieces.size());
        for (int p = from; p < to; ++p) f(pieces[p]);
    }
}

// The slice marks are drawn a size smaller than the legend, so that the pie keeps its room beside a report's body.
QFont markFont(const QFont& chartFont)
{
    QFont f = chartFont;
    f.setPointSizeF(std::max(6.0, chartFont.pointSizeF() * 0.8));
    return f;
}

// The pie chart's parts, laid out in millimetres: title lines, legend lines, the pie's square and the marks.
struct PieGeometry {
    struct Mark {
        int slice = 0;
        QRectF box;
        QPointF edge, elbow, anchor; // the leader line runs from the slice's edge through the elbow to the box
    };
    QStringList titleLines;
    QRectF titleRect;
    std::vector<QRectF> legendRects; // text part of each legend entry
    QRectF pie;
    double lineHeight = 0;
    double total = 0;
    std::vector<Mark> marks;
};

// Marks on one side of the pie, in the order of their wished tops, pushed apart so that none overlaps the next
// and kept between the bounds; then moved sideways until they clear the pie.
void spreadMarks(std::vector<PieGeometry::Mark*>& side, bool right, const QRectF& pie, double low, double high)
{
    constexpr double Gap = 0.6;
    std::stable_sort(side.begin(), side.end(), [](auto* a, auto* b) { return a->box.top() < b->box.top(); });
    double next = low;
    for (auto* m : side) {
        m->box.moveTop(std::max(m->box.top(), next));
        next = m->box.bottom() + Gap;
    }
    double limit = high;
    for (auto it = side.rbegin(); it != side.rend(); ++it) {
        if ((*it)->box.bottom() > limit) (*it)->box.moveBottom(limit);
        limit = (*it)->box.top() - Gap;
    }
    const QPointF centre = pie.center();
    const double clearRadius = pie.width() / 2 + 1.5;
    for (auto* m : side) {
        const double above = centre.y() - m->box.bottom(), below = m->box.top() - centre.y();
        const double d = std::max({0.0, above, below});
        const double clear = d < clearRadius ? std::sqrt(clearRadius * clearRadius - d * d) : 0;
        if (right) {
            m->box.moveLeft(std::max(m->elbow.x(), centre.x() + clear));
            m->anchor = QPointF(m->box.left(), m->box.center().y());
        } else {
            m->box.moveRight(std::min(m->elbow.x(), centre.x() - clear));
            m->anchor = QPointF(m->box.right(), m->box.center().y());
        }
    }
}

PieGeometry pieGeometry(const PieChartSnapshot& c)
{
    PieGeometry g;
    const QFontMetricsF fm(drawingFont(c.font));
    g.lineHeight = fm.lineSpacing() / DecipointsPerMm;
    for (const PieSlice& s : c.slices)
        if (s.value > 0) g.total += s.value;
    double y = c.rectMm.top();
    QFont titleFont = c.font;
    titleFont.setBold(true);
    g.titleLines = ComposedReport::wrapText(c.title, titleFont, c.rectMm.width());
    g.titleRect = QRectF(c.rectMm.left(), y, c.rectMm.width(), g.lineHeight * g.titleLines.size());
    y += g.lineHeight * (g.titleLines.size() + 0.5);
    double widest = 0;
    for (const PieSlice& s : c.slices)
        widest = std::max(widest, fm.horizontalAdvance(percentText(0) + ' ' + s.label) / DecipointsPerMm);
    widest += fm.horizontalAdvance(QStringLiteral("100.00")) / DecipointsPerMm;
    const double box = g.lineHeight * 0.7;
    const double legendLeft = c.rectMm.center().x() - (box + 1.5 + widest) / 2;
    for (size_t i = 0; i < c.slices.size(); ++i) {
        g.legendRects.emplace_back(legendLeft + box + 1.5, y, widest, g.lineHeight);
        y += g.lineHeight;
    }
    y += g.lineHeight;

    // Room around the pie for the marks: a column on either side, a line above and below.
    const QFontMetricsF mfm(drawingFont(markFont(c.font)));
    const double markHeight = mfm.lineSpacing() / DecipointsPerMm;
    double markWidth = 0;
    for (const PieSlice& s : c.slices)
        markWidth = std::max(markWidth, mfm.horizontalAdvance(s.label) / DecipointsPerMm + 1.5);
    const double side = 3 + markWidth;
    const double vertical = markHeight + 3;
    const double diameter = std::max(0.0, std::min(c.rectMm.width() - 2 * side, c.rectMm.bottom() - y - 2 * vertical));
    g.pie = QRectF(c.rectMm.center().x() - diameter / 2, y + vertical, diameter, diameter);
    if (g.total <= 0) return g;

    // Each mark wishes to sit just outside the middle of its slice (clockwise from twelve o'clock).
    const QPointF centre = g.pie.center();
    const double r = diameter / 2;
    double start = 90;
    std::vector<PieGeometry::Mark*> left, right;
    g.marks.reserve(c.slices.size());
    for (size_t i = 0; i < c.slices.size(); ++i) {
        const PieSlice& s = c.slices[i];
        if (s.value <= 0) continue;
        const double span = -360.0 * s.value / g.total;
        const double mid = (start + span / 2) * M_PI / 180;
        start += span;
        PieGeometry::Mark m;
        m.slice = int(i);
        m.edge = QPointF(centre.x() + r * std::cos(mid), centre.y() - r * std::sin(mid));
        m.elbow = QPointF(centre.x() + (r + 2.5) * std::cos(mid), centre.y() - (r + 2.5) * std::sin(mid));
        const double w = mfm.horizontalAdvance(s.label) / DecipointsPerMm + 1.5;
        m.box = QRectF(m.elbow.x(), m.elbow.y() - markHeight / 2, w, markHeight);
        g.marks.push_back(m);
    }
    for (auto& m : g.marks) (m.elbow.x() >= centre.x() ? right : left).push_back(&m);
    const double low = g.pie.top() - vertical, high = g.pie.bottom() + vertical;
    spreadMarks(right, true, g.pie, low, high);
    spreadMarks(left, false, g.pie, low, high);
    return g;
}

QString legendText(const PieSlice& s, double total) { return percentText(s.value / total * 100) + ' ' + s.label; }

void chartTexts(const PieChartSnapshot& c, QStringList& out)
{
    const PieGeometry g = pieGeometry(c);
    out << g.titleLines;
    if (g.total <= 0) return;
    for (const PieSlice& s : c.slices) out << legendText(s, g.total);
    for (const PieGeometry::Mark& m : g.marks) out << c.slices[size_t(m.slice)].label;
}

void drawChart(QPainter& p, const PieChartSnapshot& c)
{
    const PieGeometry g = pieGeometry(c);
    QFont titleFont = c.font;
    titleFont.setBold(true);
    p.setFont(drawingFont(titleFont));
    p.setPen(Qt::black);
    for (int i = 0; i < g.titleLines.size(); ++i) {
        const QRectF line(g.titleRect.left(), g.titleRect.top() + i * g.lineHeight, g.titleRect.width(), g.lineHeight);
        p.drawText(toDp(line), Qt::AlignCenter | Qt::TextDontClip, g.titleLines[i]);
    }
    if (g.total <= 0) return;

    p.setFont(drawingFont(c.font));
    const double box = g.lineHeight * 0.7;
    for (size_t i = 0; i < c.slices.size(); ++i) {
        const QRectF text = g.legendRects[i];
        const QRectF mark(text.left() - 1.5 - box, text.center().y() - box / 2, box, box);
        p.setPen(QPen(Qt::black, 0.15 * DecipointsPerMm));
        p.setBrush(c.slices[i].color);
        p.drawRect(toDp(mark));
        p.drawText(toDp(text), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, legendText(c.slices[i], g.total));
    }

    // Slices clockwise from twelve o'clock.
    double start = 90;
    p.setPen(QPen(Qt::black, 0.15 * DecipointsPerMm));
    for (const PieSlice& s : c.slices) {
        if (s.value <= 0) continue;
        const double span = -360.0 * s.value / g.total;
        p.setBrush(s.color);
        if (std::abs(span) >= 359.999)
            p.drawEllipse(toDp(g.pie));
        else
            p.drawPie(toDp(g.pie), int(std::lround(start * 16)), int(std::lround(span * 16)));
        start += span;
    }
    // Each mark in its box, joined to its slice by a leader line.
    p.setFont(drawingFont(markFont(c.font)));
    for (const PieGeometry::Mark& m : g.marks) {
        p.setPen(QPen(Qt::black, 0.15 * DecipointsPerMm));
        p.setBrush(Qt::NoBrush);
        const QPointF leader[] = {m.edge * DecipointsPerMm, m.elbow * DecipointsPerMm, m.anchor * DecipointsPerMm};
        p.drawPolyline(leader, 3);
        p.setBrush(QColor(255, 255, 225));
        p.drawRect(toDp(m.box));
        p.drawText(toDp(m.box), Qt::AlignCenter | Qt::TextDontClip, c.slices[size_t(m.slice)].label);
    }
}

// How a text item is painted: its lines, each one line height from the top of its box, the block centred in the
// box's height where the alignment asks for it.
struct TextPlacement {
    QStringList lines;
    double lineHeight = 0;
    double top = 0;
};

TextPlacement placeText(const BandItem& item)
{
    TextPlacement t;
    t.lines = item.wrap ? item.lines : QStringList{item.text};
    t.lineHeight = QFontMetricsF(drawingFont(item.font)).lineSpacing() / DecipointsPerMm;
    const double block = t.lineHeight * t.lines.size();
    t.top = item.rectMm.top();
    if ((item.alignment & Qt::AlignVCenter) && block < item.rectMm.height())
        t.top += (item.rectMm.height() - block) / 2;
    else if ((item.alignment & Qt::AlignBottom) && block < item.rectMm.height())
        t.top += item.rectMm.height() - block;
    return t;
}

} // namespace

QFont drawingFont(const QFont& font)
{
    QFont f = font;
    f.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * 10))));
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QString percentText(double percent)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString s = locale.toString(percent, 'f', 2);
    const QString point = locale.decimalPoint();
    if (s.contains(point)) {
        while (s.endsWith('0')) s.chop(1);
        if (s.endsWith(point)) s.chop(point.size());
    }
    return s + '%';
}

QStringList MemoLines::toList() const
{
    if (!m_source) return m_lines;
    QStringList out;
    out.reserve(size());
    for (int i = 0; i < size(); ++i) out << m_source->line(i);
    return out;
}

ComposedReport::ComposedReport() : m_data(std::make_shared<Data>()) {}
ComposedReport::ComposedReport(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

QStringList ComposedReport::wrapLine(const QString& line, const QFont& font, double widthMm, const QString& lead,
                                     const QString& continuation)
{
    const QFontMetricsF fm(drawingFont(font));
    const double width = widthMm * DecipointsPerMm;
    if (line.isEmpty() || fm.horizontalAdvance(lead + line) <= width) return {lead + line};
    QStringList pieces;
    QString rest = line;
    QString start = lead; // never broken: the piece's room is what it leaves
    while (!rest.isEmpty()) {
        if (fm.horizontalAdvance(start + rest) <= width) {
            pieces << start + rest;
            break;
        }
        // The longest prefix that fits, broken after the last blank in it where there is one.
        int fit = 1;
        double used = fm.horizontalAdvance(start);
        for (int i = 0; i < rest.size(); ++i) {
            used += fm.horizontalAdvance(rest[i]);
            if (used > width) break;
            fit = i + 1;
        }
        const int blank = rest.lastIndexOf(' ', fit - 1);
        const int cut = blank > 0 ? blank + 1 : fit;
        QString piece = rest.left(cut);
        while (piece.endsWith(' ') && piece.size() > 1) piece.chop(1);
        pieces << start + piece;
        rest = rest.mid(cut);
        start = continuation;
    }
    return pieces;
}

QStringList ComposedReport::wrapText(const QString& text, const QFont& font, double widthMm)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString p = paragraph;
        if (p.endsWith(QLatin1Char('\r'))) p.chop(1);
        lines << wrapLine(p, font, widthMm);
    }
    return lines;
}

QStringList ComposedReport::pageText(int page) const
{
    QStringList out;
    if (page < 0 || page >= pageCount()) return out;
    for (const BandItem& item : m_data->band) {
        if (item.page != page || item.kind != BandItem::Text) continue;
        if (item.wrap)
            out << item.lines;
        else
            out << item.text;
    }
    for (const PieChartSnapshot& c : m_data->charts)
        if (c.page == page) chartTexts(c, out);
    if (m_data->hasMemo) forEachPiece(*m_data, m_data->pages[page], [&](const QString& piece) { out << piece; });
    return out;
}

void ComposedReport::renderPage(QPainter& painter, int page, double scale) const
{
    if (page < 0 || page >= pageCount()) return;
    const Data& d = *m_data;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale / DecipointsPerMm, scale / DecipointsPerMm);
    painter.fillRect(toDp(QRectF(QPointF(0, 0), d.pageSizeMm)), Qt::white);
    painter.setPen(Qt::black);

    for (const BandItem& item : d.band) {
        if (item.page != page) continue;
        if (item.kind == BandItem::Rule) {
            painter.setPen(QPen(Qt::black, 0.25 * DecipointsPerMm));
            const QRectF r = toDp(item.rectMm);
            painter.drawLine(QPointF(r.left(), r.top()), QPointF(r.right(), r.top()));
            continue;
        }
        if (item.kind == BandItem::Frame) {
            painter.setPen(QPen(Qt::black, 0.25 * DecipointsPerMm));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(toDp(item.rectMm));
            continue;
        }
        painter.setPen(Qt::black);
        painter.setFont(drawingFont(item.font));
        if (!item.wrap) {
            // A text that does not wrap is cut at its box's edge.
            painter.drawText(toDp(item.rectMm), item.alignment | Qt::TextSingleLine, item.text);
            continue;
        }
        const TextPlacement t = placeText(item);
        const int horizontal = item.alignment & int(Qt::AlignHorizontal_Mask);
        for (int i = 0; i < t.lines.size(); ++i) {
            const QRectF line(item.rectMm.left(), t.top + i * t.lineHeight, item.rectMm.width(), t.lineHeight);
            painter.drawText(toDp(line), horizontal | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                             t.lines[i]);
        }
    }
    for (const PieChartSnapshot& c : d.charts)
        if (c.page == page) drawChart(painter, c);

    if (d.hasMemo) {
        const MemoSnapshot& m = d.memo;
        const PageRange& r = d.pages[page];
        painter.setPen(Qt::black);
        painter.setFont(drawingFont(m.font));
        // Unwrapped lines wider than the memo are cut at its edge, as a memo does.
        painter.setClipRect(toDp(QRectF(m.leftMm, 0, m.widthMm, d.pageSizeMm.height())));
        double y = r.memoTopMm;
        forEachPiece(d, r, [&](const QString& piece) {
            painter.drawText(toDp(QRectF(m.leftMm, y, m.widthMm, m.lineHeightMm)),
                             m.alignment | Qt::TextSingleLine | Qt::TextDontClip, piece);
            y += m.lineHeightMm;
        });
        painter.setClipping(false);
    }
    painter.restore();
}

std::vector<ClippedText> ComposedReport::clippedTexts() const
{
    // A hundredth of a millimetre of slack for rounding; anything more would show as a cut glyph.
    constexpr double Slack = 0.01;
    std::vector<ClippedText> out;
    const Data& d = *m_data;
    for (const BandItem& item : d.band) {
        if (item.kind != BandItem::Text) continue;
        const QFontMetricsF fm(drawingFont(item.font));
        const double width = item.rectMm.width() + Slack;
        bool clipped = false;
        if (!item.wrap) {
            clipped = fm.horizontalAdvance(item.text) / DecipointsPerMm > width ||
                      fm.height() / DecipointsPerMm > item.rectMm.height() + Slack;
        } else {
            const TextPlacement t = placeText(item);
            for (const QString& line : t.lines) clipped |= fm.horizontalAdvance(line) / DecipointsPerMm > width;
            clipped |= t.top + t.lineHeight * t.lines.size() > item.rectMm.bottom() + Slack;
        }
        if (clipped) out.push_back({item.page, item.name, item.rectMm, item.wrap ? item.lines.join('\n') : item.text});
    }
    if (d.hasMemo) {
        const MemoSnapshot& m = d.memo;
        const QFontMetricsF fm(drawingFont(m.font));
        for (int page = 0; page < pageCount(); ++page) {
            double y = d.pages[size_t(page)].memoTopMm;
            forEachPiece(d, d.pages[size_t(page)], [&](const QString& piece) {
                if (fm.horizontalAdvance(piece) / DecipointsPerMm > m.widthMm + Slack)
                    out.push_back({page, m.name, QRectF(m.leftMm, y, m.widthMm, m.lineHeightMm), piece});
                y += m.lineHeightMm;
            });
        }
    }
    return out;
}

QRectF pieRect(const PieChartSnapshot& chart) { return pieGeometry(chart).pie; }

std::vector<QRectF> pieMarkRects(const PieChartSnapshot& chart)
{
    std::vector<QRectF> out;
    for (const PieGeometry::Mark& m : pieGeometry(chart).marks) out.push_back(m.box);
    return out;
}

void ComposedReport::savePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(pageSizeMm(), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(300);
    writer.setTitle(title());
    writer.setCreator(QStringLiteral("Quorvane PRO 2005"));
    QPainter painter;
    if (!painter.begin(&writer)) fail(QStringLiteral("Cannot create the file %1.").arg(path));
    for (int i = 0; i < pageCount(); ++i) {
        if (i > 0) writer.newPage();
        renderPage(painter, i, writer.resolution() / 25.4);
    }
    painter.end();
}

void ComposedReport::save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) fail(QStringLiteral("Cannot create the file %1.").arg(path));
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_4);
    const Data& d = *m_data;
    out << FileMagic << FileVersion << d.title << d.pageSizeMm;
    out << quint32(d.band.size());
    for (const BandItem& b : d.band)
        out << qint32(b.kind) << b.rectMm << b.text << b.font << qint32(b.alignment) << qint32(b.page) << b.name
            << b.wrap << b.lines;
    out << quint32(d.charts.size());
    for (const PieChartSnapshot& c : d.charts) {
        out << c.rectMm << c.title << c.font << qint32(c.page) << quint32(c.slices.size());
        for (const PieSlice& s : c.slices) out << s.value << s.color << s.label;
    }
    const MemoSnapshot& m = d.memo;
    out << d.hasMemo << m.lines.toList() << m.font << m.leftMm << m.widthMm << m.topMm << m.lineHeightMm << m.wrap
        << qint32(m.alignment) << qint32(m.firstPage) << m.name;
    out << quint32(d.pages.size());
    for (const PageRange& r : d.pages)
        out << qint32(r.firstLine) << qint32(r.firstPiece) << qint32(r.endLine) << qint32(r.endPiece) << r.memoTopMm;
    if (out.status() != QDataStream::Ok || !file.commit()) fail(QStringLiteral("Cannot write the file %1.").arg(path));
}

ComposedReport ComposedReport::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(QStringLiteral("Cannot open the file %1.").arg(path));
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_4);
    const QString notReport = QStringLiteral("The file %1 is not a saved report.").arg(path);
    quint32 magic = 0, version = 0;
    in >> magic >> version;
    if (magic != FileMagic || version < 1 || version > FileVersion) fail(notReport);
    const bool paged = version >= 2;
    auto d = std::make_shared<Data>();
    in >> d->title >> d->pageSizeMm;
    quint32 count = 0;
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        BandItem b;
        qint32 kind = 0, alignment = 0, page = 0;
        in >> kind >> b.rectMm >> b.text >> b.font >> alignment;
        if (paged) in >> page >> b.name >> b.wrap >> b.lines;
        b.kind = kind == BandItem::Rule || kind == BandItem::Frame ? BandItem::Kind(kind) : BandItem::Text;
        b.alignment = alignment;
        b.page = page;
        if (page < 0) fail(notReport);
        d->band.push_back(b);
    }
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        PieChartSnapshot c;
        quint32 slices = 0;
        qint32 page = 0;
        in >> c.rectMm >> c.title >> c.font;
        if (paged) in >> page;
        in >> slices;
        if (page < 0) fail(notReport);
        c.page = page;
        for (quint32 k = 0; k < slices && in.status() == QDataStream::Ok; ++k) {
            PieSlice s;
            in >> s.value >> s.color >> s.label;
            c.slices.push_back(s);
        }
        d->charts.push_back(c);
    }
    MemoSnapshot& m = d->memo;
    qint32 alignment = 0, firstPage = 0;
    QStringList lines;
    in >> d->hasMemo >> lines;
    m.lines = lines;
    in >> m.font >> m.leftMm >> m.widthMm >> m.topMm >> m.lineHeightMm >> m.wrap >> alignment;
    if (paged) in >> firstPage >> m.name;
    m.alignment = alignment;
    m.firstPage = firstPage;
    in >> count;
    const int n = int(m.lines.size());
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 a, b, c, e;
        PageRange r;
        in >> a >> b >> c >> e >> r.memoTopMm;
        // A damaged file must not make painting read beyond the lines.
        if (a < 0 || c < a || c > n || b < 0 || e < 0) fail(notReport);
        r = {a, b, c, e, r.memoTopMm};
        d->pages.push_back(r);
    }
    if (in.status() != QDataStream::Ok || d->pages.empty()) fail(notReport);
    return ComposedReport(std::move(d));
}

} // namespace qv::report
