#pragma once
// A deterministic synthetic database that looks like a real salesperson's: contacts with about thirty fields
// filled with plausible texts, accounts with their related files, follow-ups, calendar days and events.

#include <QString>

namespace qv::bench {

struct GeneratorOptions {
    int contacts = 100000;  // of the first company
    int otherContacts = 50; // of a second company, never shown by the program
    int accounts = 2000;
    int followUpsPerTen = 5; // follow-ups per ten contacts
    int calendarDays = 365;
    int eventsPerDay = 3;
    unsigned seed = 20051;
};

void generateDatabase(const QString& path, const GeneratorOptions& options);

} // namespace qv::bench
