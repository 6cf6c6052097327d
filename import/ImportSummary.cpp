#include "import/ImportSummary.h"
#include "import/TextFile.h"

#include <QStringList>

namespace qv {

namespace {

QString reasonText(LeftOut reason, int count)
{
    switch (reason) {
    case LeftOut::NoName: return QStringLiteral("%1 without a name").arg(count);
    case LeftOut::AlreadyStored: return QStringLiteral("%1 already stored").arg(count);
    case LeftOut::ContactList:
        return count == 1 ? QStringLiteral("1 contact list") : QStringLiteral("%1 contact lists").arg(count);
    }
    return {};
}

} // namespace

int ImportSummary::leftOutCount(LeftOut reason) const
{
    const auto it = m_leftOut.find(reason);
    return it == m_leftOut.end() ? 0 : it->second;
}

void ImportSummary::cut(const QString& record, const QString& field)
{
    ++m_cutValues;
    if (!m_cutIn.empty() && m_cutIn.back().first == record)
        m_cutIn.back().second << field;
    else
        m_cutIn.push_back({record, {field}});
}

QString ImportSummary::message(int added) const
{
    QString text = QString::number(added) + QStringLiteral(" record(s) added.");
    QStringList reasons;
    for (const auto& [reason, count] : m_leftOut)
        if (count > 0) reasons << reasonText(reason, count);
    if (!reasons.isEmpty()) text += QStringLiteral("\n\nLeft out: ") + reasons.join(QStringLiteral(", ")) + u'.';
    if (m_cutValues > 0) {
        constexpr size_t Shown = 10;
        QStringList where;
        for (size_t i = 0; i < m_cutIn.size() && i < Shown; ++i)
            where << QStringLiteral("%1 (%2)").arg(m_cutIn[i].first, m_cutIn[i].second.join(QStringLiteral(", ")));
        if (m_cutIn.size() > Shown) where << QStringLiteral("and %1 more").arg(m_cutIn.size() - Shown);
        text +=
            m_cutValues == 1
                ? QStringLiteral("\n\n1 value was too long for its field and was cut to fit: ")
                : QStringLiteral("\n\n%1 values were too long for their fields and were cut to fit: ").arg(m_cutValues);
        text += where.join(QStringLiteral("; ")) + u'.';
    }
    if (!m_replacedLines.isEmpty())
        text += QStringLiteral("\n\nBytes that are not valid UTF-8 were replaced by \"\uFFFD\" on %1 of the file.")
                    .arg(lineList(m_replacedLines));
    return text;
}

} // namespace qv
