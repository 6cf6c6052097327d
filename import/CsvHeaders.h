#pragma once
// The CSV files other programs export, known by their header lines: Google Contacts (its current and its older
// header), Outlook, Thunderbird, and this program's own export. Each column of a known header has its contact field;
// a column of any other header gets the field its name suggests, for the user to confirm or change. Google's
// numbered, labelled groups ("Phone 1 - Label", "Phone 1 - Value") are read as a card's typed properties, so that
// a labelled number goes where the same number on a card goes.

#include "import/VCard.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace qv {

enum class CsvSource { Google, GoogleOlder, Outlook, Thunderbird, ThisProgram, Other };

// Where a column's text goes: a contact field, or a part from which a field is made (the name of given, middle
// and family name, or else of the full name or the nickname; the birthday of year, month and day), or nowhere.
struct CsvTarget {
    enum Kind {
        LeaveOut,
        Field,
        GivenName,
        MiddleName,
        FamilyName,
        FullName,
        Nickname,
        BirthYear,
        BirthMonth,
        BirthDay
    };
    Kind kind = LeaveOut;
    QString column; // of People, for a field

    static CsvTarget field(const QString& column) { return {Field, column}; }
    bool operator==(const CsvTarget&) const = default;
};

CsvSource recogniseCsvHeader(const QStringList& header);

// The target of each column of an Outlook, Thunderbird or this program's header; columns it does not know are left
// out.
std::vector<CsvTarget> knownCsvTargets(CsvSource source, const QStringList& header);
// For any other header: the field each column's name suggests (a caption of ours, or a name other programs give
// that field), or leave out.
std::vector<CsvTarget> guessedCsvTargets(const QStringList& header);

// Google's rows as cards.
class GoogleRows {
public:
    explicit GoogleRows(const QStringList& header);
    VCard card(const QList<QStringView>& fields) const;

private:
    struct Column {
        QString property; // N, FN, ORG, TITLE, BDAY, NOTE, NICKNAME, HOBBY, LANG, X-QUORVANE-PROFESSION
        int component = 0;
    };
    // A numbered group: "Phone 1", its label column and its value columns (an address has several).
    struct Group {
        QString property; // TEL, EMAIL, ADR, URL, RELATED, ANNIVERSARY-or-event
        int label = -1;
        std::vector<std::pair<int, int>> parts; // column, component
    };
    struct PlainColumn {
        int column = 0;
        int property = 0; // in m_plainProperties
        int component = 0;
    };
    void addPlainColumn(int column, const Column& target);
    // What the label of a group names; read again only when it is not the label of the row before.
    const QStringList& typesOfLabelSeen(size_t group, QStringView label) const;

    QStringList m_plainProperties;
    std::vector<PlainColumn> m_columns;
    std::vector<Group> m_groups;
    struct LabelSeen {
        bool read = false;
        QString label;
        QStringList types;
    };
    mutable std::vector<LabelSeen> m_labelsSeen; // by group
};

} // namespace qv
