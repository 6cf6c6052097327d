#pragma once
// vCards of versions 2.1, 3.0 and 4.0 as address books store them: folded lines, quoted-printable and base64 values
// in their character sets, backslash escapes, parameters with or without names, and property groups. The reader
// is lenient: a line it cannot make sense of is left out, never the card.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <vector>

namespace qv {

struct VCardProperty {
    QString version;                       // of the card, for the escapes
    QString group;                         // "item1" of "item1.EMAIL"; empty when none
    QString name;                          // upper case
    QList<QPair<QString, QString>> params; // names upper case; a bare 2.1 type such as HOME is a TYPE
    QString value;                         // transfer encoding and character set decoded, escapes still in place

    QStringList typeList; // every TYPE value, lower case, split at commas
    int pref = 100;       // 1 most preferred; PREF=n, TYPE=pref as 1, 100 when not said

    QString param(const QString& upperName) const; // the first value, empty when absent
    const QStringList& types() const { return typeList; }
    bool hasType(const QString& lowerType) const { return typeList.contains(lowerType); }
    int preference() const { return pref; }
    QString text() const;           // the value with its escapes resolved
    QStringList components() const; // a structured value split at its semicolons, escapes resolved
};

struct VCard {
    QString version;
    std::vector<VCardProperty> properties;

    std::vector<const VCardProperty*> all(const QString& upperName) const;
    const VCardProperty* first(const QString& upperName) const;
    // The label a property's group gives it (X-ABLabel), lower case, without the "_$!<...>!$_" wrapping.
    QString label(const VCardProperty& property) const;
    // A contact list (a group of addresses), not a person.
    bool isGroup() const;
};

std::vector<VCard> parseVCards(const QString& text);

// The types a label names, lower case: the address books' own labels (the "_$!<...>!$_" wrapping taken off, as
// VCard::label gives them) and the plain words people type (home, work, mobile, fax, pager, homepage...), letter
// case, blanks and hyphens ignored. None for a label of other words.
QStringList typesOfLabel(const QString& label);

} // namespace qv
