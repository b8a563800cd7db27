#include "core/ZoomLadder.h"

#include <algorithm>
#include <limits>

namespace tw {

std::uint32_t fitZoom(std::uint64_t frameCount, std::uint32_t width)
{
    const std::uint64_t w = std::max(width, 1u);
    std::uint64_t zoom = std::max<std::uint64_t>((frameCount + w - 1) / w, 1);
    if (zoom > kFinestOverviewZoom)
        zoom = (zoom + 99) / 100 * 100;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(zoom, std::numeric_limits<std::uint32_t>::max() / 100 * 100));
}

std::vector<std::uint32_t> zoomLadder(std::uint64_t frameCount, std::uint32_t width)
{
    const std::uint32_t fit = fitZoom(frameCount, width);
    std::vector<std::uint32_t> ladder{1, 2, 5, 10, 20, 50, 100, 200, 500};
    ladder.insert(ladder.end(), std::begin(kMenuZooms), std::end(kMenuZooms));
    for (std::uint64_t decade = 10000; decade < fit; decade *= 10)
        for (const std::uint64_t m : {2, 5, 10})
            if (decade * m < fit)
                ladder.push_back(static_cast<std::uint32_t>(decade * m));
    if (fit > kMenuZooms[0])
        ladder.push_back(fit);
    std::sort(ladder.begin(), ladder.end());
    ladder.erase(std::unique(ladder.begin(), ladder.end()), ladder.end());
    std::erase_if(ladder, [frameCount](std::uint32_t zoom) { return (frameCount + zoom - 1) / zoom > kMaxStripColumns; });
    return ladder;
}

std::uint32_t ladderStep(const std::vector<std::uint32_t>& ladder, std::uint32_t zoom, int direction)
{
    if (direction < 0) {
        const auto finer = std::lower_bound(ladder.begin(), ladder.end(), zoom);
        return finer == ladder.begin() ? zoom : *(finer - 1);
    }
    const auto coarser = std::upper_bound(ladder.begin(), ladder.end(), zoom);
    return coarser == ladder.end() ? zoom : *coarser;
}

}  // namespace tw
