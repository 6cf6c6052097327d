#pragma once
// One contact of the mail client as the import reads it: the text properties of the contacts folder's contact
// item, each empty when the address book does not hold it. They are taken from a vCard, or from the separate
// properties of an older Thunderbird card.

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
};

ContactItem contactItemFromVCard(const VCard& card);
ContactItem contactItemFromProperties(const QList<QPair<QString, QString>>& properties);

} // namespace qv
