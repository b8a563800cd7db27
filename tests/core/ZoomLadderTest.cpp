// The zoom ladder and the fit level for short and long documents.
#include <gtest/gtest.h>

#include "core/ZoomLadder.h"

namespace {

TEST(ZoomLadder, LevelsAndFitForShortAndLongDocuments)
{
    using Levels = std::vector<std::uint32_t>;
    const Levels finer{1, 2, 5, 10, 20, 50, 100, 200, 500};
    const Levels menu{1000, 2000, 4000, 6000, 8000, 10000};
    const auto join = [](std::initializer_list<Levels> parts) {
        Levels all;
        for (const Levels& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    struct Case {
        const char* what;
        std::uint64_t frames;  // 44.1 kHz, a 700-column view
        std::uint32_t fit;
        Levels ladder;
        std::uint32_t after10000;  // the wheel's step out of 10 : 1
    };
    const Case cases[] = {
        {"1 s", 44'100, 63, join({finer, menu}), 10000},
        {"3 min", 7'938'000, 11'400, join({finer, menu, {11'400}}), 11'400},
        {"1 h", 158'760'000, 226'800, join({{10, 20, 50, 100, 200, 500}, menu, {20'000, 50'000, 100'000, 200'000, 226'800}}), 20'000},
        {"6 h", 952'560'000, 1'360'800,
         join({{100, 200, 500}, menu, {20'000, 50'000, 100'000, 200'000, 500'000, 1'000'000, 1'360'800}}), 20'000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tw::fitZoom(c.frames, 700), c.fit) << c.what;
        EXPECT_LE((c.frames + c.fit - 1) / c.fit, 700u) << c.what;
        const Levels ladder = tw::zoomLadder(c.frames, 700);
        EXPECT_EQ(ladder, c.ladder) << c.what;
        // One step each way, and none past either end.
        EXPECT_EQ(tw::ladderStep(ladder, 1000, -1), 500u) << c.what;
        EXPECT_EQ(tw::ladderStep(ladder, 10000, 1), c.after10000) << c.what;
        EXPECT_EQ(tw::ladderStep(ladder, ladder.front(), -1), ladder.front()) << c.what;
        EXPECT_EQ(tw::ladderStep(ladder, ladder.back(), 1), ladder.back()) << c.what;
        EXPECT_EQ(tw::ladderStep(ladder, 1500, 1), 2000u) << c.what;  // from a level off the ladder
    }
}

}  // namespace
