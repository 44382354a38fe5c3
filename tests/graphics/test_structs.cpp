#include <gtest/gtest.h>

#include "graphics/IGraphicsStructs.h"

using namespace frame::graphics;

TEST(IRECTHitTest, LeftAndTopEdgesBelongRightAndBottomDoNot)
{
  const IRECT r(10.f, 20.f, 30.f, 40.f);
  EXPECT_TRUE(r.Contains(10.f, 20.f));
  EXPECT_TRUE(r.Contains(29.99f, 39.99f));
  EXPECT_FALSE(r.Contains(30.f, 25.f));
  EXPECT_FALSE(r.Contains(15.f, 40.f));
  EXPECT_FALSE(r.Contains(9.99f, 25.f));
}

TEST(IRECTCentring, FollowsMidpointMinusHalfSize)
{
  // An odd source width keeps the fraction: no rounding to whole units.
  const IRECT c = IRECT(0.f, 0.f, 101.f, 50.f).GetCentredInside(20.f, 10.f);
  EXPECT_FLOAT_EQ(c.L, 40.5f);
  EXPECT_FLOAT_EQ(c.T, 20.f);
  EXPECT_FLOAT_EQ(c.R, 60.5f);
  EXPECT_FLOAT_EQ(c.B, 30.f);
  // A larger rectangle centred inside a smaller one sticks out evenly.
  const IRECT big = IRECT(10.f, 10.f, 20.f, 20.f).GetCentredInside(30.f, 30.f);
  EXPECT_EQ(big, IRECT(0.f, 0.f, 30.f, 30.f));
}

TEST(IRECTSetOps, UnionIgnoresEmptyAndIntersectOfDisjointIsEmpty)
{
  const IRECT a(0.f, 0.f, 10.f, 10.f), b(20.f, 5.f, 30.f, 15.f);
  EXPECT_EQ(IRECT().Union(a), a);
  EXPECT_EQ(a.Union(IRECT()), a);
  EXPECT_EQ(a.Union(b), IRECT(0.f, 0.f, 30.f, 15.f));
  EXPECT_TRUE(a.Intersect(b).Empty());
  // Touching edges share no area.
  EXPECT_FALSE(a.Intersects(IRECT(10.f, 0.f, 20.f, 10.f)));
  EXPECT_EQ(a.Intersect(IRECT(5.f, 5.f, 50.f, 50.f)), IRECT(5.f, 5.f, 10.f, 10.f));
}

TEST(ITextFont, IdentifierIsCutToTheField)
{
  IText t;
  EXPECT_STREQ(t.mFont, "Roboto-Regular");
  const std::string longID(100, 'x');
  t.SetFont(longID.c_str());
  EXPECT_EQ(std::string(t.mFont), std::string(63, 'x'));
}
