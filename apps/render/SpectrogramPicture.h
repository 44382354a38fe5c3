#pragma once

#include <string>
#include <vector>

#include "graphics/IGraphicsStructs.h"
#include "apps/render/Plot.h"
#include "apps/render/Spectrogram.h"

namespace render {

/** Where the parts of a spectrogram picture go, in pixels, from its size alone: the title,
 *  the input above the output's two channels, and the colour scale at the right. */
struct SpectrogramLayout
{
  static constexpr int kPanels = 3;
  frame::graphics::IRECT panels[kPanels];
  frame::graphics::IRECT scale;

  static SpectrogramLayout For(int width, int height);
};

/** The picture of three finished spectrograms sized as the layout's panels. */
frame::graphics::Surface DrawSpectrogramPicture(int width, int height, const Spectrogram* const (&panels)[SpectrogramLayout::kPanels],
                            double seconds, const std::string& heading, const std::vector<std::string>& settings);

} // namespace render
