// Placement of the waveform inside its scroll box.
#pragma once

namespace tw {

// Top of PaintBox1: centred-ish below a 251-pixel band, 0 in a low box.
constexpr int paintBoxTop(int scrollBoxHeight)
{
    return scrollBoxHeight > 251 ? (scrollBoxHeight - 251) / 2 : 0;
}

}  // namespace tw
