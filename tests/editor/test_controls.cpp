// Behaviour of the framework controls as a user drives them through the context.
#include <gtest/gtest.h>

#include "editor/IControls.h"
#include "EditorTestSupport.h"

using namespace editor_test;

namespace {

/** A knob with nothing to draw. */
class Knob : public IKnobControlBase
{
public:
  using IKnobControlBase::IKnobControlBase;
  void Draw(IGraphics&) override {}
};

/** A bitmap record without pixels: enough for the stepping of a switch. */
IBitmap framesOnly(int n)
{
  IBitmap b;
  b.mW = 10;
  b.mH = 10 * n;
  b.mN = n;
  return b;
}

// A knob 40 wide with a drag height (one bitmap frame) of 50 units.
constexpr IRECT kKnobRect(0.f, 0.f, 40.f, 50.f);

/** A knob at value, pressed at (10, 40) to begin a drag. */
Knob* pressKnob(Editor& e, double value, int paramIdx = 0, EDirection direction = kVertical)
{
  Knob* knob = e.Attach(new Knob(kKnobRect, paramIdx, direction));
  knob->SetValue(value);
  e.graphics->OnMouseDown(10, 40, kLeft);
  return knob;
}

} // namespace

// --- Knob dragging -------------------------------------------------------------------

TEST(KnobDrag, MovingUpByTheFullHeightRaisesTheValueByAQuarter)
{
  Editor e;
  Knob* knob = pressKnob(e, 0.5);
  e.graphics->OnMouseDrag(10, -10, 0, -50, kLeft);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.75);
  e.graphics->OnMouseDrag(10, 90, 0, 100, kLeft);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);
  e.graphics->OnMouseUp(10, 90, kLeft);
  EXPECT_EQ(e.delegate.Values(), (std::vector<double>{0.75, 0.25}));
  EXPECT_EQ(e.delegate.Kinds(), "bvve") << "the drag is one gesture for the host";
}

TEST(KnobDrag, ShiftOrControlMakesTheDragTenTimesFiner)
{
  Editor e;
  Knob* knob = pressKnob(e, 0.0);
  e.graphics->OnMouseDrag(10, -10, 0, -50, IMouseMod(true, false, true));
  EXPECT_NEAR(knob->GetValue(), 0.025, 1e-12);
  e.graphics->OnMouseDrag(10, -60, 0, -50, IMouseMod(true, false, false, true));
  EXPECT_NEAR(knob->GetValue(), 0.05, 1e-12);
}

TEST(KnobDrag, TheValueStopsAtTheEndsAndTurnsBackAtOnce)
{
  Editor e;
  Knob* knob = pressKnob(e, 0.9);
  e.graphics->OnMouseDrag(10, -500, 0, -500, kLeft);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  e.graphics->OnMouseDrag(10, -490, 0, 10, kLeft);
  EXPECT_NEAR(knob->GetValue(), 0.95, 1e-12) << "overshoot beyond the end must not be stored";
}

TEST(KnobDrag, AHorizontalKnobFollowsTheWidthToTheRight)
{
  Editor e;
  Knob* knob = pressKnob(e, 0.0, 0, kHorizontal);
  e.graphics->OnMouseDrag(50, 40, 40, 0, kLeft);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);
  e.graphics->OnMouseDrag(50, 0, 0, -50, kLeft);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25) << "vertical movement does not turn a horizontal knob";
}

TEST(KnobDrag, ASteppedParameterSnapsWhileSlowMovementsStillAddUp)
{
  Editor e;
  Knob* knob = pressKnob(e, 0.0, 1); // integer 0..4: steps of 0.25
  e.graphics->OnMouseDrag(10, 30, 0, -10, kLeft); // +0.05: value 0.2, rounds to 0
  e.graphics->OnMouseDrag(10, 20, 0, -10, kLeft); // +0.10: value 0.4, rounds to 0
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
  e.graphics->OnMouseDrag(10, 10, 0, -10, kLeft); // +0.15: value 0.6, rounds to 1
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);
}

TEST(KnobDrag, ThePointerHidesDuringTheDragUnlessSwitchedOff)
{
  Editor e;
  e.Attach(new Knob(kKnobRect, 0));
  e.graphics->OnMouseDown(10, 40, kLeft);
  EXPECT_TRUE(e.view->CursorHidden());
  e.graphics->OnMouseUp(10, 40, kLeft);
  EXPECT_FALSE(e.view->CursorHidden());
}

// --- Wheel ------------------------------------------------------------------------------

TEST(KnobWheel, EachUnitMovesOneHundredthOrOneThousandthWhenFine)
{
  Editor e;
  Knob* knob = e.Attach(new Knob(kKnobRect, 0));
  knob->SetValue(0.5);
  e.graphics->OnMouseWheel(10, 10, IMouseMod(), 1.f);
  EXPECT_NEAR(knob->GetValue(), 0.51, 1e-9);
  e.graphics->OnMouseWheel(10, 10, IMouseMod(false, false, true), -2.f);
  EXPECT_NEAR(knob->GetValue(), 0.508, 1e-9);
  knob->SetValue(0.995);
  e.graphics->OnMouseWheel(10, 10, IMouseMod(), 1.f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  EXPECT_EQ(e.delegate.Kinds(), "bvebvebve") << "each wheel step reaches the host as one gesture";
}

TEST(KnobWheel, ASteppedParameterMovesOneStepWhateverTheAmount)
{
  Editor e;
  Knob* knob = e.Attach(new Knob(kKnobRect, 1));
  knob->SetValue(0.5); // 2 of 0..4
  e.graphics->OnMouseWheel(10, 10, IMouseMod(), 0.3f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.75);
  e.graphics->OnMouseWheel(10, 10, IMouseMod(), 1.f);
  e.graphics->OnMouseWheel(10, 10, IMouseMod(), 1.f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0) << "stops at the maximum";
  e.graphics->OnMouseWheel(10, 10, IMouseMod(), -5.f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.75);
}

// --- Switch ------------------------------------------------------------------------------

TEST(SwitchStepping, ATwoFrameSwitchTogglesAndAThreeFrameOneWraps)
{
  Editor e;
  auto* two = e.Attach(new IBSwitchControl(0, 0, framesOnly(2), 2));
  e.graphics->OnMouseDown(5, 5, kLeft);
  EXPECT_DOUBLE_EQ(two->GetValue(), 1.0);
  e.graphics->OnMouseUp(5, 5, kLeft);
  e.graphics->OnMouseDown(5, 5, kLeft);
  EXPECT_DOUBLE_EQ(two->GetValue(), 0.0);
  e.graphics->OnMouseUp(5, 5, kLeft);
  EXPECT_EQ(e.delegate.Values(), (std::vector<double>{1.0, 0.0})) << "the release sends nothing";

  double v = 0.0;
  std::vector<double> seen;
  for (int i = 0; i < 3; ++i)
    seen.push_back(v = IBSwitchControl::NextValue(v, 3));
  EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0, 0.0}));
  EXPECT_DOUBLE_EQ(IBSwitchControl::NextValue(0.0, 1), 1.0);
  EXPECT_DOUBLE_EQ(IBSwitchControl::NextValue(1.0, 1), 0.0);
}

TEST(SwitchStepping, AValueJustAboveOneStaysOnTheLastFrame)
{
  EXPECT_DOUBLE_EQ(IBSwitchControl::NextValue(0.7505, 5), 1.0005);
  EXPECT_DOUBLE_EQ(IBSwitchControl::NextValue(0.752, 5), 0.0);
}

TEST(SwitchStepping, TheRectangleIsTheFrameSizeAtItsPosition)
{
  IBSwitchControl sw(42, 192, framesOnly(2));
  EXPECT_EQ(sw.GetRECT(), IRECT(42, 192, 52, 202));
  EXPECT_EQ(sw.GetTargetRECT(), sw.GetRECT());
}

// --- Default hooks ------------------------------------------------------------------------

TEST(DefaultHooks, DoubleClickReturnsToTheParameterDefault)
{
  Editor e;
  auto* probe = e.Attach(new ProbeControl(IRECT(0, 0, 50, 50), 0));
  probe->SetValue(0.9);
  e.graphics->OnMouseDblClick(10, 10, kLeft);
  EXPECT_EQ(probe->log, "k");
  EXPECT_NEAR(probe->GetValue(), 0.3, 1e-12);
  EXPECT_EQ(e.delegate.Kinds(), "bve");
  EXPECT_NEAR(e.delegate.Values().at(0), 0.3, 1e-12);
}

TEST(DefaultHooks, MouseOverAndOutRedrawOnlyOnAChangeAndSendNothing)
{
  Editor e;
  auto* probe = e.Attach(new ProbeControl(IRECT(0, 0, 50, 50), 0));
  probe->SetClean();
  probe->OnMouseOver(1, 1, IMouseMod());
  EXPECT_TRUE(probe->GetMouseIsOver());
  EXPECT_TRUE(probe->IsDirty());
  probe->SetClean();
  probe->OnMouseOver(2, 2, IMouseMod());
  EXPECT_FALSE(probe->IsDirty()) << "staying over is no change";
  probe->OnMouseOut();
  EXPECT_FALSE(probe->GetMouseIsOver());
  EXPECT_TRUE(probe->IsDirty());
  EXPECT_TRUE(e.delegate.events.empty());
}

// --- Values toward delegate and peers -----------------------------------------------------

TEST(ValueChanges, SetDirtyWithActionReachesTheDelegatePeersAndTheActionInThatOrder)
{
  Editor e;
  auto* a = e.Attach(new ProbeControl(IRECT(0, 0, 10, 10), 0));
  auto* peer = e.Attach(new ProbeControl(IRECT(20, 0, 30, 10), 0));
  auto* other = e.Attach(new ProbeControl(IRECT(40, 0, 50, 10), 2));
  std::vector<double> seenByAction;
  a->SetActionFunction([&](IControl*) { seenByAction.push_back(e.delegate.GetParam(0)->Value()); });
  peer->SetClean();
  other->SetClean();

  a->SetValue(1.7);
  a->SetDirty(true);
  EXPECT_EQ(e.delegate.Values(), std::vector<double>{1.0}) << "clamped before it is sent";
  EXPECT_DOUBLE_EQ(peer->GetValue(), 1.0);
  EXPECT_TRUE(peer->IsDirty());
  EXPECT_FALSE(other->IsDirty());
  EXPECT_EQ(seenByAction, std::vector<double>{1.0});

  a->SetValue(0.2);
  a->SetDirty(false);
  EXPECT_EQ(e.delegate.Values().size(), 1u) << "a redraw alone sends nothing";
}

TEST(ValueChanges, ValuesFromTheDelegateRedrawEveryBoundControlWithoutSending)
{
  Editor e;
  auto* a = e.Attach(new ProbeControl(IRECT(0, 0, 10, 10), 2));
  auto* b = e.Attach(new ProbeControl(IRECT(20, 0, 30, 10), 2));
  auto* c = e.Attach(new ProbeControl(IRECT(40, 0, 50, 10), 0));
  int actions = 0;
  a->SetActionFunction([&](IControl*) { ++actions; });
  for (IControl* ctl : {static_cast<IControl*>(a), static_cast<IControl*>(b), static_cast<IControl*>(c)})
    ctl->SetClean();
  e.graphics->SetControlValueFromDelegate(2, 0.4);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.4);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.4);
  EXPECT_TRUE(a->IsDirty() && b->IsDirty());
  EXPECT_FALSE(c->IsDirty());
  EXPECT_EQ(actions, 0);
  EXPECT_TRUE(e.delegate.events.empty());
}

// --- Frame for a value -------------------------------------------------------------------

TEST(BitmapFrame, ValuesSpreadOverTheFramesWithTiesUpward)
{
  EXPECT_EQ(BitmapFrameForValue(65, 0.0), 1);
  EXPECT_EQ(BitmapFrameForValue(65, 1.0), 65);
  EXPECT_EQ(BitmapFrameForValue(65, 0.5), 33);
  EXPECT_EQ(BitmapFrameForValue(2, 0.4999), 1);
  EXPECT_EQ(BitmapFrameForValue(2, 0.5), 2);
  EXPECT_EQ(BitmapFrameForValue(65, -0.2), 1);
  EXPECT_EQ(BitmapFrameForValue(65, 3.0), 65);
  EXPECT_EQ(BitmapFrameForValue(1, 0.8), 1);
}

// --- Corner resizer -----------------------------------------------------------------------

TEST(CornerResizer, KeepsItsOnScreenSizeAtEveryScale)
{
  Editor e;
  auto* corner = new ICornerResizerControl(IRECT(0, 0, 200, 100), 26);
  EXPECT_EQ(corner->GetRECT(), IRECT(175, 75, 199, 99)) << "as built, before any rescale";
  e.graphics->AttachCornerResizer(corner);
  e.graphics->Resize(200, 100, 2.f, true);
  EXPECT_EQ(corner->GetRECT(), IRECT(187, 87, 200, 100));
  EXPECT_EQ(corner->GetTargetRECT(), corner->GetRECT());
  e.graphics->Resize(400, 200, 0.5f, true);
  EXPECT_EQ(corner->GetRECT(), IRECT(348, 148, 400, 200));
}

TEST(CornerResizer, DraggingScalesByTheSmallerAxisRatioAndKeepsGoingAcrossResizes)
{
  Editor e;
  e.graphics->SetScaleConstraints(0.25f, 4.f);
  e.graphics->AttachCornerResizer(new ICornerResizerControl(IRECT(0, 0, 200, 100), 26));
  IPlatformEvents& input = *e.graphics;
  input.OnPlatformMouseDown(190, 95, kLeft);
  EXPECT_TRUE(e.graphics->ResizeInProgress());
  input.OnPlatformMouseDrag(380, 285, 190, 190, kLeft); // x ratio 2, y ratio 3
  EXPECT_FLOAT_EQ(e.graphics->GetDrawScale(), 2.f);
  EXPECT_EQ(e.graphics->Width(), 200) << "scale mode keeps the logical size";
  input.OnPlatformMouseDrag(285, 190, -95, -95, kLeft); // pointer back to 1.5 x the press
  EXPECT_FLOAT_EQ(e.graphics->GetDrawScale(), 1.5f);
  input.OnPlatformMouseDrag(5000, 5000, 0, 0, kLeft);
  EXPECT_FLOAT_EQ(e.graphics->GetDrawScale(), 4.f);
  input.OnPlatformMouseUp(5000, 5000, kLeft);
  EXPECT_FALSE(e.graphics->ResizeInProgress());
  EXPECT_EQ(e.delegate.resizes.back().w, 800);
  EXPECT_TRUE(e.delegate.resizes.back().needsPlatformResize);
}

TEST(CornerResizer, DoubleClickReturnsToTheBuiltSizeAtScaleOne)
{
  Editor e(300, 150, 0.5f);
  e.graphics->SetScaleConstraints(0.25f, 4.f);
  e.graphics->AttachCornerResizer(new ICornerResizerControl(IRECT(0, 0, 200, 100), 26));
  e.graphics->OnMouseDblClick(190, 90, kLeft);
  EXPECT_EQ(e.graphics->Width(), 200);
  EXPECT_EQ(e.graphics->Height(), 100);
  EXPECT_FLOAT_EQ(e.graphics->GetDrawScale(), 1.f);
}

TEST(CornerResizer, ThePointerBecomesTheDiagonalShapeAndComesBack)
{
  Editor e;
  e.graphics->EnableMouseOver(true);
  e.graphics->AttachCornerResizer(new ICornerResizerControl(IRECT(0, 0, 200, 100), 26));
  e.graphics->SetMouseCursor(ECursor::HAND);
  e.graphics->OnMouseOver(190, 90, IMouseMod());
  e.graphics->OnMouseOver(191, 91, IMouseMod());
  EXPECT_EQ(e.view->Cursor(), ECursor::SIZENWSE);
  e.graphics->OnMouseOver(10, 10, IMouseMod());
  EXPECT_EQ(e.view->Cursor(), ECursor::HAND);
}
