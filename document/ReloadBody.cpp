#include "document/ReloadBody.h"

#include "document/Overview.h"
#include "wav/File.h"

namespace tw {

bool runReloadBody(DocumentState& doc, Progress& progress, Messenger& messages)
{
    File work = File::openRead(doc.workPath);
    if (!work) {
        messages.inform(kMsgCannotOpenTemp);
        return false;
    }
    work.seek(doc.dataOffset);
    rebuildViewOverview(work, doc, progress, {0, ColumnPercent::Reload});
    return true;
}

}  // namespace tw
