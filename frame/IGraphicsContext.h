#pragma once

namespace frame::graphics {

/** What the frame needs of an editor's graphics context. The editor's IGraphics implements
 *  it; the frame never sees the editor's own types. All calls on the main thread. */
class IGraphicsContext
{
public:
  virtual ~IGraphicsContext() = default;

  /** Creates the platform view inside parent; returns it, or null when that failed. */
  virtual void* OpenWindow(void* parent) = 0;
  virtual void CloseWindow() = 0;
  virtual bool WindowIsOpen() const = 0;

  /** Logical size in editor units and the draw scale. */
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  virtual void Resize(int width, int height, float scale, bool needsPlatformResize) = 0;
  virtual void SetScreenScale(float scale) = 0;

  /** Every control bound to paramIdx takes the normalised value and redraws. */
  virtual void SetControlValueFromDelegate(int paramIdx, double normalized) = 0;
  virtual void SetAllControlsDirty() = 0;
};

} // namespace frame::graphics
