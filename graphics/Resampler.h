#pragma once

#include "graphics/Surface.h"

namespace frame::graphics {

/** Scales the part region of src (clipped to src) to a new dstW x dstH surface. Each axis
 *  is filtered on its own: a shrinking axis averages the source area under each target pixel
 *  (box filter), a growing one interpolates linearly between pixel centres, an unchanged one
 *  is copied. So a bitmap stays smooth at any draw scale, without nearest-neighbour blocks. */
Surface Resample(const Surface& src, const PixelRect& region, int dstW, int dstH);

} // namespace frame::graphics
