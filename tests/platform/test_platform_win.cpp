// What only the Windows backend does: window placement in the registry.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(WinPlacement, RoundTripPerWindow) {
  const plat::Placement a{10, 20, 300, 400, false};
  const plat::Placement b{-5, 7, 640, 480, true};
  plat::SavePlacement("KcTestFormA", a);
  plat::SavePlacement("KcTestFormB", b);
  plat::Placement got;
  ASSERT_TRUE(plat::LoadPlacement("KcTestFormA", got));
  EXPECT_EQ(got.Left, 10);
  EXPECT_EQ(got.Top, 20);
  EXPECT_EQ(got.Width, 300);
  EXPECT_EQ(got.Height, 400);
  EXPECT_FALSE(got.Maximized);
  ASSERT_TRUE(plat::LoadPlacement("KcTestFormB", got));
  EXPECT_EQ(got.Left, -5);
  EXPECT_TRUE(got.Maximized);
  plat::Placement none;
  EXPECT_FALSE(plat::LoadPlacement("KcTestNeverSaved", none));
}

}  // namespace
