#pragma once
// Walking the contacts of the current company once, in dataset order, as the filters and the analysis do.
// Nobody watches the datasets while a modal scan runs, so their change notices are held back until it ends;
// a window bound to them then hears of the final position only.

#include "data/DataModule.h"

#include <QByteArray>
#include <functional>

namespace qv {

// Holds back the change notices of every dataset of the module for its lifetime.
class QuietDatasets {
public:
    explicit QuietDatasets(TMainDataModule& dm);
    ~QuietDatasets();
    QuietDatasets(const QuietDatasets&) = delete;
    QuietDatasets& operator=(const QuietDatasets&) = delete;

private:
    TMainDataModule& m_dm;
};

// Counts the contacts, goes to the first and visits that many, moving on after each. The first move posts a
// pending edit of the current contact, as every move does. Afterwards the last contact is current.
void visitContacts(TMainDataModule& dm, const std::function<void(const Dataset&)>& visit);

// The UTF-8 text of a field of the current row without converting it; false when the field is null.
// scratch holds the bytes when the stored value is not text (a number written by another program).
bool fieldUtf8(const Dataset& ds, int index, QByteArray& scratch, const char** data, int* size);

} // namespace qv
