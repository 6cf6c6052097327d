#pragma once
// The names files give the stored fields: every field of a contact and of an account with the caption it has in
// exported files, in messages and in the pick lists of the CSV mapping step. The contacts CSV columns and the
// accounts CSV columns come first, named and ordered as those files name them; every other field follows.

#include <QString>
#include <vector>

namespace qv {

struct FieldCaption {
    const char* column; // of People or Accounts
    const char* caption;
};

const std::vector<FieldCaption>& contactFieldCaptions(); // every People column but the two keys
const std::vector<FieldCaption>& accountFieldCaptions(); // every Accounts column but the key

// The caption of a column, or the column's own name when it has none.
QString contactFieldCaption(const QString& column);
QString accountFieldCaption(const QString& column);

} // namespace qv
