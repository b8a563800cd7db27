// Cut Out: only the range stays, moved down to the start of the data.
#pragma once

#include "edit/EditBody.h"

namespace tw {

// Afterwards the whole sound is selected.
EditPass cutOutPass();

}  // namespace tw
