#pragma once

#include <cstdint>
#include <vector>

#include "graphics/IGraphicsStructs.h"
#include "graphics/Surface.h"

namespace frame::graphics {

/** Anti-aliased polygon filling by exact area coverage. Each edge adds the signed area it
 *  encloses to an accumulation row; a running sum along the row then gives every pixel's
 *  covered fraction (non-zero winding, as |sum| limited to 1). Several closed contours may
 *  make up one shape, so a ring is an outer contour plus an inner one in the other
 *  direction. Coordinates are pixels; the buffers are kept between shapes. */
class Rasterizer
{
public:
  /** Starts a new shape. */
  void Reset();
  /** Adds a closed contour of n points (x0, y0, x1, y1, ...). */
  void AddContour(const float* xy, int n);

  /** Composites the shape in colour (premultiplied) inside clip. */
  void Fill(Surface& surface, const PixelRect& clip, uint32_t color, EBlend method);

private:
  struct Edge
  {
    float x0, y0, x1, y1;
  };
  void accumulate(float x0, float y0, float x1, float y1, int w, int h);
  void accumulateRow(float xa, float xb, float d, float* row);
  template <EBlend kMethod>
  void composite(Surface& surface, const PixelRect& area, uint32_t color);

  std::vector<Edge> mEdges;
  float mMinX = 0.f, mMinY = 0.f, mMaxX = 0.f, mMaxY = 0.f;
  std::vector<float> mAcc;
  int mAccStride = 0;
};

} // namespace frame::graphics
