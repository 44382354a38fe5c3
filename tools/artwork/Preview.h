#pragma once

#include <string>

#include "Picture.h"
#include "graphics/Surface.h"

namespace artwork {

/** What a preview shows: the frame of each bitmap control and every value text. */
struct PreviewState
{
  int stagesFrame = 2, syncFrame = 1, waveformFrame = 2;
  int knobFrames[7] = {17, 1, 49, 6, 33, 65, 33}; // Manual, Spread, Feedback, Speed, Depth, Stereo, Mix
  std::string knobTexts[7] = {"1000Hz", "0%", "50%", "0.15Hz", "50%", "\\ 100% /", "50:50"};
  std::string syncText = "OFF";
};

/** The editor as it would look at a draw scale: the bitmaps composited at their layout
 *  positions by the editor's renderer, the value texts in their style, the resize corner
 *  at rest. The bitmaps are the makers' outputs. */
frame::graphics::Surface ComposePreview(const Picture& back, const Picture& knob, const Picture& sw,
                                        const Picture& stages, const PreviewState& state, float scale);

} // namespace artwork
