#pragma once

#include "public.sdk/source/vst/vstsinglecomponenteffect.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"

#include "frame/IFramePlugin.h"

namespace frame {

/** The controller side of the binding: the host-side parameter objects, the units and the
 *  program list, and the controller calls that read or change them. It works on the SDK
 *  object's own containers, which it is handed at construction. Main thread. */
class IFrameVST3ControllerBase
{
public:
  IFrameVST3ControllerBase(IFramePlugin& plug, Steinberg::Vst::EditControllerEx1& controller,
                           Steinberg::Vst::ParameterContainer& parameters);

  /** Root unit, one unit per parameter group, the parameters 0 .. n-1, bypass, program
   *  change and the factory program list. */
  void CreateControllerSide();

  /** No object with that identifier: false. A plug-in parameter follows the host (the
   *  effect hears of it with the next processing call); a program change recalls the preset
   *  and tells the host that every value changed. */
  Steinberg::tresult SetParamNormalized(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value);

  /** Every host-side object of 0 .. n-1 takes its IParam's current normalised value. */
  void SyncHostParameters();
  void SetHostParameter(int paramIdx, double normalizedValue);
  /** The host-side objects take the current values and preset, and the host is told that
   *  every value changed. */
  void PresetRecalled();

  Steinberg::tresult GetProgramName(Steinberg::Vst::ProgramListID listId, Steinberg::int32 index,
                                    Steinberg::Vst::String128 name) const;
  Steinberg::tresult GetMidiControllerAssignment(Steinberg::int32 busIndex, Steinberg::int16 channel,
                                                 Steinberg::Vst::CtrlNumber controller,
                                                 Steinberg::Vst::ParamID& id) const;

private:
  IFramePlugin& mPlug;
  Steinberg::Vst::EditControllerEx1& mController;
  Steinberg::Vst::ParameterContainer& mParameters;

  void tellValuesChanged();
};

} // namespace frame
