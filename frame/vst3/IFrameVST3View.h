#pragma once

#include <memory>

// First, so the controller's state calls get the names the single-component effect uses.
#include "public.sdk/source/vst/vstsinglecomponenteffect.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include "frame/IFramePlugin.h"
#include "frame/vst3/IFrameVST3RunLoop.h"

namespace frame {

/** The editor's view as the host sees it. The host embeds it into an X11 window: attached
 *  hands the delegate the parent window's id (the XID, cast to a pointer) and the host's
 *  run loop as the delegate's event loop (GetEventLoop) for as long as the view is
 *  attached; the idle timer runs on that loop meanwhile. Main thread. */
class IFrameVST3View : public Steinberg::Vst::EditorView, public Steinberg::IPlugViewContentScaleSupport
{
public:
  IFrameVST3View(Steinberg::Vst::EditController* controller, IFramePlugin& plug);
  ~IFrameVST3View() override;

  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  /** Fails, leaving nothing behind, when the delegate opens no window. */
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API removed() override;
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
  Steinberg::tresult PLUGIN_API canResize() override;
  /** Clamps to the editor's limits by moving the right and bottom edges. */
  Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;
  Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode, Steinberg::int16 modifiers) override;
  Steinberg::tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode, Steinberg::int16 modifiers) override;
  Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

  /** The frame the host put the view in; null until the host sets one. It also offers the
   *  host's Linux run loop (Steinberg::Linux::IRunLoop). */
  Steinberg::IPlugFrame* GetPlugFrame() const { return plugFrame; }
  /** Asks the plug frame to resize the view to (0, 0, width, height). */
  bool Resize(int width, int height);

  OBJ_METHODS(IFrameVST3View, EditorView)
  DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::IPlugViewContentScaleSupport)
  END_DEFINE_INTERFACES(EditorView)
  REFCOUNT_METHODS(EditorView)

private:
  /** Closes the editor and leaves the host's run loop, when attached. */
  void detach();

  IFramePlugin& mPlug;
  std::unique_ptr<IFrameVST3RunLoop> mEventLoop;
};

/** The frame's key press for a VST 3 key: virtual keys get the usual PC key codes, letters
 *  their upper-case code, the character its UTF-8 form. */
IKeyPress MakeKeyPress(Steinberg::char16 key, Steinberg::int16 keyCode, Steinberg::int16 modifiers);

} // namespace frame
