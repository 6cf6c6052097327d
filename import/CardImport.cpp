#include "import/CardImport.h"
#include "import/ContactImport.h"
#include "import/ContactItem.h"
#include "import/VCard.h"
#include "platform/Messages.h"
#include "platform/WorkProgress.h"

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

// The People column of each field of a contact item, in the order they are set; the name is formed of two.
const std::pair<const char*, QString ContactItem::*> ContactFields[] = {
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

// A card read: a contact list, or a contact's values, People column by column (the name among them).
struct Card {
    bool isList = false;
    ContactImport::Values values;
    std::exception_ptr error;
};

void readCard(const AddressBookItem& item, const std::vector<int>& columns, Card& card)
{
    const std::optional<ContactItem> contact = asContact(item);
    card.isList = !contact;
    if (!contact) return;
    const QString name = contact->FirstName + u' ' + contact->LastName;
    card.values.reserve(columns.size());
    for (size_t k = 0; k < columns.size(); ++k) {
        const auto field = ContactFields[k].second;
        card.values.emplace_back(columns[k], field ? (*contact).*field : name);
    }
}

// Reading a card is as much work as storing it: a second thread reads the cards, in order, while this one stores
// the contacts, waiting for each only if it is not read yet. The reader stays a bounded stretch ahead. It touches
// only the items (which nobody changes meanwhile) and the cards it hands over: the dataset, the file and every
// window belong to this thread alone.
class CardReader {
public:
    // columns: the People column of each of ContactFields.
    CardReader(const std::vector<AddressBookItem>& items, const std::vector<int>& columns)
        : m_items(items), m_columns(columns), m_cards(items.size())
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
                readCard(m_items[i], m_columns, m_cards[i]);
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
    const std::vector<int> m_columns;
    std::vector<Card> m_cards;
    std::atomic<size_t> m_read{0}, m_taken{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_ready, m_room;
    std::thread m_thread;
};

} // namespace

void importCards(TMainDataModule& dm, const std::vector<AddressBookItem>& items, CardFields,
                 const QList<int>& replacedLines)
{
    ContactImport import(dm);
    import.summary().setReplacedLines(replacedLines);
    std::vector<int> columns;
    for (const auto& f : ContactFields) columns.push_back(import.column(f.first));
    CardReader reader(items, columns); // reading while the duplicate test gets ready

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
