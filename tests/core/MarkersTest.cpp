// The markers in frames: what the column commands, the frame commands and
// the end-of-sound rule give, at each of the six zoom levels.
#include <gtest/gtest.h>

#include "core/Markers.h"

namespace {

TEST(Markers, ColumnsAndFramesAtEveryZoom)
{
    for (const std::uint32_t zoom : {10000u, 8000u, 6000u, 4000u, 2000u, 1000u}) {
        tw::DocumentState doc;
        doc.zoom = zoom;
        doc.frameCount = 123'457;
        doc.columnCount = (doc.frameCount + zoom - 1) / zoom;
        const std::uint32_t last = doc.columnCount - 1;

        // Column commands: column × zoom, and a column written on its own
        // after a frame mark counts as its column again.
        tw::setMarkerFrames(doc, 3 * zoom + 17, 5 * zoom + 1);
        EXPECT_EQ(std::pair(doc.selStart, doc.selFinish), std::pair(3u, 6u)) << zoom;
        EXPECT_EQ(tw::finishFrameToEnd(doc), 5u * zoom + 1) << zoom;
        tw::setStartColumn(doc, 3);
        EXPECT_EQ(tw::startFrame(doc), 3u * zoom) << zoom;
        doc.selFinish = 4;
        EXPECT_EQ(tw::finishFrame(doc), 4u * zoom) << zoom;
        tw::setFinishFrame(doc, 4u * zoom + 9);
        doc.zoom = zoom / 2;  // a zoom set without the markers
        EXPECT_EQ(tw::finishFrame(doc), 5u * (zoom / 2)) << zoom;  // the column it reached into
        doc.zoom = zoom;

        // The finish on the last column: the end of the sound when a column
        // command put it there right of the start, not when set to a frame.
        tw::setFinishColumn(doc, last);
        EXPECT_EQ(tw::finishFrameToEnd(doc), 123'457u) << zoom;
        tw::setStartColumn(doc, last);
        EXPECT_EQ(tw::finishFrameToEnd(doc), std::uint64_t{last} * zoom) << zoom;
        tw::setStartColumn(doc, 0);
        tw::setFinishFrame(doc, std::uint64_t{last} * zoom);
        EXPECT_EQ(tw::finishFrameToEnd(doc), std::uint64_t{last} * zoom) << zoom;
        // After the last frame: the last column.
        tw::setFinishFrame(doc, doc.frameCount);
        EXPECT_EQ(doc.selFinish, last) << zoom;
    }
}

}  // namespace
