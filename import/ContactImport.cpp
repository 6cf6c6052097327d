#include "import/ContactImport.h"
#include "data/DataModule.h"
#include "data/DateFormats.h"
#include "data/Schema.h"
#include "import/FieldCaptions.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <limits>

namespace qv {

namespace {

// A plain date as vCards and CSV exports write it, 1970-01-02 or 19700102, read digit by digit: the toolkit's
// parser costs more than the rest of a card. Anything else, an invalid date included, is left to the parser.
QDate plainDate(QStringView t)
{
    const bool dashed = t.size() == 10 && t[4] == u'-' && t[7] == u'-';
    if (!dashed && t.size() != 8) return {};
    int digits[8], n = 0;
    for (const QChar c : t) {
        if (c == u'-' && dashed) continue;
        if (c < u'0' || c > u'9' || n == 8) return {};
        digits[n++] = c.unicode() - '0';
    }
    if (n != 8) return {};
    return QDate(digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3], digits[4] * 10 + digits[5],
                 digits[6] * 10 + digits[7]);
}

} // namespace

QString importedDateText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t == u"0/0/00" || t == u"00/00/00") return QStringLiteral("");
    if (const QDate plain = plainDate(t); plain.isValid())
        return Dataset::dateTimeStorageText(dates::wallClock(plain, QTime(0, 0)));
    QDate date;
    QTime time(0, 0);
    if (t.startsWith(QLatin1String("--"))) {
        QString monthDay = t.mid(2);
        monthDay.remove(u'-');
        date = QDate::fromString(QStringLiteral("1904") + monthDay.left(4), QStringLiteral("yyyyMMdd"));
    } else {
        // The date and the time of day, apart: a blank or a T between them, a zone after the time.
        static const QRegularExpression between(QStringLiteral("[T ]")),
            zone(QStringLiteral("(Z|[+-]\\d\\d:?\\d\\d|[+-]\\d\\d)$"));
        const qsizetype split = t.indexOf(between);
        QString day = split < 0 ? t : t.left(split), clock = split < 0 ? QString() : t.mid(split + 1);
        clock.remove(zone);
        date = QDate::fromString(day, day.contains(u'-') ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyyMMdd"));
        if (!date.isValid()) {
            date = dates::parseShortDate(t);
            clock.clear();
        }
        if (!clock.isEmpty()) {
            time = QTime();
            for (const char* format : {"HH:mm:ss", "HHmmss", "HH:mm", "HHmm", "HH:mm:ss.zzz"})
                if (!time.isValid()) time = QTime::fromString(clock, QLatin1String(format));
        }
    }
    if (!date.isValid() || !time.isValid()) return {};
    return Dataset::dateTimeStorageText(dates::wallClock(date, time));
}

bool cutToWidth(QString& text, int width)
{
    // A text holds no more characters than UTF-16 units: most are known to fit without counting.
    if (width <= 0 || text.size() <= width || characterCount(text) <= width) return false;
    qsizetype end = 0;
    for (int n = 0; n < width; ++n) end += QChar::isHighSurrogate(text.at(end).unicode()) ? 2 : 1;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(end);
    if (!graphemes.isAtBoundary()) end = graphemes.toPreviousBoundary();
    text.truncate(std::max<qsizetype>(end, 0));
    return true;
}

ContactImport::ContactImport(TMainDataModule& dm)
    : m_people(*dm.PeopleCompanyDet), m_initialCount(dm.PeopleCompanyDet->recordCount()),
      m_nameColumn(m_people.requireField("Name")), m_emailColumn(m_people.requireField("Email1")),
      m_known(DuplicateIndex::byFoldedColumns(*dm.PeopleCompanyDet, {m_nameColumn, m_emailColumn})),
      m_bulk(*dm.PeopleCompanyDet)
{
    const QStringList names = m_people.fieldNames();
    for (const QString& n : names) {
        m_widths.push_back(m_people.declaredWidth(n));
        m_types.push_back(m_people.fieldType(int(m_types.size())));
    }
    m_people.checkBrowseMode();
    dm.CompaniesTable->first();
    // Windows bound to the contacts are hidden while an import runs: no need to tell them of every row.
    m_people.disableControls();
}

ContactImport::~ContactImport()
{
    if (m_quiet) m_people.enableControls();
}

int ContactImport::column(const char* name) const { return m_people.requireField(QString::fromLatin1(name)); }

void ContactImport::readNameAndEmail(const Values& values, QString& name, QString& email1) const
{
    for (const auto& [index, value] : values) {
        if (index == m_nameColumn) name = value.toString();
        if (index == m_emailColumn) email1 = value.toString();
    }
}

QStringList ContactImport::readTypedValues(Values& values) const
{
    QStringList unreadable;
    for (auto it = values.begin(); it != values.end();) {
        const ColumnType type = m_types[size_t(it->first)];
        if ((type != ColumnType::DateTime && type != ColumnType::Integer) ||
            it->second.typeId() != QMetaType::QString) {
            ++it;
            continue;
        }
        const QString text = it->second.toString();
        QString stored;
        if (type == ColumnType::DateTime) {
            stored = importedDateText(text);
        } else if (!text.trimmed().isEmpty()) {
            // The file's whole numbers are 32 bits wide.
            bool ok = false;
            const qint64 n = text.trimmed().toLongLong(&ok);
            if (ok && n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max())
                stored = QString::number(n);
        } else {
            stored = QStringLiteral("");
        }
        if (stored.isNull()) {
            unreadable << contactFieldCaption(m_people.fieldNames().at(it->first));
            it = values.erase(it);
            continue;
        }
        it->second = stored;
        ++it;
    }
    return unreadable;
}

QStringList ContactImport::cutToWidths(Values& values) const
{
    QStringList cut;
    for (auto& [index, value] : values) {
        if (value.typeId() != QMetaType::QString) continue;
        // Most values fit, and are looked at without detaching them.
        if (static_cast<const QString*>(value.constData())->size() <= m_widths[size_t(index)]) continue;
        if (cutToWidth(*static_cast<QString*>(value.data()), m_widths[size_t(index)]))
            cut << contactFieldCaption(m_people.fieldNames().at(index));
    }
    return cut;
}

bool ContactImport::add(Values& values)
{
    QString name, email1;
    readNameAndEmail(values, name, email1);
    // The required-name rule would refuse such a name, and with the Files window hidden it could not even
    // show where: leave the row out, as an empty name is.
    if (TMainDataModule::isBlankName(name)) {
        m_summary.leftOut(LeftOut::NoName);
        return false;
    }
    // Cut before the duplicate test, so that the next run finds the contact as it was stored.
    const QStringList cut = cutToWidths(values);
    const QStringList unreadable = readTypedValues(values);
    if (!cut.isEmpty()) readNameAndEmail(values, name, email1);
    std::string key;
    if (m_initialCount > 0) {
        if (!m_known.isBuilt()) m_known.build(m_people.recordCount());
        key = DuplicateIndex::foldedKey({name, email1});
        if (m_known.find(key) >= 0) {
            m_summary.leftOut(LeftOut::AlreadyStored);
            return false;
        }
    }
    m_people.append();
    for (const auto& [index, value] : values) {
        const bool empty = value.typeId() == QMetaType::QString
                               ? static_cast<const QString*>(value.constData())->isEmpty()
                               : value.isNull();
        if (!empty) m_people.setValue(index, value);
    }
    m_bulk.post();
    if (m_initialCount > 0) m_known.insert(key, m_people.recNo());
    ++m_added;
    for (const QString& field : cut) m_summary.cut(name, field);
    for (const QString& field : unreadable) m_summary.unreadable(name, field);
    return true;
}

void ContactImport::finish()
{
    if (m_quiet) {
        m_quiet = false;
        m_people.enableControls();
    }
    m_bulk.finish();
}

} // namespace qv
