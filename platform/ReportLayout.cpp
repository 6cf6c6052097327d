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

ComposedReport ReportLayout::compose() const
{
    auto data = std::make_shared<ComposedReport::Data>();
    data->title = m_title;
    data->pageSizeMm = m_pageSize;
    const QPointF origin(m_margin, m_margin);

    for (const auto& e : m_elements) {
        const QRectF at = e->rect().translated(origin);
        if (auto* label = dynamic_cast<ReportLabel*>(e.get())) {
            data->band.push_back({BandItem::Text, at, label->caption(), label->font(), int(label->alignment())});
        } else if (auto* field = dynamic_cast<ReportDataField*>(e.get())) {
            data->band.push_back({BandItem::Text, at, field->text(), field->font(), int(field->alignment())});
        } else if (dynamic_cast<ReportRule*>(e.get())) {
            data->band.push_back({BandItem::Rule, at, QString(), e->font(), 0});
        } else if (auto* chart = dynamic_cast<ReportPieChart*>(e.get())) {
            data->charts.push_back({at, chart->title(), chart->font(), chart->slices()});
        } else if (auto* memo = dynamic_cast<ReportMemo*>(e.get())) {
            MemoSnapshot& m = data->memo;
            m.lines = memo->lineSource() ? MemoLines(memo->lineSource()) : MemoLines(memo->lines());
            m.font = memo->font();
            m.leftMm = at.left();
            m.widthMm = at.width();
            m.topMm = at.top();
            m.lineHeightMm = lineHeightMm(memo->font());
            m.wrap = memo->wordWrap();
            m.alignment = int(memo->alignment());
            data->hasMemo = true;
        }
    }

    const double bottom = m_pageSize.height() - m_margin;
    if (!data->hasMemo || data->memo.lines.isEmpty()) {
        data->pages.push_back({0, 0, 0, 0, data->hasMemo ? data->memo.topMm : m_margin});
        return ComposedReport(std::move(data));
    }

    const MemoSnapshot& m = data->memo;
    const double lh = m.lineHeightMm;
    const int firstCapacity = std::max(0, int(std::floor((bottom - m.topMm) / lh + 1e-9)));
    const int capacity = std::max(1, int(std::floor((bottom - m_margin) / lh + 1e-9)));
    const int n = int(m.lines.size());

    if (!m.wrap) {
        // Pure arithmetic: each page takes the next run of whole lines.
        int line = std::min(n, firstCapacity);
        data->pages.push_back({0, 0, line, 0, m.topMm});
        while (line < n) {
            const int end = std::min(n, line + capacity);
            data->pages.push_back({line, 0, end, 0, m_margin});
            line = end;
        }
        return ComposedReport(std::move(data));
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
    return ComposedReport(std::move(data));
}

} // namespace qv::report
