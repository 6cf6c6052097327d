#include "import/CardImport.h"
#include "import/ContactImport.h"
#include "import/ContactItem.h"
#include "import/FieldCaptions.h"
#include "import/VCard.h"
#include "platform/Messages.h"
#include "platform/WorkProgress.h"

#include <QHash>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace qv {

namespace {

// The item as a contact, or nothing when it is a contact list.
std::optional<ContactItem> asContact(const AddressBookItem& item)
{
    if (item.isList) return std::nullopt;
    if (item.vcard.isEmpty()) return contactItemFromProperties(item.properties);
    const std::vector<VCard> cards = parseVCards(item.vcard);
    if (cards.empty()) return ContactItem{};
    if (cards.front().isGroup()) return std::nullopt;
    return contactItemFromVCard(cards.front());
}

// The People column of each field of a contact item, in the order they are set; the name is formed of two. The
// fields a card file adds come last.
struct CardField {
    const char* column;
    QString ContactItem::*field; // nullptr: the name
    bool fileOnly;
};
const CardField CardFieldTable[] = {
    {"Name", nullptr, false},
    {"Title", &ContactItem::Title, false},
    {"Language", &ContactItem::Language, false},
    {"Spouse", &ContactItem::Spouse, false},
    {"Children", &ContactItem::Children, false},
    {"HAStreet", &ContactItem::HomeAddressStreet, false},
    {"HACity", &ContactItem::HomeAddressCity, false},
    {"HAState", &ContactItem::HomeAddressState, false},
    {"HAPostalCode", &ContactItem::HomeAddressPostalCode, false},
    {"HACountry", &ContactItem::HomeAddressCountry, false},
    {"HAPostOfficeBox", &ContactItem::HomeAddressPostOfficeBox, false},
    {"JobTitle", &ContactItem::JobTitle, false},
    {"Email1", &ContactItem::Email1Address, false},
    {"Email2", &ContactItem::Email2Address, false},
    {"Mobile", &ContactItem::MobileTelephoneNumber, false},
    {"PrimaryTel", &ContactItem::PrimaryTelephoneNumber, false},
    {"HomePage", &ContactItem::PersonalHomePage, false},
    {"TelH1", &ContactItem::HomeTelephoneNumber, false},
    {"TelH2", &ContactItem::Home2TelephoneNumber, false},
    {"FaxH", &ContactItem::HomeFaxNumber, false},
    {"Telex", &ContactItem::TelexNumber, false},
    {"ManagerName", &ContactItem::ManagerName, false},
    {"AssistantName", &ContactItem::AssistantName, false},
    {"Hobbies", &ContactItem::Hobby, false},
    {"Company", &ContactItem::CompanyName, true},
    {"Department", &ContactItem::Department, true},
    {"TelB1", &ContactItem::BusinessTelephoneNumber, true},
    {"TelB2", &ContactItem::Business2TelephoneNumber, true},
    {"FaxB1", &ContactItem::BusinessFaxNumber, true},
    {"FaxB2", &ContactItem::Business2FaxNumber, true},
    {"BAStreet", &ContactItem::BusinessAddressStreet, true},
    {"BACity", &ContactItem::BusinessAddressCity, true},
    {"BAState", &ContactItem::BusinessAddressState, true},
    {"BAPostalCode", &ContactItem::BusinessAddressPostalCode, true},
    {"BACountry", &ContactItem::BusinessAddressCountry, true},
    {"BAPostOfficeBox", &ContactItem::BusinessAddressPostOfficeBox, true},
    {"WebPage", &ContactItem::BusinessHomePage, true},
    {"Birthday", &ContactItem::Birthday, true},
    {"Anniversary", &ContactItem::Anniversary, true},
    {"Info", &ContactItem::Body, true},
};

// A card read: a contact list, or a contact's values, People column by column (the name among them).
struct Card {
    bool isList = false;
    ContactImport::Values values;
    std::exception_ptr error;
};

void readCard(const AddressBookItem& item, const CardMapping& mapping, Card& card)
{
    const std::optional<ContactItem> contact = asContact(item);
    card.isList = !contact;
    if (contact) mapping.fill(*contact, card.values);
}

// Reading a card is as much work as storing it: a second thread reads the cards, in order, while this one stores
// the contacts, waiting for each only if it is not read yet. The reader stays a bounded stretch ahead. It touches
// only the items (which nobody changes meanwhile) and the cards it hands over: the dataset, the file and every
// window belong to this thread alone.
class CardReader {
public:
    CardReader(const std::vector<AddressBookItem>& items, const CardMapping& mapping)
        : m_items(items), m_mapping(mapping), m_cards(items.size())
    {
        m_thread = std::thread([this] { run(); });
    }
    ~CardReader()
    {
        m_stop = true;
        {
            std::lock_guard lock(m_mutex); // the reader is waiting for room, or will see the stop
        }
        m_room.notify_one();
        m_thread.join();
    }
    CardReader(const CardReader&) = delete;
    CardReader& operator=(const CardReader&) = delete;

    // The i-th card, read; taken out of the reader, so that each is asked for once, in order.
    Card take(size_t i)
    {
        if (m_read.load(std::memory_order_acquire) <= i) {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [&] { return m_read.load(std::memory_order_acquire) > i; });
        }
        Card card = std::move(m_cards[i]);
        if (card.error) std::rethrow_exception(card.error);
        m_taken.store(i + 1, std::memory_order_release);
        if ((i + 1) % Notice == 0) {
            {
                std::lock_guard lock(m_mutex); // the reader is waiting for room, or will see the new count
            }
            m_room.notify_one();
        }
        return card;
    }

private:
    static constexpr size_t Ahead = 2048; // cards read and not yet taken, at most
    static constexpr size_t Notice = 64;  // either side tells the other after this many cards

    void run()
    {
        for (size_t i = 0; i < m_cards.size(); ++i) {
            if (i >= m_taken.load(std::memory_order_acquire) + Ahead) {
                // Resumed once half the stretch is taken, not at every card taken.
                std::unique_lock lock(m_mutex);
                m_room.wait(lock, [&] { return m_stop || i < m_taken.load(std::memory_order_acquire) + Ahead / 2; });
            }
            if (m_stop) return;
            bool failed = false;
            try {
                readCard(m_items[i], m_mapping, m_cards[i]);
            } catch (...) {
                m_cards[i].error = std::current_exception();
                failed = true;
            }
            m_read.store(i + 1, std::memory_order_release);
            if (failed || (i + 1) % Notice == 0 || i + 1 == m_cards.size()) {
                {
                    std::lock_guard lock(m_mutex);
                }
                m_ready.notify_one();
            }
            if (failed) return;
        }
    }

    const std::vector<AddressBookItem>& m_items;
    const CardMapping& m_mapping;
    std::vector<Card> m_cards;
    std::atomic<size_t> m_read{0}, m_taken{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_ready, m_room;
    std::thread m_thread;
};

} // namespace

CardMapping::CardMapping(const ContactImport& import, CardFields fields)
{
    for (const CardField& f : CardFieldTable)
        if (!f.fileOnly || fields == CardFields::File) m_columns.push_back({import.column(f.column), f.field});
    if (fields == CardFields::File) {
        m_ownFields = true;
        for (const FieldCaption& f : contactFieldCaptions())
            m_ownColumns.insert(QString::fromLatin1(f.column).toCaseFolded(), import.column(f.column));
    }
}

void CardMapping::fill(const ContactItem& contact, ContactImport::Values& values) const
{
    const QString name = contact.FirstName + u' ' + contact.LastName;
    values.reserve(values.size() + m_columns.size());
    for (const auto& [column, field] : m_columns) values.emplace_back(column, field ? contact.*field : name);
    if (!m_ownFields) return;
    // A field the export named exactly takes that value, whatever the other properties gave it.
    for (const auto& [own, value] : contact.OwnFields) {
        const int column = m_ownColumns.value(own.toCaseFolded(), -1);
        if (column < 0) continue;
        auto it = std::find_if(values.begin(), values.end(), [column](const auto& v) { return v.first == column; });
        if (it != values.end())
            it->second = value;
        else
            values.emplace_back(column, value);
    }
}

void importCards(TMainDataModule& dm, const std::vector<AddressBookItem>& items, CardFields fields,
                 const QList<int>& replacedLines)
{
    ContactImport import(dm);
    import.summary().setReplacedLines(replacedLines);
    const CardMapping mapping(import, fields);
    CardReader reader(items, mapping); // reading while the duplicate test gets ready

    WorkProgress progress(QStringLiteral("Importing contacts"), int(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
        if (!progress.step(int(i), import.added())) break;
        Card card = reader.take(i);
        if (card.isList)
            import.summary().leftOut(LeftOut::ContactList);
        else
            import.add(card.values);
    }
    import.finish();
    showInformation(import.closingMessage());
}

} // namespace qv
