#include "frame/vst3/IFrameVST3View.h"

#include <algorithm>
#include <cstring>

#include "pluginterfaces/base/keycodes.h"

namespace frame {

using namespace Steinberg;

IFrameVST3View::IFrameVST3View(Vst::EditController* controller, IFramePlugin& plug)
  : EditorView(controller), mPlug(plug)
{
  rect = ViewRect(0, 0, plug.GetEditorWidth(), plug.GetEditorHeight());
}

IFrameVST3View::~IFrameVST3View()
{
  // A host that drops an attached view without removing it: the editor must not outlive the
  // loop it registered with.
  detach();
}

tresult PLUGIN_API IFrameVST3View::isPlatformTypeSupported(FIDString type)
{
  return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue : kResultFalse;
}

void IFrameVST3View::detach()
{
  if (!mEventLoop)
    return;
  mPlug.DetachEditor();
  mEventLoop.reset();
}

tresult PLUGIN_API IFrameVST3View::attached(void* parent, FIDString type)
{
  if (!mPlug.HasUI() || isPlatformTypeSupported(type) != kResultTrue)
    return kResultFalse;
  detach();
  // Without the host's run loop the loop refuses every timer, and the editor does without.
  FUnknownPtr<Linux::IRunLoop> runLoop(plugFrame);
  mEventLoop = std::make_unique<IFrameVST3RunLoop>(runLoop);
  if (!mPlug.AttachEditor(parent, *mEventLoop))
  {
    mEventLoop.reset();
    return kResultFalse;
  }
  return EditorView::attached(parent, type);
}

tresult PLUGIN_API IFrameVST3View::removed()
{
  detach();
  return EditorView::removed();
}

tresult PLUGIN_API IFrameVST3View::getSize(ViewRect* size)
{
  if (!mPlug.HasUI())
    return kResultFalse;
  if (!size)
    return kInvalidArgument;
  *size = ViewRect(0, 0, mPlug.GetEditorWidth(), mPlug.GetEditorHeight());
  return kResultTrue;
}

tresult PLUGIN_API IFrameVST3View::onSize(ViewRect* newSize)
{
  if (!newSize)
    return kInvalidArgument;
  rect = *newSize;
  mPlug.OnParentWindowResize(newSize->getWidth(), newSize->getHeight());
  return kResultTrue;
}

tresult PLUGIN_API IFrameVST3View::canResize()
{
  return mPlug.HasUI() && mPlug.GetHostResizeEnabled() ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IFrameVST3View::checkSizeConstraint(ViewRect* r)
{
  if (!r)
    return kInvalidArgument;
  r->right = r->left + std::clamp(r->getWidth(), mPlug.GetMinWidth(), mPlug.GetMaxWidth());
  r->bottom = r->top + std::clamp(r->getHeight(), mPlug.GetMinHeight(), mPlug.GetMaxHeight());
  return kResultTrue;
}

tresult PLUGIN_API IFrameVST3View::onKeyDown(char16 key, int16 keyCode, int16 modifiers)
{
  return mPlug.OnKeyDown(MakeKeyPress(key, keyCode, modifiers)) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IFrameVST3View::onKeyUp(char16 key, int16 keyCode, int16 modifiers)
{
  return mPlug.OnKeyUp(MakeKeyPress(key, keyCode, modifiers)) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IFrameVST3View::setContentScaleFactor(ScaleFactor factor)
{
  mPlug.SetScreenScale(factor);
  return kResultTrue;
}

bool IFrameVST3View::Resize(int width, int height)
{
  if (!plugFrame)
    return false;
  ViewRect r(0, 0, width, height);
  return plugFrame->resizeView(this, &r) == kResultTrue;
}

// ---------------------------------------------------------------------------------------

namespace {
int pcKeyCode(int16 keyCode)
{
  static const struct
  {
    int16 vst;
    int pc;
  } keys[] = {
    {KEY_BACK, 0x08}, {KEY_TAB, 0x09}, {KEY_CLEAR, 0x0C}, {KEY_RETURN, 0x0D}, {KEY_PAUSE, 0x13},
    {KEY_ESCAPE, 0x1B}, {KEY_SPACE, 0x20}, {KEY_NEXT, 0x22}, {KEY_END, 0x23}, {KEY_HOME, 0x24},
    {KEY_LEFT, 0x25}, {KEY_UP, 0x26}, {KEY_RIGHT, 0x27}, {KEY_DOWN, 0x28}, {KEY_PAGEUP, 0x21},
    {KEY_PAGEDOWN, 0x22}, {KEY_SELECT, 0x29}, {KEY_PRINT, 0x2A}, {KEY_ENTER, 0x0D},
    {KEY_SNAPSHOT, 0x2C}, {KEY_INSERT, 0x2D}, {KEY_DELETE, 0x2E}, {KEY_HELP, 0x2F},
    {KEY_MULTIPLY, 0x6A}, {KEY_ADD, 0x6B}, {KEY_SEPARATOR, 0x6C}, {KEY_SUBTRACT, 0x6D},
    {KEY_DECIMAL, 0x6E}, {KEY_DIVIDE, 0x6F}, {KEY_NUMLOCK, 0x90}, {KEY_SCROLL, 0x91},
    {KEY_SHIFT, 0x10}, {KEY_CONTROL, 0x11}, {KEY_ALT, 0x12},
  };
  if (keyCode >= KEY_NUMPAD0 && keyCode <= KEY_NUMPAD9)
    return 0x60 + (keyCode - KEY_NUMPAD0);
  if (keyCode >= KEY_F1 && keyCode <= KEY_F12)
    return 0x70 + (keyCode - KEY_F1);
  for (const auto& k : keys)
    if (k.vst == keyCode)
      return k.pc;
  return 0;
}

void toUTF8(char16 c, char out[5])
{
  std::memset(out, 0, 5);
  // A lone surrogate is half a character: nothing to show.
  if (c == 0 || (c >= 0xD800 && c <= 0xDFFF))
    return;
  if (c < 0x80)
    out[0] = static_cast<char>(c);
  else if (c < 0x800)
  {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
  }
  else
  {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
  }
}
} // namespace

IKeyPress MakeKeyPress(char16 key, int16 keyCode, int16 modifiers)
{
  IKeyPress press;
  press.VK = pcKeyCode(keyCode);
  if (!press.VK && key)
  {
    if (key >= 'a' && key <= 'z')
      press.VK = key - 'a' + 'A';
    else if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == ' ')
      press.VK = key;
  }
  toUTF8(key, press.utf8);
  press.S = (modifiers & kShiftKey) != 0;
  // Off macOS the command modifier is the Control key.
  press.C = (modifiers & kCommandKey) != 0;
  press.A = (modifiers & kAlternateKey) != 0;
  return press;
}

} // namespace frame
