#include "analysis/ContactScan.h"

namespace qv {

QuietDatasets::QuietDatasets(TMainDataModule& dm) : m_dm(dm)
{
    for (Dataset* d : m_dm.datasets()) d->disableControls();
}

QuietDatasets::~QuietDatasets()
{
    for (Dataset* d : m_dm.datasets()) d->enableControls();
}

void visitContacts(TMainDataModule& dm, const std::function<void(const Dataset&)>& visit)
{
    Dataset& contacts = *dm.PeopleCompanyDet;
    QuietDatasets quiet(dm);
    // Counted after the first move: that move may post a pending new contact, which then belongs to the scan.
    contacts.first();
    const int count = contacts.recordCount();
    for (int i = 0; i < count && !contacts.atEnd(); ++i) {
        visit(contacts);
        contacts.next();
    }
}

bool fieldUtf8(const Dataset& ds, int index, QByteArray& scratch, const char** data, int* size)
{
    *data = ds.utf8(index, size);
    if (*data) return true;
    if (ds.isNull(index)) return false;
    scratch = ds.text(index).toUtf8();
    *data = scratch.constData();
    *size = int(scratch.size());
    return true;
}

} // namespace qv
