#pragma once

#include "public.sdk/source/vst/vstparameters.h"

#include "frame/IPluginBase.h"

namespace frame {

/** Identifiers of the host-side objects beyond the plug-in's own parameters 0 .. n-1. */
constexpr Steinberg::Vst::ParamID kBypassParamID = 0x10000;
constexpr Steinberg::Vst::ParamID kPresetParamID = 0x10001;
constexpr Steinberg::Vst::ParamID kFirstMidiCCParamID = 0x10002;
constexpr Steinberg::Vst::ProgramListID kFactoryPresetsListID = 0x10001;

/** The host's view of one IParam: its description is taken once, its texts and value
 *  conversions are always the IParam's own, so display functions installed later apply. */
class IFrameVST3Parameter : public Steinberg::Vst::Parameter
{
public:
  IFrameVST3Parameter(const IParam& param, Steinberg::Vst::ParamID id, Steinberg::Vst::UnitID unitID);

  void toString(Steinberg::Vst::ParamValue normalized, Steinberg::Vst::String128 string) const override;
  bool fromString(const Steinberg::Vst::TChar* string, Steinberg::Vst::ParamValue& normalized) const override;
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue normalized) const override;
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plain) const override;

  OBJ_METHODS(IFrameVST3Parameter, Parameter)

private:
  const IParam& mParam;
};

/** The host's bypass switch: "off" and "on". */
class IFrameVST3BypassParameter : public Steinberg::Vst::StringListParameter
{
public:
  IFrameVST3BypassParameter();

  OBJ_METHODS(IFrameVST3BypassParameter, StringListParameter)
};

/** The host's program change: one step per preset slot, shown by the preset's name. */
class IFrameVST3PresetParameter : public Steinberg::Vst::Parameter
{
public:
  explicit IFrameVST3PresetParameter(const IPluginBase& plug);

  /** The slot a normalised value selects; halves round away from zero. */
  int PresetIndex(Steinberg::Vst::ParamValue normalized) const;

  void toString(Steinberg::Vst::ParamValue normalized, Steinberg::Vst::String128 string) const override;
  bool fromString(const Steinberg::Vst::TChar* string, Steinberg::Vst::ParamValue& normalized) const override;
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue normalized) const override;
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plain) const override;

  OBJ_METHODS(IFrameVST3PresetParameter, Parameter)

private:
  const IPluginBase& mPlug;
};

} // namespace frame
