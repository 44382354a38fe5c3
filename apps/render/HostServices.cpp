#include "apps/render/HostServices.h"

#include "public.sdk/source/vst/utility/stringconvert.h"

namespace render {

using namespace Steinberg;

tresult PLUGIN_API RenderHostApplication::getName(Vst::String128 name)
{
  return Vst::StringConvert::convert(kHostName, name) ? kResultTrue : kInternalError;
}

tresult PLUGIN_API ComponentHandler::performEdit(Vst::ParamID id, Vst::ParamValue value)
{
  if (onEdit)
    onEdit(id, value);
  return kResultOk;
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags)
{
  if (onRestart)
    onRestart(flags);
  return kResultOk;
}

} // namespace render
