// The zoom ladder: frames per column from one frame up to the level that
// shows the whole sound in a given width, through the six menu levels.
#pragma once

#include <cstdint>
#include <vector>

namespace tw {

// The six levels of the Zoom menu, coarsest first.
inline constexpr std::uint32_t kMenuZooms[] = {10000, 8000, 6000, 4000, 2000, 1000};
// Below this the overview is read from the work file as it is drawn.
inline constexpr std::uint32_t kFinestOverviewZoom = 1000;
// The widest strip a widget can be.
inline constexpr std::uint64_t kMaxStripColumns = 16'777'215;

// The level that puts frameCount frames into width columns: from 1000 on a
// whole hundred, so that the overview looks at whole steps of 100 frames.
std::uint32_t fitZoom(std::uint64_t frameCount, std::uint32_t width);

// Every level, finest first: 1, 2, 5, ... 500, the six menu levels, and
// 20 000, 50 000, 100 000, ... up to the fit level, which ends the ladder
// when it is coarser than 10 000; no level whose strip would be wider than
// kMaxStripColumns.
std::vector<std::uint32_t> zoomLadder(std::uint64_t frameCount, std::uint32_t width);

// The next level of the ladder finer (direction < 0) or coarser than zoom;
// zoom itself where there is none.
std::uint32_t ladderStep(const std::vector<std::uint32_t>& ladder, std::uint32_t zoom, int direction);

}  // namespace tw
