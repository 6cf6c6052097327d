#include "import/MailClientImport.h"
#include "import/CardImport.h"
#include "platform/MailAddressBook.h"
#include "platform/Messages.h"

namespace qv {

void BitBtn1Click(TMainDataModule& dm)
{
    const std::optional<AddressBook> book = readMailClientAddressBook();
    if (!book) {
        showError(QStringLiteral("MS Outlook is not installed."));
        return;
    }
    if (book->items.empty()) return;
    importCards(dm, book->items, CardFields::MailClient);
}

} // namespace qv
