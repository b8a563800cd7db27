// The cursor and the markers to the frame: the cursor's frame, and the keys
// that move the cursor and the markers.
#include "app/TMainForm.h"
#include "core/ControlTable.h"
#include "core/Markers.h"

namespace tw {

std::uint64_t TMainForm::cursorFrame() const
{
    const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    if (position != BASS_ERROR_QWORD && position == cursorBytes_)
        return cursorFrame_;
    return std::min<std::uint64_t>(std::uint64_t{cursorColumn()} * zoom, frameCount);
}

void TMainForm::setCursorFrame(std::uint64_t frame)
{
    if (!loaded || stream == 0)
        return;
    frame = std::min<std::uint64_t>(frame, frameCount);
    const std::uint64_t bytes = frame * DocumentState::frameSize;
    // After the last frame the player stands where End has always put it: in
    // the last column.
    const std::uint32_t last = columnCount == 0 ? 0 : columnCount - 1;
    const QWORD position = bytes < streamLength ? bytes : columnFirstFrame(last, streamLength, columnCount, DocumentState::frameSize);
    BASS_ChannelSetPosition(stream, position, BASS_POS_BYTE);
    cursorBytes_ = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    cursorFrame_ = frame;
    UpdateControls(playState);
    PaintBox1Paint();
}

}  // namespace tw
