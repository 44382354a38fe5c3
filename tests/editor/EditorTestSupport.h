#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/IControl.h"
#include "editor/IGraphics.h"
#include "editor/OffscreenPlatformView.h"
#include "frame/IGEditorDelegate.h"
#include "frame/IParam.h"

namespace editor_test {

using namespace frame::graphics;

/** A delegate that records what the editor tells it. Parameters: 0 a plain 0..1 double
 *  with default 0.3, 1 an integer 0..4, 2 another 0..1 double. */
class TestDelegate : public IGEditorDelegate
{
public:
  struct Event
  {
    char kind; // 'b' begin, 'v' value, 'e' end
    int paramIdx;
    double value;
  };
  struct ResizeRequest
  {
    int w, h;
    bool needsPlatformResize;
  };
  struct MenuRequest
  {
    int paramIdx;
    float x, y;
  };

  TestDelegate() : IGEditorDelegate(3)
  {
    GetParam(0)->InitDouble("Plain", 0.3, 0.0, 1.0, 0.001);
    GetParam(1)->InitInt("Count", 2, 0, 4);
    GetParam(2)->InitDouble("Other", 0.0, 0.0, 1.0, 0.001);
    SetSizeConstraints(100, 400, 50, 200);
  }

  void BeginInformHostOfParamChangeFromUI(int p) override { events.push_back({'b', p, 0.0}); }
  void EndInformHostOfParamChangeFromUI(int p) override { events.push_back({'e', p, 0.0}); }
  void SendParameterValueFromUI(int p, double v) override
  {
    events.push_back({'v', p, v});
    GetParam(p)->SetNormalized(v);
  }
  bool EditorResizeFromUI(int w, int h, bool needsPlatformResize) override
  {
    resizes.push_back({w, h, needsPlatformResize});
    return true;
  }
  bool ShowHostContextMenu(int p, float x, float y) override
  {
    hostMenus.push_back({p, x, y});
    return hostOffersMenu;
  }

  /** The values sent, in order. */
  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (const Event& e : events)
      if (e.kind == 'v')
        v.push_back(e.value);
    return v;
  }
  std::string Kinds() const
  {
    std::string s;
    for (const Event& e : events)
      s += e.kind;
    return s;
  }

  std::vector<Event> events;
  std::vector<ResizeRequest> resizes;
  std::vector<MenuRequest> hostMenus;
  bool hostOffersMenu = true;
};

/** A control that fills its rectangle and logs its hooks as letters: d down, u up, g drag,
 *  k double click, w wheel, o over, x out, p popup selection. */
class ProbeControl : public IControl
{
public:
  explicit ProbeControl(const IRECT& r, int paramIdx = kNoParameter, IColor color = COLOR_WHITE)
    : IControl(r, paramIdx), mColor(color)
  {
  }

  void OnMouseDown(float, float, const IMouseMod& mod) override { log += 'd'; lastMod = mod; }
  void OnMouseUp(float, float, const IMouseMod&) override { log += 'u'; }
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod&) override
  {
    log += 'g';
    lastX = x, lastY = y, lastDX = dX, lastDY = dY;
  }
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override
  {
    log += 'k';
    IControl::OnMouseDblClick(x, y, mod);
  }
  void OnMouseWheel(float, float, const IMouseMod&, float d) override { log += 'w'; lastWheel = d; }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override
  {
    log += 'o';
    IControl::OnMouseOver(x, y, mod);
  }
  void OnMouseOut() override
  {
    log += 'x';
    IControl::OnMouseOut();
  }
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override
  {
    log += 'p';
    selected = menu;
    selectedIdx = menu ? menu->GetChosenItemIdx() : -2;
    selectedValIdx = valIdx;
  }
  void Draw(IGraphics& g) override
  {
    ++draws;
    g.FillRect(mColor, mRECT);
  }

  std::string log;
  IMouseMod lastMod;
  float lastX = 0, lastY = 0, lastDX = 0, lastDY = 0, lastWheel = 0;
  IPopupMenu* selected = nullptr;
  int selectedIdx = -3, selectedValIdx = -3;
  int draws = 0;

private:
  IColor mColor;
};

/** A 200 x 100 context at scale 1 on an offscreen platform. */
struct Editor
{
  explicit Editor(int w = 200, int h = 100, float scale = 1.f)
  {
    auto v = std::make_unique<OffscreenPlatformView>();
    view = v.get();
    graphics = std::make_unique<IGraphics>(delegate, w, h, 60, scale, std::move(v));
  }

  template <typename T>
  T* Attach(T* control)
  {
    graphics->AttachControl(control);
    return control;
  }

  TestDelegate delegate;
  OffscreenPlatformView* view = nullptr;
  std::unique_ptr<IGraphics> graphics;
};

inline const IMouseMod kLeft{true};
inline const IMouseMod kRight{false, true};

} // namespace editor_test
