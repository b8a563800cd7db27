// Delete: the data behind the range moves down over it; the file ends with
// the data (chunks that stood behind it are dropped, never heard as sound).
#pragma once

#include "edit/EditBody.h"

namespace tw {

// The markers end one column from the old start.
EditPass deletePass();

}  // namespace tw
