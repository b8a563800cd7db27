#include <gtest/gtest.h>

#include "core/DocumentState.h"
#include "core/Layout.h"
#include "core/StatusText.h"
#include "i18n/LanguageText.h"

TEST(StatusText, Duration)
{
    EXPECT_EQ(tw::durationText(0), "00:00:00");
    EXPECT_EQ(tw::durationText(3725), "01:02:05");
    EXPECT_EQ(tw::durationText(59), "00:00:59");
    EXPECT_EQ(tw::durationText(3600 * 99 + 59 * 60 + 59), "99:59:59");
    EXPECT_EQ(tw::durationText(360000), "100:00:00");
    EXPECT_EQ(tw::durationText(0xFFFFFFFFu), "1193046:28:15");
}

TEST(StatusText, FormatPanel)
{
    const tw::LanguageText texts;
    EXPECT_EQ(tw::formatText(44100, 2, 16, texts), "44100 Hz   Stereo   16Bits");
    EXPECT_EQ(tw::formatText(8000, 1, 8, texts), "8000 Hz   Mono   8Bits");
    // Any channel count but 1 is stereo.
    EXPECT_EQ(tw::formatText(22050, 0, 16, texts), "22050 Hz   Stereo   16Bits");
}

TEST(StatusText, ThreePanels)
{
    tw::DocumentState doc;
    doc.sampleRate = 48000;
    doc.channels = 1;
    doc.bitsPerSample = 16;
    doc.durationSeconds = 3725;
    doc.sourcePath = "/music/my song.wav";
    const auto panels = tw::statusTexts(doc, tw::LanguageText{});
    EXPECT_EQ(panels[0], "48000 Hz   Mono   16Bits");
    EXPECT_EQ(panels[1], "01:02:05");
    EXPECT_EQ(panels[2], "/music/my song.wav");
}

TEST(LanguageText, BuiltInStatusWordsAndDefaults)
{
    const tw::LanguageText texts;
    EXPECT_EQ(texts.read("StatusBar", "Mono", ""), "Mono");
    EXPECT_EQ(texts.read("StatusBar", "Stereo", ""), "Stereo");
    EXPECT_EQ(texts.read("StatusBar", "Bits", ""), "Bits");
    EXPECT_EQ(texts.read("StatusBar", "Other", "x"), "x");
    EXPECT_EQ(texts.read("Menu", "Mono", "d"), "d");
}

TEST(Layout, PaintBoxTop)
{
    EXPECT_EQ(tw::paintBoxTop(0), 0);
    EXPECT_EQ(tw::paintBoxTop(200), 0);
    EXPECT_EQ(tw::paintBoxTop(251), 0);
    EXPECT_EQ(tw::paintBoxTop(252), 0);  // half a pixel, truncated
    EXPECT_EQ(tw::paintBoxTop(253), 1);
    EXPECT_EQ(tw::paintBoxTop(351), 50);
    EXPECT_EQ(tw::paintBoxTop(352), 50);
}
