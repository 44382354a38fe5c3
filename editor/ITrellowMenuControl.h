#pragma once

#include "editor/IGraphics.h"
#include "graphics/IPopupMenu.h"

namespace frame::graphics {

/** What the editor's menus share: an invisible control of Base that owns its popup menu and
 *  opens it where it was pressed. */
template <class Base>
class ITrellowMenuControl : public Base
{
public:
  using Base::Base;

  void Draw(IGraphics&) override {}
  const IPopupMenu& GetMenu() const { return mMenu; }

protected:
  void popUpAt(float x, float y)
  {
    if (IGraphics* g = this->GetUI())
      g->CreatePopupMenu(*this, mMenu, IRECT(x, y, x, y));
  }

  IPopupMenu mMenu{"", 0, false};
};

} // namespace frame::graphics
