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

TEST(ControlTable, MarkerComparisonsAreUnsigned)
{
    ControlInputs in = inputs(2);
    // A column that wrapped below zero is huge, not negative.
    in.p = tw::playColumn(10, 0xFFFFFFFFu - 999, 20);  // position -1000 → column -500
    EXPECT_GT(in.p, 0x7FFFFFFFu);
    in.selStart = 0;
    in.selFinish = 10;
    EXPECT_FALSE(controlFlags(in).setStart);
    EXPECT_TRUE(controlFlags(in).setFinish);
    // A finish marker of columnCount - 1 with no columns is huge too.
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

TEST(PlayColumn, OnlyTheLowSignedWordOfThePositionCounts)
{
    // High half ignored.
    EXPECT_EQ(tw::playColumn(10, (QWORD{7} << 32) | 500, 1000), 5u);
    // The error value reads as -1: a fraction of a column, truncated to 0.
    EXPECT_EQ(tw::playColumn(10, BASS_ERROR_QWORD, 1000), 0u);
    // -3000 bytes of 1000 with 10 columns: -30, wrapped.
    EXPECT_EQ(tw::playColumn(10, static_cast<std::uint32_t>(-3000), 1000), static_cast<std::uint32_t>(-30));
}
