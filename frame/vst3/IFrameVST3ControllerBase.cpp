#include "frame/vst3/IFrameVST3ControllerBase.h"

#include <cstring>
#include <string>
#include <vector>

#include "public.sdk/source/vst/utility/stringconvert.h"

#include "frame/vst3/IFrameVST3Parameter.h"

namespace frame {

using namespace Steinberg;
using namespace Steinberg::Vst;

IFrameVST3ControllerBase::IFrameVST3ControllerBase(IFramePlugin& plug, EditControllerEx1& controller,
                                                   ParameterContainer& parameters)
  : mPlug(plug), mController(controller), mParameters(parameters)
{
}

void IFrameVST3ControllerBase::CreateControllerSide()
{
  const bool hasPresets = mPlug.NPresets() > 0;
  mController.addUnit(new Unit(STR16("Root"), kRootUnitId, kNoParentUnitId,
                               hasPresets ? kFactoryPresetsListID : kNoProgramListId));

  // Units in order of the groups' first appearance, numbered from 1.
  std::vector<std::string> groups;
  for (int i = 0; i < mPlug.NParams(); ++i)
  {
    const IParam& param = *mPlug.GetParam(i);
    UnitID unit = kRootUnitId;
    if (param.GetGroup()[0])
    {
      size_t g = 0;
      while (g < groups.size() && groups[g] != param.GetGroup())
        ++g;
      if (g == groups.size())
      {
        groups.emplace_back(param.GetGroup());
        String128 name{};
        StringConvert::convert(groups.back(), name);
        mController.addUnit(new Unit(name, static_cast<UnitID>(g + 1), kRootUnitId));
      }
      unit = static_cast<UnitID>(g + 1);
    }
    mParameters.addParameter(new IFrameVST3Parameter(param, static_cast<ParamID>(i), unit));
  }

  mParameters.addParameter(new IFrameVST3BypassParameter());

  if (!hasPresets)
    return;
  mParameters.addParameter(new IFrameVST3PresetParameter(mPlug));
  auto* list = new ProgramList(STR16("Factory Presets"), kFactoryPresetsListID, kRootUnitId);
  for (int i = 0; i < mPlug.NPresets(); ++i)
  {
    String128 name{};
    StringConvert::convert(mPlug.GetPresetName(i), name);
    list->addProgram(name);
  }
  mController.addProgramList(list);
}

tresult IFrameVST3ControllerBase::SetParamNormalized(ParamID id, ParamValue value)
{
  Parameter* hostParam = mParameters.getParameter(id);
  if (!hostParam)
    return kResultFalse;
  hostParam->setNormalized(value);

  if (id < kBypassParamID)
  {
    mPlug.SetParameterFromHostController(static_cast<int>(id), value);
  }
  else if (id == kPresetParamID)
  {
    const int preset = static_cast<IFrameVST3PresetParameter*>(hostParam)->PresetIndex(value);
    if (mPlug.RestorePreset(preset))
    {
      // The recalled values are news to the host: without this it keeps showing, and
      // automating from, the values from before the program change. The program
      // object keeps the value the host gave it.
      SyncHostParameters();
      tellValuesChanged();
    }
  }
  return kResultTrue;
}

void IFrameVST3ControllerBase::SyncHostParameters()
{
  for (int i = 0; i < mPlug.NParams(); ++i)
    SetHostParameter(i, mPlug.GetParam(i)->GetNormalized());
}

void IFrameVST3ControllerBase::PresetRecalled()
{
  SyncHostParameters();
  if (Parameter* program = mParameters.getParameter(kPresetParamID))
    if (mPlug.GetCurrentPresetIdx() >= 0 && mPlug.GetCurrentPresetIdx() < mPlug.NPresets())
      program->setNormalized(program->toNormalized(mPlug.GetCurrentPresetIdx()));
  tellValuesChanged();
}

void IFrameVST3ControllerBase::SetHostParameter(int paramIdx, double normalizedValue)
{
  if (paramIdx < 0 || paramIdx >= mPlug.NParams())
    return;
  if (Parameter* hostParam = mParameters.getParameter(static_cast<ParamID>(paramIdx)))
    hostParam->setNormalized(normalizedValue);
}

tresult IFrameVST3ControllerBase::GetProgramName(ProgramListID listId, int32 index, String128 name) const
{
  if (listId != kFactoryPresetsListID || index < 0 || index >= mPlug.NPresets())
    return kResultFalse;
  // Read from the slot, not the list made at initialisation, so a renamed slot shows.
  StringConvert::convert(mPlug.GetPresetName(index), name);
  return kResultTrue;
}

tresult IFrameVST3ControllerBase::GetMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber controller,
                                                              ParamID& id) const
{
  // Without MIDI input there are no controller parameters to point the host at.
  if (!mPlug.DoesMIDIIn() || busIndex != 0 || channel > 0 || controller < 0 || controller >= kCountCtrlNumber)
    return kResultFalse;
  id = static_cast<ParamID>(channel * kCountCtrlNumber + controller) + kFirstMidiCCParamID;
  return kResultTrue;
}

void IFrameVST3ControllerBase::tellValuesChanged()
{
  if (IComponentHandler* handler = mController.getComponentHandler())
    handler->restartComponent(kParamValuesChanged);
}

} // namespace frame
