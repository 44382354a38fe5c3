#pragma once

#include <memory>

#include "frame/ITimeInfo.h"

namespace frame::graphics {

class IGEditorDelegate;
class IGraphicsContext;

/** A plug-in's editor: made with the plug-in when its module holds one, and alive as long
 *  as it, window open or not. It sees the plug-in only through the editor delegate. Main
 *  thread throughout. */
class IEditor
{
public:
  virtual ~IEditor() = default;
  /** A graphics context for a window about to open; the caller owns it. Null on failure. */
  virtual IGraphicsContext* MakeGraphics() = 0;
  /** Places the controls on a context that MakeGraphics made. */
  virtual void Layout(IGraphicsContext& graphics) = 0;
  /** A parameter changed as far as the editor is concerned (IEditorDelegate::OnParamChangeUI). */
  virtual void OnParamChangeUI(int /*paramIdx*/, EParamSource /*source*/) {}
  /** The scale of the host's desktop (2 on a double-density screen), before the window
   *  opens: the editor opens that much larger than its default unless the user chose a
   *  size. */
  virtual void SetHostScale(float /*scale*/) {}
};

using EditorFactory = std::unique_ptr<IEditor> (*)(IGEditorDelegate& plug);

/** The editor every plug-in with a user interface gets from now on; a module without an
 *  editor installs none, and its plug-ins have none. */
void SetEditorFactory(EditorFactory factory);
EditorFactory GetEditorFactory();

/** The editor of the plug-in a module holds: defined by that editor, installed by the
 *  module's entry. */
std::unique_ptr<IEditor> MakePluginEditor(IGEditorDelegate& plug);

} // namespace frame::graphics
