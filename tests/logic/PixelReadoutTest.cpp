#include "HandMadeFrame.h"
#include "PixelReadout.h"

#include <gtest/gtest.h>

#include <limits>

TEST(PixelReadout, ShowsColourAlphaAndEveryChannelOfThePixel)
{
    HandMadeFrame made(3, 2);
    made.SetColour(2, 1, 32768, 65535, 0, 13107);
    made.Set(kChannelZ, 2, 1, 12.5f);
    made.Set(kChannelC, 2, 1, std::uint8_t(200));
    made.Set(kChannelI, 2, 1, std::uint16_t(2));
    made.Set(kChannelO, 2, 1, std::uint16_t(41));
    made.SetVector(kChannelV, 2, 1, 1.5f, -0.25f);
    made.SetVector(kChannelU, 2, 1, 0.75f, 0.125f);
    made.SetFileBytes(kChannelN, 2, 1, {0x7f, 0xff, 0x00, 0x0a});
    made.SetFileBytes(kChannelB, 2, 1, {1, 2, 0xab});
    made.SetNames({"ground", "ball"});
    const PixelReadout readout(made.Frame());

    EXPECT_EQ(readout.Text(2, 1).toStdString(),
              "x 2 y 1  RGB 65535 0 13107 (1.0000 0.0000 0.2000)  A 32768 (0.5000)  Z 12.5  O 41  U 0.75 0.125  "
              "N 7f ff 00 0a  C 200  B 01 02 ab  I 2 \"ball\"  V 1.5 -0.25");
    // A background depth reads as it is stored; ID 0 names nothing.
    made.Set(kChannelZ, 0, 0, 1.0e30f);
    EXPECT_EQ(PixelReadout(made.Frame()).Text(0, 0).toStdString(),
              "x 0 y 0  RGB 0 0 0 (0.0000 0.0000 0.0000)  A 0 (0.0000)  Z 1e+30  O 0  U 0 0  N 00 00 00 00  C 0  "
              "B 00 00 00  I 0  V 0 0");

    EXPECT_TRUE(readout.Text(3, 1).isEmpty());
    EXPECT_TRUE(readout.Text(0, 2).isEmpty());
    EXPECT_TRUE(readout.Text(-1, 0).isEmpty());
}

TEST(PixelReadout, LeavesOutAlphaAndChannelsTheFileLacks)
{
    HandMadeFrame made(1, 1);
    made.SetHasAlpha(false);
    made.SetColour(0, 0, 0, 257, 514, 65535);
    EXPECT_EQ(PixelReadout(made.Frame()).Text(0, 0).toStdString(), "x 0 y 0  RGB 257 514 65535 (0.0039 0.0078 1.0000)");
}

TEST(PixelReadout, FloatFilesShowTheirFloatsNotTheWords)
{
    // Values a word cannot tell apart (both are word 59096), above 1 and
    // below 0, and the few digits of round ones.
    HandMadeFrame made(2, 1);
    made.SetFloats(0, 0, 0.9017532f, 0.9017472f, 8.0f, 0.5f);
    made.SetColour(0, 0, 32767, 59096, 59096, 65535);
    made.SetFloats(1, 0, -0.0625f, std::numeric_limits<float>::quiet_NaN(), 1e-7f, 1.0f);
    EXPECT_EQ(PixelReadout(made.Frame()).Text(0, 0).toStdString(), "x 0 y 0  RGB 0.9017532 0.9017472 8  A 0.5");
    EXPECT_EQ(PixelReadout(made.Frame()).Text(1, 0).toStdString(), "x 1 y 0  RGB -0.0625 nan 1e-07  A 1");
    made.SetHasAlpha(false);
    EXPECT_EQ(PixelReadout(made.Frame()).Text(0, 0).toStdString(), "x 0 y 0  RGB 0.9017532 0.9017472 8");
}

TEST(PixelReadout, NodeIdsNameObjectsOnlyWhenEveryIdIndexesTheNames)
{
    HandMadeFrame made(3, 1);
    made.Set(kChannelI, 0, 0, std::uint16_t(0));
    made.Set(kChannelI, 1, 0, std::uint16_t(1));
    made.Set(kChannelI, 2, 0, std::uint16_t(3));
    made.SetNames({"ground", "ball", "cube"});
    const PixelReadout indexed(made.Frame());
    EXPECT_TRUE(indexed.IdsIndexNames());
    EXPECT_EQ(indexed.NodeName(1), QStringLiteral("ground"));
    EXPECT_EQ(indexed.NodeName(3), QStringLiteral("cube"));
    EXPECT_TRUE(indexed.NodeName(0).isEmpty());
    EXPECT_TRUE(indexed.Text(2, 0).endsWith(QStringLiteral("I 3 \"cube\"")));

    // One ID beyond the list anywhere in the frame: the numbering is not the
    // list's, so no pixel gets a name.
    made.Set(kChannelI, 0, 0, std::uint16_t(4));
    const PixelReadout beyond(made.Frame());
    EXPECT_FALSE(beyond.IdsIndexNames());
    EXPECT_TRUE(beyond.NodeName(1).isEmpty());
    EXPECT_TRUE(beyond.Text(2, 0).endsWith(QStringLiteral("I 3")));

    made.Set(kChannelI, 0, 0, std::uint16_t(0));
    made.SetNames({});
    EXPECT_FALSE(PixelReadout(made.Frame()).IdsIndexNames());
}
