#include <gtest/gtest.h>

#include <cstdint>

#include "core/ControlTable.h"

using tw::ControlFlags;
using tw::ControlInputs;
using tw::controlFlags;

namespace {

ControlInputs inputs(std::int32_t state)
{
    ControlInputs in;
    in.state = state;
    in.zoom10Checked = true;  // the start zoom
    in.p = 5;
    in.selStart = 0;
    in.selFinish = 10;
    return in;
}

}  // namespace

TEST(ControlTable, NoDocumentEnablesOnlyOpen)
{
    ControlInputs in = inputs(0);
    in.modified = true;
    in.zoom10Checked = false;
    const ControlFlags f = controlFlags(in);
    ControlFlags expected;
    expected.open = true;
    EXPECT_EQ(f, expected);
}

TEST(ControlTable, TransportRowsPerState)
{
    struct Row {
        int state;
        bool play, pause, stop;
    };
    for (const Row r : {Row{1, true, false, false}, Row{2, false, true, true}, Row{3, true, false, true}}) {
        SCOPED_TRACE(r.state);
        const ControlFlags f = controlFlags(inputs(r.state));
        EXPECT_FALSE(f.open);
        EXPECT_TRUE(f.doc);
        EXPECT_EQ(f.play, r.play);
        EXPECT_EQ(f.pause, r.pause);
        EXPECT_EQ(f.stop, r.stop);
    }
}

TEST(ControlTable, SaveFollowsModifiedInEveryDocumentState)
{
    for (int state = 1; state <= 3; ++state) {
        ControlInputs in = inputs(state);
        EXPECT_FALSE(controlFlags(in).save);
        in.modified = true;
        EXPECT_TRUE(controlFlags(in).save);
    }
}

TEST(ControlTable, ZoomButtonsFollowTheCheckMarks)
{
    for (int state = 1; state <= 3; ++state) {
        ControlInputs in = inputs(state);
        in.zoom10Checked = true;
        in.zoom1Checked = false;
        EXPECT_TRUE(controlFlags(in).zoomIn);
        EXPECT_FALSE(controlFlags(in).zoomOut);
        in.zoom10Checked = false;
        in.zoom1Checked = true;
        EXPECT_FALSE(controlFlags(in).zoomIn);
        EXPECT_TRUE(controlFlags(in).zoomOut);
        in.zoom1Checked = false;  // a middle zoom
        EXPECT_TRUE(controlFlags(in).zoomIn);
        EXPECT_TRUE(controlFlags(in).zoomOut);
    }
}

TEST(ControlTable, SetStartOnlyLeftOfFinish)
{
    for (int state = 1; state <= 3; ++state) {
        ControlInputs in = inputs(state);
        in.selStart = 2;
        in.selFinish = 10;
        in.p = 9;
        EXPECT_TRUE(controlFlags(in).setStart);
        in.p = 10;  // in the finish marker's column
        EXPECT_FALSE(controlFlags(in).setStart);
        in.p = 11;
        EXPECT_FALSE(controlFlags(in).setStart);
    }
}

TEST(ControlTable, SetFinishOnlyRightOfStart)
{
    ControlInputs in = inputs(1);
    in.selStart = 4;
    in.p = 4;
    EXPECT_FALSE(controlFlags(in).setFinish);
    in.p = 5;
    EXPECT_TRUE(controlFlags(in).setFinish);
}

TEST(ControlTable, CopyAndCutNeedARangePasteAClipboardBothADocument)
{
    const struct {
        int state;
        bool range, clipboard;
        bool rangeRow, pasteRow;
    } rows[] = {
        {0, true, true, false, false},  {1, false, false, false, false}, {1, true, false, true, false},
        {1, false, true, false, true},  {2, true, true, true, true},     {3, true, true, true, true},
        {3, false, false, false, false},
    };
    for (const auto& r : rows) {
        ControlInputs in = inputs(r.state);
        in.rangeHoldsSound = r.range;
        in.clipboardHoldsSound = r.clipboard;
        const ControlFlags f = controlFlags(in);
        EXPECT_EQ(f.range, r.rangeRow) << r.state << r.range << r.clipboard;
        EXPECT_EQ(f.paste, r.pasteRow) << r.state << r.range << r.clipboard;
    }
}

TEST(ControlTable, MarkerComparisonsAreUnsigned)
{
    // A finish marker of columnCount - 1 with no columns is huge, not negative.
    ControlInputs in = inputs(2);
    in.p = 3;
    in.selFinish = 0xFFFFFFFFu;
    EXPECT_TRUE(controlFlags(in).setStart);
}

TEST(PlayColumn, ProportionalAndTruncated)
{
    EXPECT_EQ(tw::playColumn(794, 0, 1000), 0u);
    EXPECT_EQ(tw::playColumn(794, 500, 1000), 397u);
    EXPECT_EQ(tw::playColumn(3, 999, 1000), 2u);    // 2.997
    EXPECT_EQ(tw::playColumn(3, 1000, 1000), 3u);
    // Large values that overflow 32-bit integer products.
    EXPECT_EQ(tw::playColumn(100000, 2000000000, 2100000000), 95238u);
}

TEST(PlayColumn, SafeOnEmptyStreams)
{
    EXPECT_EQ(tw::playColumn(10, 123, 0), 0u);
    EXPECT_EQ(tw::playColumn(0, 123, 1000), 0u);
    EXPECT_EQ(tw::playColumn(10, BASS_ERROR_QWORD, 0), 0u);
}

TEST(PlayColumn, PositionsAreUnsignedUpToFourGigabytes)
{
    const struct {
        std::uint32_t columns;
        QWORD position;
        std::uint32_t length;
        std::uint32_t column;
    } cases[] = {
        {10, (QWORD{7} << 32) | 500, 1000, 5},          // the high half does not count
        {10, BASS_ERROR_QWORD, 1000, 0},                // a freed stream
        {55566, 0x80000000u, 2222640000u, 53687},       // past 2^31 bytes: 3 h 22 min of CD sound
        {55566, 2222639999u, 2222640000u, 55565},
        {1073742, 0xFFFFFFFCu, 0xFFFFFFFCu, 1073742},   // the last byte of a 4 GiB work file
        {1073742, 0xFFFFFFF8u, 0xFFFFFFFCu, 1073741},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tw::playColumn(c.columns, c.position, c.length), c.column) << c.position;
}

TEST(PlayColumn, FirstFrameOfAColumnShowsInThatColumn)
{
    // Columns whose byte size is not a whole number of frames, short and long
    // documents: the position a click, Play From Here and End give must be a
    // whole frame in the column asked for, and the frame before it must not be.
    const struct {
        std::uint32_t columns, length, frameSize;
    } documents[] = {
        {47, 463050 * 4, 4},            // 463 050 frames at 10 : 1
        {2, 10001, 1},                  // 8-bit mono, one frame over a column
        {55566, 555660000u * 4, 4},     // 3 h 30 min at 10 : 1, past 2^31
        {1073742, 0xFFFFFFFCu, 4},      // 4 GiB at 1 : 1
        {441, 441000 * 2, 2},           // 16-bit mono at 1 : 1
    };
    for (const auto& d : documents) {
        for (std::uint32_t column : {0u, 1u, 7u, d.columns / 2, d.columns - 2, d.columns - 1}) {
            if (column >= d.columns)
                continue;
            const std::uint32_t p = tw::columnFirstFrame(column, d.length, d.columns, d.frameSize);
            EXPECT_EQ(p % d.frameSize, 0u) << column << " of " << d.columns;
            EXPECT_EQ(tw::playColumn(d.columns, p, d.length), column) << column << " of " << d.columns;
            if (p >= d.frameSize) {
                EXPECT_LT(tw::playColumn(d.columns, p - d.frameSize, d.length), column) << column;
            }
        }
    }
    EXPECT_EQ(tw::columnFirstFrame(3, 100, 0, 4), 0u);
}
