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

namespace {

void note(std::vector<std::pair<QString, QStringList>>& where, const QString& record, const QString& field)
{
    if (!where.empty() && where.back().first == record)
        where.back().second << field;
    else
        where.push_back({record, {field}});
}

// "Bernd Baumann (Title, Mobile); Ann Lee (Home Country)", the first ten records.
QString recordsAndFields(const std::vector<std::pair<QString, QStringList>>& where)
{
    constexpr size_t Shown = 10;
    QStringList out;
    for (size_t i = 0; i < where.size() && i < Shown; ++i)
        out << QStringLiteral("%1 (%2)").arg(where[i].first, where[i].second.join(QStringLiteral(", ")));
    if (where.size() > Shown) out << QStringLiteral("and %1 more").arg(where.size() - Shown);
    return out.join(QStringLiteral("; "));
}

} // namespace

void ImportSummary::cut(const QString& record, const QString& field)
{
    ++m_cutValues;
    note(m_cutIn, record, field);
}

void ImportSummary::unreadable(const QString& record, const QString& field)
{
    ++m_unreadableValues;
    note(m_unreadableIn, record, field);
}

QString ImportSummary::message(int added) const
{
    QString text = QString::number(added) + QStringLiteral(" record(s) added.");
    QStringList reasons;
    for (const auto& [reason, count] : m_leftOut)
        if (count > 0) reasons << reasonText(reason, count);
    if (!reasons.isEmpty()) text += QStringLiteral("\n\nLeft out: ") + reasons.join(QStringLiteral(", ")) + u'.';
    if (m_cutValues > 0) {
        text +=
            m_cutValues == 1
                ? QStringLiteral("\n\n1 value was too long for its field and was cut to fit: ")
                : QStringLiteral("\n\n%1 values were too long for their fields and were cut to fit: ").arg(m_cutValues);
        text += recordsAndFields(m_cutIn) + u'.';
    }
    if (m_unreadableValues > 0) {
        text += m_unreadableValues == 1
                    ? QStringLiteral("\n\n1 value was not a date or number its field could hold and was left out: ")
                    : QStringLiteral("\n\n%1 values were not dates or numbers their fields could hold and were left "
                                     "out: ")
                          .arg(m_unreadableValues);
        text += recordsAndFields(m_unreadableIn) + u'.';
    }
    if (!m_replacedLines.isEmpty())
        text += QStringLiteral("\n\nBytes that are not valid UTF-8 were replaced by \"\uFFFD\" on %1 of the file.")
                    .arg(lineList(m_replacedLines));
    return text;
}

} // namespace qv
