#pragma once

#include "editor/IControl.h"
#include "graphics/IGraphicsConstants.h"

namespace frame::graphics {

/** A control turned by dragging: vertical (up raises) or horizontal (right raises). A
 *  drag across the whole drag bounds changes the value by 1 / gearing; Shift or Control
 *  makes it ten times finer. Stepped parameters snap to their step. */
class IKnobControlBase : public IControl
{
public:
  static constexpr double kDefaultGearing = 4.0;

  IKnobControlBase(const IRECT& bounds, int paramIdx = kNoParameter, EDirection direction = kVertical,
                   double gearing = kDefaultGearing);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  /** The area whose extent a full-range drag covers; default the target rectangle. */
  virtual IRECT GetKnobDragBounds() { return mTargetRECT; }

  void SetGearing(double gearing) { mGearing = gearing; }
  double GetGearing() const { return mGearing; }
  EDirection GetDirection() const { return mDirection; }
  bool GetMouseDown() const { return mMouseDown; }

protected:
  static bool isFine(const IMouseMod& mod) { return mod.S || mod.C; }
  /** The normalised value of the nearest step of a stepped parameter; other values pass. */
  double snapToStep(double normalized) const;

  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0; // unsnapped, so slow drags still reach the next step
};

} // namespace frame::graphics
