#include "Preview.h"

#include <cmath>
#include <memory>

#include "Layout.h"
#include "graphics/IBitmap.h"
#include "graphics/Image.h"
#include "graphics/Renderer.h"

namespace artwork {

using namespace frame::graphics;
using namespace layout;

frame::graphics::Surface ComposePreview(const Picture& back, const Picture& knob, const Picture& sw,
                                        const Picture& stages, const PreviewState& state, float scale)
{
  auto bitmap = [](const Picture& p, int frames, const char* name) {
    return IBitmap(std::make_shared<Image>(ToSurface(p), 1), frames, false, name);
  };
  const IBitmap backBmp = bitmap(back, 1, "back.png"), knobBmp = bitmap(knob, kKnobFrames, "knob.png");
  const IBitmap switchBmp = bitmap(sw, kSwitchFrames, "switch.png");
  const IBitmap stagesBmp = bitmap(stages, kStagesFrames, "stages.png");

  Surface out(static_cast<int>(std::lround(kWidth * scale)), static_cast<int>(std::lround(kHeight * scale)),
              0xFF000000u);
  Renderer g(out, scale);
  g.DrawBitmap(backBmp, IRECT(0.f, 0.f, kWidth, kHeight));

  const IText valueStyle(26.f, IColor(255, 255, 255, 192), "Roboto-Regular.ttf", EAlign::Center, EVAlign::Bottom);
  auto place = [&](const IBitmap& b, int x, int y, int frame) {
    const IRECT r = IRECT::MakeXYWH(static_cast<float>(x), static_cast<float>(y), static_cast<float>(b.FW()),
                                    static_cast<float>(b.FH()));
    g.DrawBitmap(b, r, frame);
    return r;
  };

  place(stagesBmp, kStagesX, kStagesY, state.stagesFrame);
  for (int i = 0; i < 7; ++i)
  {
    const IRECT r = place(knobBmp, kKnobXs[i], kKnobY, state.knobFrames[i]);
    g.DrawText(valueStyle, state.knobTexts[i].c_str(), IRECT(r.L, r.T, r.R, r.B + kTextStrip));
  }
  const IRECT sync = place(switchBmp, kSyncX, kSwitchY, state.syncFrame);
  g.DrawText(valueStyle, state.syncText.c_str(), IRECT(sync.L, sync.T, sync.R, sync.T + kSwitchTextBottom));
  place(switchBmp, kWaveformX, kSwitchY, state.waveformFrame);

  // The resize corner's resting triangle, 26 window units at this scale.
  const float s = 26.f / scale;
  g.FillTriangle(IColor(32, 255, 255, 0), kWidth - s, kHeight, kWidth, kHeight - s, kWidth, kHeight);
  return out;
}

} // namespace artwork
