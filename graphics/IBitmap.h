#pragma once

#include <memory>
#include <string>

#include "graphics/Image.h"

namespace frame::graphics {

/** A loaded image seen as N frames. W and H are editor units: the image's pixel size
 *  divided by its resolution scale. The name is a std::string so this library does not
 *  depend on the frame library's IString. */
struct IBitmap
{
  std::shared_ptr<Image> mImage; // shared with the process-wide cache
  int mW = 0, mH = 0;
  int mN = 1;
  bool mFramesAreHorizontal = false;
  std::string mResourceName;

  IBitmap() = default;
  IBitmap(std::shared_ptr<Image> image, int nStates, bool framesAreHorizontal, std::string name)
    : mImage(std::move(image)), mN(nStates < 1 ? 1 : nStates), mFramesAreHorizontal(framesAreHorizontal),
      mResourceName(std::move(name))
  {
    if (mImage)
    {
      mW = mImage->PixelWidth() / mImage->ResolutionScale();
      mH = mImage->PixelHeight() / mImage->ResolutionScale();
    }
  }

  bool IsValid() const { return mImage != nullptr; }
  Image* GetAPIBitmap() const { return mImage.get(); }
  int W() const { return mW; }
  int H() const { return mH; }
  int N() const { return mN; }
  bool GetFramesAreHorizontal() const { return mFramesAreHorizontal; }
  const std::string& GetResourceName() const { return mResourceName; }
  /** Frame size in editor units (integer division, as the frame offsets use). */
  int FW() const { return mFramesAreHorizontal ? mW / mN : mW; }
  int FH() const { return mFramesAreHorizontal ? mH : mH / mN; }
  int ResolutionScale() const { return mImage ? mImage->ResolutionScale() : 1; }
};

} // namespace frame::graphics
