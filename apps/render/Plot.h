#pragma once

#include <string>
#include <vector>

#include "graphics/Renderer.h"
#include "graphics/Surface.h"

namespace render {

/** A picture drawn like the editor: its dark panel, its cream texts in Roboto through the
 *  project's CPU renderer, and the axes, scales and legends the tool's pictures share.
 *  Rectangles are in pixels. */
class Plot
{
public:
  using IRECT = frame::graphics::IRECT;
  using IColor = frame::graphics::IColor;

  static constexpr float kTextSize = 11.f;
  static constexpr float kTitleSize = 15.f;
  static constexpr float kLineHeight = 16.f;
  static constexpr int kMinWidth = 480;
  static constexpr int kMinHeight = 360;

  /** Registers the font the pictures use; false with a reason when the file is unusable. */
  static bool LoadFont(const std::string& path, std::string& error);

  Plot(int width, int height);
  Plot(const Plot&) = delete; // the renderer points at the surface
  Plot& operator=(const Plot&) = delete;

  frame::graphics::Surface& Surface() { return mSurface; }
  frame::graphics::Renderer& Renderer() { return mRenderer; }

  /** The first line large, the rest wrapped at " · " to fit the width; returns the height used. */
  float Title(const std::string& heading, const std::vector<std::string>& items);
  void Text(const std::string& text, const IRECT& bounds, frame::graphics::EAlign align, bool bright = false);

  /** Labels of 20 Hz .. 20 kHz across area (horizontal) or up it, with grid lines through
   *  it or ticks outside it. */
  void FrequencyAxis(const IRECT& area, bool horizontal, bool grid);
  /** Ticks and labels of 0 .. seconds below area, with the axis title. */
  void TimeAxis(const IRECT& area, double seconds);
  /** Labels and grid lines of lowDb .. highDb up area, every stepDb. */
  void LevelAxis(const IRECT& area, double lowDb, double highDb, double stepDb);
  /** A vertical bar of the colour scale in steps of stepDb, with its dB labels. */
  void ColourScale(const IRECT& bar, double lowDb, double highDb, double stepDb);
  void Frame(const IRECT& area);

  /** The colour scale: dark blue through teal and amber to cream, brighter for louder. */
  static IColor ScaleColour(double fraction);

private:
  frame::graphics::Surface mSurface;
  frame::graphics::Renderer mRenderer;
};

/** Writes the picture as a PNG, atomically; false with a one-line reason. */
bool WritePicture(const frame::graphics::Surface& picture, const std::string& path, std::string& error);

} // namespace render
