#pragma once
// One contact of the mail client as the import reads it: the text properties of the contacts folder's contact
// item, each empty when the address book does not hold it, and the further ones a card file may carry. They are
// taken from a vCard, or from the separate properties of an older Thunderbird card.

#include "import/VCard.h"

#include <QList>
#include <QPair>
#include <QString>

namespace qv {

struct ContactItem {
    QString FirstName;
    QString LastName;
    QString Title;
    QString Language;
    QString Spouse;
    QString Children;
    QString HomeAddressStreet;
    QString HomeAddressCity;
    QString HomeAddressState;
    QString HomeAddressPostalCode;
    QString HomeAddressCountry;
    QString HomeAddressPostOfficeBox;
    QString JobTitle;
    QString Email1Address;
    QString Email2Address;
    QString MobileTelephoneNumber;
    QString PrimaryTelephoneNumber;
    QString PersonalHomePage;
    QString HomeTelephoneNumber;
    QString Home2TelephoneNumber;
    QString HomeFaxNumber;
    QString TelexNumber;
    QString ManagerName;
    QString AssistantName;
    QString Hobby;

    // Beside those, what a card file carries that the contact's own fields can hold.
    QString CompanyName;
    QString Department;
    QString BusinessTelephoneNumber;
    QString Business2TelephoneNumber;
    QString BusinessFaxNumber;
    QString Business2FaxNumber;
    QString BusinessAddressStreet;
    QString BusinessAddressCity;
    QString BusinessAddressState;
    QString BusinessAddressPostalCode;
    QString BusinessAddressCountry;
    QString BusinessAddressPostOfficeBox;
    QString BusinessHomePage;
    QString Birthday;    // as the card writes a date: 1970-01-02, 19700102, --0102, with or without a time
    QString Anniversary; // likewise
    QString Body;        // the note
    // Fields this program's own export names exactly (People column, value), in the card's order.
    QList<QPair<QString, QString>> OwnFields;
};

// The property and the parameter with which this program's export names the field of a value exactly: a property
// X-QUORVANE-<column>, or a property of any name whose parameter X-QUORVANE-FIELD lists, component by component,
// the columns of its value (an empty entry for a component that holds none).
extern const char* const OwnPropertyPrefix;
extern const char* const OwnFieldParameter;

ContactItem contactItemFromVCard(const VCard& card);
ContactItem contactItemFromProperties(const QList<QPair<QString, QString>>& properties);

} // namespace qv
