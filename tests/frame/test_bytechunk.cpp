#include <gtest/gtest.h>

#include "frame/IByteChunk.h"

using frame::IByteChunk;

TEST(ByteChunk, ValuesRoundTripLittleEndian)
{
  IByteChunk c;
  const double d = 0.25;
  const int32_t i = 0x01020304;
  c.Put(&d);
  EXPECT_EQ(c.Put(&i), 12);
  EXPECT_EQ(c.GetData()[8], 0x04);
  double d2 = 0;
  int32_t i2 = 0;
  EXPECT_EQ(c.Get(&i2, c.Get(&d2, 0)), 12);
  EXPECT_EQ(d2, d);
  EXPECT_EQ(i2, i);
}

TEST(ByteChunk, ReadsPastTheEndFailAndLeaveTheDestination)
{
  IByteChunk c;
  const int32_t one = 1;
  c.Put(&one);
  c.Put(&one);
  double d = 7.0;
  EXPECT_EQ(c.Get(&d, 4), -1);
  EXPECT_EQ(d, 7.0);
  EXPECT_EQ(c.Get(&d, -1), -1);
  int32_t x = 0;
  EXPECT_EQ(c.Get(&x, c.Get(&d, 4)), -1); // a failure stops the whole chain
  EXPECT_EQ(c.GetBytes(&x, 4, 2147483647), -1);
}

TEST(ByteChunk, EmptyChunkHasNoData)
{
  IByteChunk c;
  EXPECT_EQ(c.GetData(), nullptr);
  EXPECT_EQ(c.Size(), 0);
}

TEST(ByteChunk, Strings)
{
  IByteChunk c;
  EXPECT_EQ(c.PutStr(""), 4);
  frame::IString s("keep");
  EXPECT_EQ(c.GetStr(s, 0), 4);
  EXPECT_STREQ(s.Get(), "");

  IByteChunk d;
  d.PutStr("abc");
  EXPECT_EQ(d.GetStr(s, 0), 7);
  EXPECT_STREQ(s.Get(), "abc");

  IByteChunk e;
  const int32_t tooLong = 100;
  e.Put(&tooLong);
  e.PutBytes("xy", 2);
  s.Set("keep");
  EXPECT_EQ(e.GetStr(s, 0), 104); // the too-large end, so the next read fails
  EXPECT_STREQ(s.Get(), "keep");
  EXPECT_EQ(e.GetStr(s, 104), -1);
}

TEST(ByteChunk, CopiesAreDeep)
{
  IByteChunk a;
  a.PutStr("abc");
  IByteChunk b = a;
  a.Clear();
  a.PutStr("zz");
  frame::IString s;
  b.GetStr(s, 0);
  EXPECT_STREQ(s.Get(), "abc");
  IByteChunk c;
  c.PutChunk(b);
  EXPECT_EQ(c.Size(), b.Size());
}
