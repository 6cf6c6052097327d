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
constexpr quint32 FileVersion = 1;

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

// The pie chart's parts, laid out in millimetres: title, legend lines, the pie's square and the marks.
struct PieGeometry {
    QRectF titleRect;
    std::vector<QRectF> legendRects; // text part of each legend entry
    QRectF pie;
    double lineHeight = 0;
    double total = 0;
};

PieGeometry pieGeometry(const PieChartSnapshot& c)
{
    PieGeometry g;
    const QFontMetricsF fm(drawingFont(c.font));
    g.lineHeight = fm.lineSpacing() / DecipointsPerMm;
    for (const PieSlice& s : c.slices)
        if (s.value > 0) g.total += s.value;
    double y = c.rectMm.top();
    g.titleRect = QRectF(c.rectMm.left(), y, c.rectMm.width(), g.lineHeight);
    y += g.lineHeight * 1.5;
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
    // Room around the pie for the marks.
    double markWidth = 0;
    for (const PieSlice& s : c.slices) markWidth = std::max(markWidth, fm.horizontalAdvance(s.label) / DecipointsPerMm);
    const double side = 3 + markWidth;
    const double diameter =
        std::max(0.0, std::min(c.rectMm.width() - 2 * side, c.rectMm.bottom() - y - 2 * (g.lineHeight + 3)));
    g.pie = QRectF(c.rectMm.center().x() - diameter / 2, y + g.lineHeight + 3, diameter, diameter);
    return g;
}

QString legendText(const PieSlice& s, double total) { return percentText(s.value / total * 100) + ' ' + s.label; }

void chartTexts(const PieChartSnapshot& c, QStringList& out)
{
    out << c.title;
    const PieGeometry g = pieGeometry(c);
    if (g.total <= 0) return;
    for (const PieSlice& s : c.slices) out << legendText(s, g.total);
    for (const PieSlice& s : c.slices)
        if (s.value > 0) out << s.label;
}

void drawChart(QPainter& p, const PieChartSnapshot& c)
{
    const PieGeometry g = pieGeometry(c);
    QFont titleFont = c.font;
    titleFont.setBold(true);
    p.setFont(drawingFont(titleFont));
    p.setPen(Qt::black);
    p.drawText(toDp(g.titleRect), Qt::AlignCenter | Qt::TextDontClip, c.title);
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

    // Slices clockwise from twelve o'clock, each mark on a short line out of its slice's middle.
    const QFontMetricsF fm(drawingFont(c.font));
    double start = 90;
    for (const PieSlice& s : c.slices) {
        if (s.value <= 0) continue;
        const double span = -360.0 * s.value / g.total;
        p.setPen(QPen(Qt::black, 0.15 * DecipointsPerMm));
        p.setBrush(s.color);
        if (std::abs(span) >= 359.999)
            p.drawEllipse(toDp(g.pie));
        else
            p.drawPie(toDp(g.pie), int(std::lround(start * 16)), int(std::lround(span * 16)));
        const double mid = (start + span / 2) * M_PI / 180;
        const QPointF centre = g.pie.center();
        const double r = g.pie.width() / 2;
        const QPointF edge(centre.x() + r * std::cos(mid), centre.y() - r * std::sin(mid));
        const QPointF out(centre.x() + (r + 2.5) * std::cos(mid), centre.y() - (r + 2.5) * std::sin(mid));
        p.drawLine(edge * DecipointsPerMm, out * DecipointsPerMm);
        const double w = fm.horizontalAdvance(s.label) / DecipointsPerMm + 1.5;
        const double h = g.lineHeight;
        const double left = std::cos(mid) >= 0 ? out.x() : out.x() - w;
        const QRectF label(left, out.y() - h / 2, w, h);
        p.setBrush(QColor(255, 255, 225));
        p.drawRect(toDp(label));
        p.drawText(toDp(label), Qt::AlignCenter | Qt::TextDontClip, s.label);
        start += span;
    }
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

QStringList ComposedReport::wrapLine(const QString& line, const QFont& font, double widthMm)
{
    const QFontMetricsF fm(drawingFont(font));
    const double width = widthMm * DecipointsPerMm;
    if (line.isEmpty() || fm.horizontalAdvance(line) <= width) return {line};
    QStringList pieces;
    QString rest = line;
    while (!rest.isEmpty()) {
        if (fm.horizontalAdvance(rest) <= width) {
            pieces << rest;
            break;
        }
        // The longest prefix that fits, broken after the last blank in it where there is one.
        int fit = 1;
        double used = 0;
        for (int i = 0; i < rest.size(); ++i) {
            used += fm.horizontalAdvance(rest[i]);
            if (used > width) break;
            fit = i + 1;
        }
        const int blank = rest.lastIndexOf(' ', fit - 1);
        const int cut = blank > 0 ? blank + 1 : fit;
        QString piece = rest.left(cut);
        while (piece.endsWith(' ') && piece.size() > 1) piece.chop(1);
        pieces << piece;
        rest = rest.mid(cut);
    }
    return pieces;
}

QStringList ComposedReport::pageText(int page) const
{
    QStringList out;
    if (page < 0 || page >= pageCount()) return out;
    if (page == 0) {
        for (const BandItem& item : m_data->band)
            if (item.kind == BandItem::Text) out << item.text;
        for (const PieChartSnapshot& c : m_data->charts) chartTexts(c, out);
    }
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

    if (page == 0) {
        for (const BandItem& item : d.band) {
            if (item.kind == BandItem::Rule) {
                painter.setPen(QPen(Qt::black, 0.25 * DecipointsPerMm));
                const QRectF r = toDp(item.rectMm);
                painter.drawLine(QPointF(r.left(), r.top()), QPointF(r.right(), r.top()));
                continue;
            }
            painter.setPen(Qt::black);
            painter.setFont(drawingFont(item.font));
            // A field does not grow: what does not fit its box is cut at the box's edge.
            painter.drawText(toDp(item.rectMm), item.alignment | Qt::TextSingleLine, item.text);
        }
        for (const PieChartSnapshot& c : d.charts) drawChart(painter, c);
    }

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
    for (const BandItem& b : d.band) out << qint32(b.kind) << b.rectMm << b.text << b.font << qint32(b.alignment);
    out << quint32(d.charts.size());
    for (const PieChartSnapshot& c : d.charts) {
        out << c.rectMm << c.title << c.font << quint32(c.slices.size());
        for (const PieSlice& s : c.slices) out << s.value << s.color << s.label;
    }
    const MemoSnapshot& m = d.memo;
    out << d.hasMemo << m.lines.toList() << m.font << m.leftMm << m.widthMm << m.topMm << m.lineHeightMm << m.wrap
        << qint32(m.alignment);
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
    if (magic != FileMagic || version != FileVersion) fail(notReport);
    auto d = std::make_shared<Data>();
    in >> d->title >> d->pageSizeMm;
    quint32 count = 0;
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        BandItem b;
        qint32 kind = 0, alignment = 0;
        in >> kind >> b.rectMm >> b.text >> b.font >> alignment;
        b.kind = kind == BandItem::Rule ? BandItem::Rule : BandItem::Text;
        b.alignment = alignment;
        d->band.push_back(b);
    }
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        PieChartSnapshot c;
        quint32 slices = 0;
        in >> c.rectMm >> c.title >> c.font >> slices;
        for (quint32 k = 0; k < slices && in.status() == QDataStream::Ok; ++k) {
            PieSlice s;
            in >> s.value >> s.color >> s.label;
            c.slices.push_back(s);
        }
        d->charts.push_back(c);
    }
    MemoSnapshot& m = d->memo;
    qint32 alignment = 0;
    QStringList lines;
    in >> d->hasMemo >> lines;
    m.lines = lines;
    in >> m.font >> m.leftMm >> m.widthMm >> m.topMm >> m.lineHeightMm >> m.wrap >> alignment;
    m.alignment = alignment;
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
