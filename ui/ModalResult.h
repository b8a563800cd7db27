// Results a modal window closes with.
#pragma once

namespace tw {

enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3 };

}  // namespace tw
