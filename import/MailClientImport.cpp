#include "import/MailClientImport.h"
#include "import/ContactImport.h"
#include "import/ContactItem.h"
#include "import/VCard.h"
#include "platform/MailAddressBook.h"
#include "platform/Messages.h"
#include "platform/WorkProgress.h"

#include <optional>

namespace qv {

namespace {

// The item as a contact, or nothing when it is a contact list, which cannot be taken as a contact.
std::optional<ContactItem> asContact(const AddressBookItem& item, QString* listName)
{
    if (item.isList) {
        *listName = item.listName;
        return std::nullopt;
    }
    if (item.vcard.isEmpty()) return contactItemFromProperties(item.properties);
    const std::vector<VCard> cards = parseVCards(item.vcard);
    if (cards.empty()) return ContactItem{};
    if (cards.front().isGroup()) {
        const VCardProperty* fn = cards.front().first(QStringLiteral("FN"));
        *listName = fn ? fn->text() : QString();
        return std::nullopt;
    }
    return contactItemFromVCard(cards.front());
}

} // namespace

void BitBtn1Click(TMainDataModule& dm)
{
    const std::optional<AddressBook> book = readMailClientAddressBook();
    if (!book) {
        showError(QStringLiteral("MS Outlook is not installed."));
        return;
    }
    if (book->items.empty()) return;
    ContactImport import(dm);
    const std::pair<const char*, QString ContactItem::*> fields[] = {
        {"Name", nullptr},
        {"Title", &ContactItem::Title},
        {"Language", &ContactItem::Language},
        {"Spouse", &ContactItem::Spouse},
        {"Children", &ContactItem::Children},
        {"HAStreet", &ContactItem::HomeAddressStreet},
        {"HACity", &ContactItem::HomeAddressCity},
        {"HAState", &ContactItem::HomeAddressState},
        {"HAPostalCode", &ContactItem::HomeAddressPostalCode},
        {"HACountry", &ContactItem::HomeAddressCountry},
        {"HAPostOfficeBox", &ContactItem::HomeAddressPostOfficeBox},
        {"JobTitle", &ContactItem::JobTitle},
        {"Email1", &ContactItem::Email1Address},
        {"Email2", &ContactItem::Email2Address},
        {"Mobile", &ContactItem::MobileTelephoneNumber},
        {"PrimaryTel", &ContactItem::PrimaryTelephoneNumber},
        {"HomePage", &ContactItem::PersonalHomePage},
        {"TelH1", &ContactItem::HomeTelephoneNumber},
        {"TelH2", &ContactItem::Home2TelephoneNumber},
        {"FaxH", &ContactItem::HomeFaxNumber},
        {"Telex", &ContactItem::TelexNumber},
        {"ManagerName", &ContactItem::ManagerName},
        {"AssistantName", &ContactItem::AssistantName},
        {"Hobbies", &ContactItem::Hobby},
    };
    std::vector<int> columns;
    for (const auto& f : fields) columns.push_back(import.column(f.first));

    WorkProgress progress(QStringLiteral("Importing contacts"), int(book->items.size()));
    std::vector<std::pair<int, QString>> values;
    for (size_t i = 0; i < book->items.size(); ++i) {
        if (!progress.step(int(i), import.added())) break;
        QString listName;
        const std::optional<ContactItem> contact = asContact(book->items[i], &listName);
        if (!contact) {
            // The contacts before it stay; the count is not shown.
            import.finish();
            showError(
                QStringLiteral("Interface not supported: \"%1\" in the address book is a contact list, not a contact.")
                    .arg(listName));
            return;
        }
        if (contact->FirstName.isEmpty() || contact->FirstName == QLatin1String(" ")) continue;
        const QString name = contact->FirstName + u' ' + contact->LastName;
        values.clear();
        for (size_t k = 0; k < columns.size(); ++k)
            values.emplace_back(columns[k], fields[k].second ? (*contact).*(fields[k].second) : name);
        import.add(name, contact->Email1Address, values);
    }
    import.finish();
    showInformation(QString::number(import.added()) + QStringLiteral(" record(s) added."));
}

} // namespace qv
