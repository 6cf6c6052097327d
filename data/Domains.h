#pragma once
// The fixed pick-list domains: ordered lists of the texts the database stores, with the captions of the
// reminder flags and the explanation texts of three contact domains. Every window, the filters and the analysis
// use these lists; nothing else spells them out.

#include <QString>
#include <QStringList>

namespace qv::domains {

struct Entry {
    QString stored;  // what the field receives
    QString caption; // what the chooser shows
};

const QStringList& title();
const QStringList& household();
const QList<Entry>& reminderFlag(); // "Set" stores "TRUE", "Unset" stores "FALSE"
const QStringList& income();
const QStringList& educationLevel();
const QStringList& companySize();
const QStringList& industry();
const QStringList& personType();
const QStringList& importance();
const QStringList& addressChoice();
const QStringList& prospectingMethod();
const QStringList& approachType();
const QStringList& gender();
const QStringList& innovation();
const QStringList& contactMethod();
const QStringList& saleStatus();
const QStringList& roleInSale();
const QStringList& halfHourTime(); // "6:00 AM" ... "11:30 PM", 36 entries
const QList<int>& alertLeadTime(); // minutes

// Explanation texts, by position in their domain.
const QStringList& prospectingExplanations();
const QStringList& approachExplanations();
const QStringList& innovationExplanations();

// The position of the entry equal to text with letter case ignored; -1 for an empty text or no entry.
int positionIgnoringCase(const QStringList& domain, const QString& text);
// The explanation of a position; empty for -1.
QString explanationAt(const QStringList& explanations, int position);

} // namespace qv::domains
