#pragma once

// A small VST 3 host for the tests: host application with a chosen name, a component
// handler that records what the plug-in tells it, a stream that can report read errors,
// and an instance wrapper that drives the calls in the host order.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"
#include "public.sdk/source/vst/hosting/processdata.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

namespace mgtest {

using namespace Steinberg;
using namespace Steinberg::Vst;

struct TestHostApplication : U::Implements<U::Directly<IHostApplication>>
{
  explicit TestHostApplication(std::string n) : name(std::move(n)) {}
  tresult PLUGIN_API getName(String128 out) override { return StringConvert::convert(name, out) ? kResultOk : kResultFalse; }
  tresult PLUGIN_API createInstance(TUID, TUID, void** obj) override
  {
    *obj = nullptr;
    return kResultFalse;
  }
  std::string name;
};

struct TestContextMenu : U::Implements<U::Directly<IContextMenu>>
{
  int32 PLUGIN_API getItemCount() override { return 0; }
  tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override { return kResultFalse; }
  tresult PLUGIN_API addItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API popup(UCoord x, UCoord y) override
  {
    poppedAt = {x, y};
    return kResultOk;
  }
  std::vector<UCoord> poppedAt;
};

/** Records every call as text, e.g. "perform 3 0.5", "restart 4", "group start". */
struct TestComponentHandler
  : U::Implements<U::Directly<IComponentHandler, IComponentHandler2, IComponentHandler3>>
{
  tresult PLUGIN_API beginEdit(ParamID id) override { return log("begin " + std::to_string(id)); }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue v) override
  {
    char text[64];
    std::snprintf(text, sizeof(text), "perform %u %g", id, v);
    return log(text);
  }
  tresult PLUGIN_API endEdit(ParamID id) override { return log("end " + std::to_string(id)); }
  tresult PLUGIN_API restartComponent(int32 flags) override { return log("restart " + std::to_string(flags)); }
  tresult PLUGIN_API setDirty(TBool) override { return kResultOk; }
  tresult PLUGIN_API requestOpenEditor(FIDString) override { return kResultOk; }
  tresult PLUGIN_API startGroupEdit() override { return log("group start"); }
  tresult PLUGIN_API finishGroupEdit() override { return log("group finish"); }
  IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override
  {
    menuView = view;
    menuParam = id ? static_cast<int64_t>(*id) : -1;
    menu = owned(new TestContextMenu);
    menu->addRef(); // the caller owns one reference
    return menu;
  }

  tresult log(std::string call)
  {
    calls.push_back(std::move(call));
    return kResultOk;
  }
  std::vector<std::string> calls;
  IPlugView* menuView = nullptr;
  int64_t menuParam = -1;
  IPtr<TestContextMenu> menu;
};

/** A memory stream whose read number failingRead (0-based) reports an error although it
 *  delivers its bytes, as some hosts' streams do. */
struct TestStream : U::Implements<U::Directly<IBStream>>
{
  explicit TestStream(std::vector<uint8_t> data = {}, int failing = -1, int32 maxRead = 1 << 30)
    : bytes(std::move(data)), failingRead(failing), readLimit(maxRead)
  {
  }
  tresult PLUGIN_API read(void* buffer, int32 n, int32* got) override
  {
    const int64 left = static_cast<int64>(bytes.size()) - pos;
    const int32 count = static_cast<int32>(std::max<int64>(0, std::min<int64>({n, left, readLimit})));
    if (count > 0)
      std::memcpy(buffer, bytes.data() + pos, static_cast<size_t>(count));
    pos += count;
    if (got)
      *got = count;
    return reads++ == failingRead ? kResultFalse : kResultOk;
  }
  tresult PLUGIN_API write(void* buffer, int32 n, int32* written) override
  {
    const auto* b = static_cast<const uint8_t*>(buffer);
    bytes.resize(std::max<size_t>(bytes.size(), static_cast<size_t>(pos + n)));
    std::memcpy(bytes.data() + pos, b, static_cast<size_t>(n));
    pos += n;
    if (written)
      *written = n;
    return kResultOk;
  }
  tresult PLUGIN_API seek(int64 p, int32 mode, int64* result) override
  {
    ++seeks;
    const int64 to = mode == kIBSeekSet ? p : mode == kIBSeekCur ? pos + p : static_cast<int64>(bytes.size()) + p;
    if (to < 0)
      return kResultFalse;
    pos = to;
    if (result)
      *result = pos;
    return kResultOk;
  }
  tresult PLUGIN_API tell(int64* p) override
  {
    if (p)
      *p = pos;
    return kResultOk;
  }
  std::vector<uint8_t> bytes;
  int64 pos = 0;
  int failingRead;
  int32 readLimit;
  int reads = 0;
  int seeks = 0;
};

/** One plug-in instance, initialised with the given host name and a recording handler. */
class Instance
{
public:
  Instance(IPtr<IComponent> c, const std::string& hostName = "Test Host")
    : component(std::move(c)), processor(U::cast<IAudioProcessor>(component)), controller(U::cast<IEditController>(component)),
      units(U::cast<IUnitInfo>(component)), host(owned(new TestHostApplication(hostName))), handler(owned(new TestComponentHandler))
  {
    initResult = component->initialize(host);
    controller->setComponentHandler(handler);
  }
  ~Instance()
  {
    if (active)
    {
      processor->setProcessing(false);
      component->setActive(false);
    }
    component->terminate();
  }

  tresult setup(int32 sampleSize = kSample32, int32 maxBlock = 512, double rate = 48000.0)
  {
    ProcessSetup s{kRealtime, sampleSize, maxBlock, rate};
    const tresult r = processor->setupProcessing(s);
    if (r == kResultOk)
    {
      component->setActive(true);
      processor->setProcessing(true);
      active = true;
    }
    return r;
  }

  std::vector<uint8_t> getState()
  {
    auto stream = owned(new TestStream);
    stateResult = component->getState(stream);
    return stream->bytes;
  }

  tresult setState(std::vector<uint8_t> bytes, int failingRead = -1, int32 readLimit = 1 << 30)
  {
    auto stream = owned(new TestStream(std::move(bytes), failingRead, readLimit));
    return component->setState(stream);
  }

  /** The plain value the host sees for a parameter. */
  double plain(ParamID id) { return controller->normalizedParamToPlain(id, controller->getParamNormalized(id)); }

  /** One block of the same input on both channels; returns the left and right outputs. */
  std::vector<std::vector<double>> process(const std::vector<double>& input, int32 sampleSize,
                                           IParameterChanges* changes = nullptr)
  {
    HostProcessData data;
    const int32 n = static_cast<int32>(input.size());
    data.prepare(*component, n, sampleSize);
    data.numSamples = n;
    data.inputParameterChanges = changes;
    for (int32 c = 0; c < 2; ++c)
      for (int32 i = 0; i < n; ++i)
      {
        if (sampleSize == kSample32)
          data.inputs[0].channelBuffers32[c][i] = static_cast<float>(input[static_cast<size_t>(i)]);
        else
          data.inputs[0].channelBuffers64[c][i] = input[static_cast<size_t>(i)];
      }
    processor->process(data);
    std::vector<std::vector<double>> out(2, std::vector<double>(static_cast<size_t>(n)));
    for (int32 c = 0; c < 2; ++c)
      for (int32 i = 0; i < n; ++i)
        out[static_cast<size_t>(c)][static_cast<size_t>(i)] =
          sampleSize == kSample32 ? data.outputs[0].channelBuffers32[c][i] : data.outputs[0].channelBuffers64[c][i];
    return out;
  }

  IPtr<IComponent> component;
  IPtr<IAudioProcessor> processor;
  IPtr<IEditController> controller;
  IPtr<IUnitInfo> units;
  IPtr<TestHostApplication> host;
  IPtr<TestComponentHandler> handler;
  tresult initResult = kResultFalse;
  tresult stateResult = kResultFalse;
  bool active = false;
};

/** A parameter-change list with one point per (id, offset, value). */
struct Change
{
  ParamID id;
  int32 offset;
  ParamValue value;
};
inline void fillChanges(ParameterChanges& changes, const std::vector<Change>& points)
{
  changes.setMaxParameters(static_cast<int32>(points.size()));
  for (const Change& p : points)
  {
    int32 index = 0;
    IParamValueQueue* queue = changes.addParameterData(p.id, index);
    queue->addPoint(p.offset, p.value, index);
  }
}

/** A sine-like test signal with some level changes, deterministic. */
inline std::vector<double> testSignal(int n)
{
  std::vector<double> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] = 0.5 * std::sin(0.01 * i * (1 + i % 7)) + 0.25 * std::sin(0.003 * i);
  return x;
}

} // namespace mgtest
