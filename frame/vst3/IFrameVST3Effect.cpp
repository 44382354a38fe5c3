#include "frame/vst3/IFrameVST3Effect.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

#include "frame/vst3/IFrameVST3Parameter.h"
#include "frame/vst3/IFrameVST3View.h"

namespace frame {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
// The calls that allocate: no exception may reach the host, which sees an error instead.
template <typename F>
tresult guarded(F&& call) noexcept
{
  try
  {
    return call();
  }
  catch (...)
  {
    return kInternalError;
  }
}
} // namespace

IFrameVST3Effect::IFrameVST3Effect(std::unique_ptr<IFramePlugin> plug)
  : mPlug(std::move(plug)), mProcessor(*mPlug, audioInputs, audioOutputs), mController(*mPlug, *this, parameters)
{
  mPlug->SetHostNotifier(this);
  mPlug->SetAPI(1);
  // What the time information is rebuilt from in every processing call.
  processContextRequirements.needTempo()
    .needTimeSignature()
    .needProjectTimeMusic()
    .needBarPositionMusic()
    .needCycleMusic()
    .needTransportState();
}

IFrameVST3Effect::~IFrameVST3Effect()
{
  mPlug->SetHostNotifier(nullptr);
}

tresult PLUGIN_API IFrameVST3Effect::queryInterface(const TUID iid, void** obj)
{
  QUERY_INTERFACE(iid, obj, IMidiMapping::iid, IMidiMapping)
  QUERY_INTERFACE(iid, obj, ChannelContext::IInfoListener::iid, ChannelContext::IInfoListener)
  return SingleComponentEffect::queryInterface(iid, obj);
}

// ---------------------------------------------------------------------------------------
// Plug-in base and component

tresult PLUGIN_API IFrameVST3Effect::initialize(FUnknown* context)
{
  return guarded([&] { return initializeSides(context); });
}

tresult IFrameVST3Effect::initializeSides(FUnknown* context)
{
  const tresult result = SingleComponentEffect::initialize(context);
  if (result != kResultOk)
    return result;
  mProcessor.CreateBuses();
  mController.CreateControllerSide();
  mController.SyncHostParameters();

  std::string hostName;
  if (mPlug->GetHost() == kHostUninit)
  {
    FUnknownPtr<IHostApplication> app(context);
    String128 name{};
    if (app && app->getName(name) == kResultOk)
      hostName = StringConvert::convert(name, 128);
  }
  mPlug->Initialize(hostName.c_str());
  return kResultOk;
}

// The SDK base reads the bus list with a checked index, which throws on a negative one.
tresult PLUGIN_API IFrameVST3Effect::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus)
{
  return index < 0 ? kInvalidArgument : SingleComponentEffect::getBusInfo(type, dir, index, bus);
}

tresult PLUGIN_API IFrameVST3Effect::activateBus(MediaType type, BusDirection dir, int32 index, TBool state)
{
  return index < 0 ? kInvalidArgument : SingleComponentEffect::activateBus(type, dir, index, state);
}

tresult PLUGIN_API IFrameVST3Effect::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr)
{
  return index < 0 ? kInvalidArgument : SingleComponentEffect::getBusArrangement(dir, index, arr);
}

tresult PLUGIN_API IFrameVST3Effect::setActive(TBool state)
{
  mPlug->SetActive(state != 0);
  return kResultOk;
}

tresult PLUGIN_API IFrameVST3Effect::getState(IBStream* state)
{
  return guarded([&] { return writeState(state); });
}

tresult IFrameVST3Effect::writeState(IBStream* state)
{
  if (!state)
    return kInvalidArgument;
  IByteChunk chunk;
  if (!mPlug->SaveState(chunk))
    return kResultFalse;
  int32 written = 0;
  if (state->write(chunk.GetData(), chunk.Size(), &written) != kResultOk || written != chunk.Size())
    return kResultFalse;
  return kResultOk;
}

tresult PLUGIN_API IFrameVST3Effect::setState(IBStream* state)
{
  return guarded([&] { return readState(state); });
}

tresult IFrameVST3Effect::readState(IBStream* state)
{
  if (!state)
    return kInvalidArgument;
  // WaveLab reports errors on reads that did deliver data; its streams are read to the end.
  const bool readPastErrors = mPlug->GetHost() == kHostWaveLab;
  const bool loaded = mPlug->LoadStateFrom([&](void* buffer, int64_t capacity) -> int64_t {
    const int32 asked = static_cast<int32>(std::min<int64_t>(capacity, 128));
    int32 got = 0;
    const tresult result = state->read(buffer, asked, &got);
    if (got > asked)
      return -1; // a stream that claims more than it was asked for cannot be trusted at all
    if (result != kResultOk && !readPastErrors)
      return 0;
    return got < 1 ? 0 : got;
  });
  // All or nothing: a refused state changes neither the sound nor what host and editor show.
  if (!loaded)
    return kResultFalse;

  mController.SyncHostParameters();
  if (Parameter* bypass = parameters.getParameter(kBypassParamID))
    bypass->setNormalized(mPlug->IsBypassed() ? 1.0 : 0.0);
  mPlug->OnRestoreState();
  return kResultOk;
}

// ---------------------------------------------------------------------------------------
// Audio processor

tresult PLUGIN_API IFrameVST3Effect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                        SpeakerArrangement* outputs, int32 numOuts)
{
  return guarded([&] { return mProcessor.SetBusArrangements(inputs, numIns, outputs, numOuts); });
}

tresult PLUGIN_API IFrameVST3Effect::canProcessSampleSize(int32 symbolicSampleSize)
{
  return IFrameVST3ProcessorBase::CanProcessSampleSize(symbolicSampleSize) ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API IFrameVST3Effect::getLatencySamples() { return static_cast<uint32>(mPlug->GetLatency()); }

uint32 PLUGIN_API IFrameVST3Effect::getTailSamples()
{
  const int tail = mPlug->GetTailSize();
  return tail == INT_MAX ? kInfiniteTail : static_cast<uint32>(std::max(tail, 0));
}

tresult PLUGIN_API IFrameVST3Effect::setupProcessing(ProcessSetup& setup)
{
  const tresult result = mProcessor.SetupProcessing(setup);
  if (result == kResultOk)
    processSetup = setup;
  return result;
}

tresult PLUGIN_API IFrameVST3Effect::setProcessing(TBool state)
{
  if (!state)
    mPlug->OnReset();
  return kResultOk;
}

tresult PLUGIN_API IFrameVST3Effect::process(ProcessData& data) { return mProcessor.Process(data); }

// ---------------------------------------------------------------------------------------
// Edit controller

// The controller keeps nothing of its own: the component state has it all.
tresult PLUGIN_API IFrameVST3Effect::setComponentState(IBStream*) { return kResultOk; }
tresult PLUGIN_API IFrameVST3Effect::setEditorState(IBStream*) { return kResultOk; }
tresult PLUGIN_API IFrameVST3Effect::getEditorState(IBStream*) { return kResultOk; }

tresult PLUGIN_API IFrameVST3Effect::setParamNormalized(ParamID id, ParamValue value)
{
  return guarded([&] { return mController.SetParamNormalized(id, value); });
}

IPlugView* PLUGIN_API IFrameVST3Effect::createView(FIDString name)
{
  if (!name || std::strcmp(name, ViewType::kEditor) != 0 || !mPlug->HasUI())
    return nullptr;
  try
  {
    mView = new IFrameVST3View(this, *mPlug);
  }
  catch (...)
  {
    return nullptr;
  }
  return mView;
}

void IFrameVST3Effect::editorDestroyed(EditorView* editor)
{
  if (editor == mView)
    mView = nullptr;
}

tresult PLUGIN_API IFrameVST3Effect::getProgramName(ProgramListID listId, int32 index, String128 name)
{
  return mController.GetProgramName(listId, index, name);
}

tresult PLUGIN_API IFrameVST3Effect::getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                                 CtrlNumber midiControllerNumber, ParamID& id)
{
  return mController.GetMidiControllerAssignment(busIndex, channel, midiControllerNumber, id);
}

tresult PLUGIN_API IFrameVST3Effect::setChannelContextInfos(IAttributeList* list)
{
  return guarded([&] { return takeChannelContext(list); });
}

tresult IFrameVST3Effect::takeChannelContext(IAttributeList* list)
{
  if (!list)
    return kInvalidArgument;
  String128 name{};
  std::string trackName;
  if (list->getString(ChannelContext::kChannelNameKey, name, sizeof(name)) == kResultTrue)
    trackName = StringConvert::convert(name, 128);
  int64 colour = 0, index = 0;
  list->getInt(ChannelContext::kChannelColorKey, colour);
  list->getInt(ChannelContext::kChannelIndexKey, index);
  mPlug->SetTrackInfo(trackName.c_str(), static_cast<int>(index), static_cast<int>(colour));
  return kResultTrue;
}

// ---------------------------------------------------------------------------------------
// IHostNotifier

void IFrameVST3Effect::BeginEdit(int paramIdx) { beginEdit(static_cast<ParamID>(paramIdx)); }

void IFrameVST3Effect::PerformEdit(int paramIdx, double normalizedValue)
{
  mController.SetHostParameter(paramIdx, normalizedValue);
  performEdit(static_cast<ParamID>(paramIdx), normalizedValue);
}

void IFrameVST3Effect::EndEdit(int paramIdx) { endEdit(static_cast<ParamID>(paramIdx)); }

void IFrameVST3Effect::ReportAllValues()
{
  mController.SyncHostParameters();
  startGroupEdit();
  for (int i = 0; i < mPlug->NParams(); ++i)
    performEdit(static_cast<ParamID>(i), mPlug->GetParam(i)->GetNormalized());
  finishGroupEdit();
}

void IFrameVST3Effect::PresetRecalled() { mController.PresetRecalled(); }

void IFrameVST3Effect::ParameterTextsChanged() { restartComponent(kParamTitlesChanged); }

void IFrameVST3Effect::LatencyChanged() { restartComponent(kLatencyChanged); }

void IFrameVST3Effect::restartComponent(int32 flags)
{
  if (componentHandler)
    componentHandler->restartComponent(flags);
}

bool IFrameVST3Effect::ResizeEditor(int width, int height) { return mView && mView->Resize(width, height); }

bool IFrameVST3Effect::ShowParameterMenu(int paramIdx, float x, float y)
{
  FUnknownPtr<IComponentHandler3> handler(componentHandler);
  if (!handler || !mView)
    return false;
  ParamID id = static_cast<ParamID>(paramIdx);
  IPtr<IContextMenu> menu = owned(handler->createContextMenu(mView, &id));
  if (!menu)
    return false;
  menu->popup(static_cast<UCoord>(x), static_cast<UCoord>(y));
  return true;
}

} // namespace frame
