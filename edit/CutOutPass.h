// Cut Out: only the range stays, moved down to the start of the data.
#pragma once

#include "edit/EditBody.h"

namespace tw {

bool cutOutPass(File& work, DocumentState& doc, const EditRange& range, Progress& progress);

}  // namespace tw
