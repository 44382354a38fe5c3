#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "GraphicsTestSupport.h"
#include "graphics/ImageCache.h"
#include "graphics/PngWriter.h"
#include "graphics/Renderer.h"

using namespace frame::graphics;
using frame::graphics::test::TempDir;

TEST(PngOutput, RoundTripKeepsStraightColours)
{
  Surface s(3, 2);
  Renderer r(s);
  r.FillRect(IColor(255, 10, 200, 30), IRECT(0.f, 0.f, 1.f, 1.f));
  r.FillRect(IColor(128, 255, 64, 0), IRECT(1.f, 0.f, 2.f, 1.f));
  r.FillRect(IColor(255, 255, 255, 255), IRECT(0.f, 1.f, 3.f, 2.f));

  TempDir dir;
  const std::string path = dir.File("out.png");
  // A file of the user's under the obvious temporary name is none of the writer's business.
  std::FILE* mine = std::fopen((path + ".tmp").c_str(), "w");
  ASSERT_NE(mine, nullptr);
  std::fputs("keep", mine);
  std::fclose(mine);
  ASSERT_TRUE(WritePNG(s, path));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.File("")))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"out.png", "out.png.tmp"})) << "no temporary is left behind";
  EXPECT_EQ(std::filesystem::file_size(path + ".tmp"), 4u);

  int w = 0, h = 0, comp = 0;
  stbi_uc* px = stbi_load(path.c_str(), &w, &h, &comp, 4);
  ASSERT_NE(px, nullptr);
  ASSERT_EQ(w, 3);
  ASSERT_EQ(h, 2);
  auto at = [&](int x, int y) { return px + (y * w + x) * 4; };
  EXPECT_EQ(at(0, 0)[0], 10);
  EXPECT_EQ(at(0, 0)[1], 200);
  EXPECT_EQ(at(0, 0)[2], 30);
  EXPECT_EQ(at(0, 0)[3], 255);
  // Premultiplied storage loses a little precision at partial alpha, never more than that.
  EXPECT_EQ(at(1, 0)[3], 128);
  EXPECT_NEAR(at(1, 0)[0], 255, 1);
  EXPECT_NEAR(at(1, 0)[1], 64, 1);
  EXPECT_EQ(at(2, 0)[3], 0);
  EXPECT_EQ(at(2, 1)[0], 255);
  stbi_image_free(px);

  // Loading it back as a bitmap gives the same pixels.
  const IBitmap bm = LoadBitmap(dir.Path(), "out.png", 1, false, 1);
  ASSERT_TRUE(bm.IsValid());
  EXPECT_EQ(bm.GetAPIBitmap()->Pixels().At(1, 0), s.At(1, 0));
  ImageCache::Instance().Clear();
}

TEST(PngOutput, UnwritablePathFailsWithoutLeftovers)
{
  Surface s(2, 2);
  EXPECT_FALSE(WritePNG(s, "/nonexistent-dir/out.png"));
  EXPECT_FALSE(WritePNG(Surface(), "/tmp/never-written.png"));
}

TEST(XRGBOutput, CopiesColourOverBlackForTheRect)
{
  Surface s(4, 3);
  Renderer r(s);
  r.FillRect(IColor(255, 0x12, 0x34, 0x56), IRECT(0.f, 0.f, 4.f, 3.f));
  r.FillRect(IColor(128, 255, 255, 255), IRECT(2.f, 1.f, 3.f, 2.f));
  s.Set(3, 2, pixel::Pack(0, 0, 0, 0));

  std::vector<uint32_t> out(3 * 2, 0xDEADBEEFu);
  s.CopyToXRGB({1, 1, 4, 3}, out.data(), 3);
  EXPECT_EQ(out[0], 0x00123456u);
  // 0x12 + 0x80 * ... : white at alpha 128 over the opaque fill.
  const uint32_t over = s.At(2, 1) & 0x00FFFFFFu;
  EXPECT_EQ(out[1], over);
  EXPECT_EQ(out[5], 0x00000000u);

  // Pixels of the rect outside the surface are left alone.
  std::vector<uint32_t> edge(2 * 2, 0xDEADBEEFu);
  s.CopyToXRGB({3, 2, 5, 4}, edge.data(), 2);
  EXPECT_EQ(edge[0], 0x00000000u);
  EXPECT_EQ(edge[1], 0xDEADBEEFu);
  EXPECT_EQ(edge[2], 0xDEADBEEFu);
}
