// Where a saved window rectangle ends up on a monitor's work area.
#include "ui/placement.h"

#include <gtest/gtest.h>

namespace {

using ui::Box;

const Box Work = {0, 0, 1920, 1040};

TEST(MoveInside, KeepsSizeAndMovesAsLittleAsNeeded) {
  struct {
    const char* what;
    Box saved;
    Box expected;
  } cases[] = {
      {"already inside", {100, 100, 800, 600}, {100, 100, 800, 600}},
      {"left of a removed monitor", {-1700, 200, -1000, 700}, {0, 200, 700, 700}},
      {"right of the area", {2500, 300, 3200, 800}, {1220, 300, 1920, 800}},
      {"below the area", {50, 1200, 750, 1700}, {50, 540, 750, 1040}},
      {"above and left", {-900, -700, -200, -200}, {0, 0, 700, 500}},
  };
  for (const auto& c : cases) {
    Box got = ui::moveInside(c.saved, Work);
    EXPECT_EQ(got.left, c.expected.left) << c.what;
    EXPECT_EQ(got.top, c.expected.top) << c.what;
    EXPECT_EQ(got.right, c.expected.right) << c.what;
    EXPECT_EQ(got.bottom, c.expected.bottom) << c.what;
  }
}

TEST(MoveInside, CutsAWindowLargerThanTheArea) {
  Box got = ui::moveInside({-100, -100, 3000, 2000}, Work);
  EXPECT_EQ(got.left, 0);
  EXPECT_EQ(got.top, 0);
  EXPECT_EQ(got.right, 1920);
  EXPECT_EQ(got.bottom, 1040);
}

}  // namespace

namespace {

// Dialogs open over their window, and the entry dialog below its row, above it where the screen ends.
TEST(DialogPlace, CentredOnTheOwnerOrBesideTheRowAndOnTheScreen) {
  const struct {
    const char* what;
    Box got, expected;
  } cases[] = {
      {"centred", ui::centredOn(400, 300, {100, 100, 900, 700}, Work), {300, 250, 700, 550}},
      {"owner at the screen's edge", ui::centredOn(400, 300, {-300, 0, 100, 200}, Work), {0, 0, 400, 300}},
      {"below the row", ui::besideRow(400, 300, {50, 200, 850, 220}, Work), {74, 220, 474, 520}},
      {"above a row near the bottom", ui::besideRow(400, 300, {50, 900, 850, 920}, Work), {74, 600, 474, 900}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.got.left, c.expected.left) << c.what;
    EXPECT_EQ(c.got.top, c.expected.top) << c.what;
    EXPECT_EQ(c.got.right, c.expected.right) << c.what;
    EXPECT_EQ(c.got.bottom, c.expected.bottom) << c.what;
  }
}

}  // namespace
