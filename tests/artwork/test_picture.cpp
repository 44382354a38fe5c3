#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "Picture.h"
#include "graphics/ImageCache.h"

namespace {

artwork::Picture solid(int w, int h, uint8_t r, uint8_t a)
{
  artwork::Picture p{w, h, {}};
  for (int i = 0; i < w * h; ++i)
    p.rgba.insert(p.rgba.end(), {r, 0, 0, a});
  return p;
}

std::string tempFolder()
{
  std::string t = (std::filesystem::temp_directory_path() / "mg_artwork_XXXXXX").string();
  return mkdtemp(t.data()) ? t : std::string();
}

} // namespace

TEST(ArtworkPicture, FramesStackTopToBottomInOrder)
{
  const artwork::Picture s = artwork::StackFrames({solid(3, 2, 10, 255), solid(3, 2, 20, 255)});
  EXPECT_EQ(s.width, 3);
  EXPECT_EQ(s.height, 4);
  EXPECT_EQ(s.rgba[0], 10);
  EXPECT_EQ(s.rgba[4 * 3 * 2], 20); // first pixel of the second frame
}

TEST(ArtworkPicture, WrittenPngDecodesToTheSamePixels)
{
  const std::string dir = tempFolder();
  ASSERT_FALSE(dir.empty());
  const artwork::Picture p = solid(5, 4, 200, 128);
  ASSERT_TRUE(artwork::WritePng(p, dir + "/p.png"));
  const frame::graphics::IBitmap b = frame::graphics::LoadBitmap(dir, "p.png", 1, false, 1);
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(b.W(), 5);
  EXPECT_EQ(b.H(), 4);
  EXPECT_EQ(b.mImage->Pixels().At(4, 3), artwork::ToSurface(p).At(4, 3));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
    ++entries;
  EXPECT_EQ(entries, 1) << "no temporary is left behind";
  std::filesystem::remove_all(dir);
}

TEST(ArtworkPicture, FailedWriteLeavesNothingBehind)
{
  const std::string dir = tempFolder();
  ASSERT_FALSE(dir.empty());
  EXPECT_FALSE(artwork::WritePng(solid(2, 2, 1, 255), dir + "/missing/p.png"));
  EXPECT_FALSE(artwork::WritePng(artwork::Picture{}, dir + "/empty.png"));
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  std::filesystem::remove_all(dir);
}
