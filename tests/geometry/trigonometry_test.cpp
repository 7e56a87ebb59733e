#include "geometry/trigonometry.h"

#include <gtest/gtest.h>

namespace {

// Angles the program turns through, with the sine and cosine the C library of Linux gives for
// them (correctly rounded). The cylinder's circle angles are (2 i) 3.1415926 / 30; at i = 15 and
// i = 30 they lie next to pi and 2 pi, where the Windows runtime's own sine is off in its last
// digits. The tilts are one degree halved k times.
struct Turn {
  double angle, sine, cosine;
};
const Turn kTurns[] = {
    {0x1.acee9ebcfd5a4p-3, 0x1.a9cd9a4c12e4ap-3, 0x1.f4cfc32e01752p-1},    // circle, i = 1
    {0x1.7750cae55dafp+0, 0x1.fd31f93912009p-1, 0x1.ac261060eec26p-4},     // i = 7
    {0x1.921fb4d12d84ap+1, 0x1.cc553391a625fp-25, -0x1.ffffffffffff3p-1},  // i = 15
    {0x1.26e40d21ee2e1p+2, -0x1.fd31f908f3d18p-1, -0x1.ac261eaf6bd1ap-4},  // i = 22
    {0x1.921fb4d12d84ap+2, -0x1.cc553391a6254p-24, 0x1.fffffffffffccp-1},  // i = 30
    {0x1.1df46a2529d39p-6, 0x1.1df0b2b89dd1ep-6, 0x1.ffec097f5af8ap-1},    // tilt, k = 0
    {0x1.1df46a2529d39p-16, 0x1.1df46a24ee5c9p-16, 0x1.fffffffec095ep-1},  // k = 10
    {0x1.1df46a2529d39p-34, 0x1.1df46a2529d39p-34, 0x1p+0},                // k = 28
};

TEST(Trigonometry, TheProgramsAnglesGiveTheSameBitsOnEverySystem) {
  for (const Turn& turn : kTurns) {
    SCOPED_TRACE(turn.angle);
    EXPECT_EQ(sine(turn.angle), turn.sine);
    EXPECT_EQ(cosine(turn.angle), turn.cosine);
    EXPECT_EQ(sine(-turn.angle), -turn.sine);
  }
}

}  // namespace
