#pragma once
// A small LV2 host for tests: loads the built signal-path module and drives its descriptor
// as a host would, with a URID map, an optional announced block size and an atom buffer.
#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "lv2/atom/atom.h"
#include "lv2/atom/forge.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/core/lv2.h"
#include "lv2/options/options.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

class UridMap
{
public:
  LV2_URID Map(const char* uri)
  {
    auto it = mIds.find(uri);
    if (it != mIds.end())
      return it->second;
    const LV2_URID id = static_cast<LV2_URID>(mIds.size() + 1);
    mIds.emplace(uri, id);
    return id;
  }
  LV2_URID_Map* Feature() { return &mMap; }

private:
  static LV2_URID map(LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->Map(uri); }
  std::map<std::string, LV2_URID> mIds;
  LV2_URID_Map mMap{this, map};
};

/** The plug-in of the module at path, which stays loaded; null when there is none. */
inline const LV2_Descriptor* Lv2DescriptorAt(const char* path)
{
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!module)
    return nullptr;
  auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"));
  return entry ? entry(0) : nullptr;
}

#ifdef MG_LV2_DSP_MODULE
/** The built module, loaded once per test program. */
inline const LV2_Descriptor* Lv2Descriptor()
{
  static const LV2_Descriptor* descriptor = Lv2DescriptorAt(MG_LV2_DSP_MODULE);
  return descriptor;
}
#endif

/** One instance, its port buffers and a time atom buffer. Ports: in 0-1, out 2-3, control
 *  atoms 4, enabled 5, parameters from 6 in parameter order. */
class Lv2Instance
{
public:
  static constexpr uint32_t kControl = 4, kEnabled = 5, kFirstParam = 6, kNumParams = 10;

#ifdef MG_LV2_DSP_MODULE
  /** maxBlock 0 announces nothing; withMap false passes no features at all. */
  explicit Lv2Instance(int maxBlock = 0, bool withMap = true, double rate = 48000.0)
    : Lv2Instance(Lv2Descriptor(), maxBlock, withMap, rate)
  {
  }
#endif
  /** An instance of the descriptor's plug-in; with no descriptor, handle stays null. */
  Lv2Instance(const LV2_Descriptor* descriptor, int maxBlock, bool withMap, double rate)
  {
    d = descriptor;
    mMaxBlock = maxBlock;
    mOptions[0] = {LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                   urids.Map(LV2_ATOM__Int), &mMaxBlock};
    mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mMapFeature = {LV2_URID__map, urids.Feature()};
    mOptionsFeature = {LV2_OPTIONS__options, mOptions};
    int n = 0;
    if (withMap)
      mFeatures[n++] = &mMapFeature;
    if (maxBlock > 0)
      mFeatures[n++] = &mOptionsFeature;
    mFeatures[n] = nullptr;
    handle = d ? d->instantiate(d, rate, "/nonexistent/", mFeatures) : nullptr;
    for (float& v : params)
      v = NAN;
  }
  ~Lv2Instance()
  {
    if (handle)
      d->cleanup(handle);
  }
  Lv2Instance(const Lv2Instance&) = delete;
  Lv2Instance& operator=(const Lv2Instance&) = delete;

  /** Connects the audio, the enabled port and every parameter port (NaN: the host has
   *  not set it, so it keeps the plug-in's value), then activates. */
  void ConnectAll(int frames)
  {
    for (auto* v : {&inL, &inR, &outL, &outR})
      v->assign(static_cast<size_t>(frames), 0.0f);
    d->connect_port(handle, 0, inL.data());
    d->connect_port(handle, 1, inR.data());
    d->connect_port(handle, 2, outL.data());
    d->connect_port(handle, 3, outR.data());
    d->connect_port(handle, kEnabled, &enabled);
    for (uint32_t i = 0; i < kNumParams; ++i)
      d->connect_port(handle, kFirstParam + i, &params[i]);
    d->activate(handle);
  }

  /** A test signal: two detuned ramps, different per call position. */
  void FillInput(int frames, int start = 0)
  {
    for (int i = 0; i < frames; ++i)
    {
      inL[static_cast<size_t>(i)] = static_cast<float>(((start + i) % 97) / 97.0 - 0.5);
      inR[static_cast<size_t>(i)] = static_cast<float>(((start + i) % 89) / 89.0 - 0.5);
    }
  }

  // The atom input: a sequence the test forges into.
  void BeginSequence()
  {
    lv2_atom_forge_init(&forge, urids.Feature());
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(atoms), sizeof(atoms));
    lv2_atom_forge_sequence_head(&forge, &seqFrame, 0);
  }
  void EndSequence()
  {
    lv2_atom_forge_pop(&forge, &seqFrame);
    d->connect_port(handle, kControl, atoms);
  }

  std::vector<uint8_t> SaveState()
  {
    std::vector<uint8_t> out;
    auto* state = static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));
    if (state->save(handle, store, &out, 0, mFeatures) != LV2_STATE_SUCCESS)
      out.clear();
    return out;
  }
  LV2_State_Status RestoreState(const std::vector<uint8_t>& bytes, const char* type = LV2_ATOM__Chunk)
  {
    mRestoreBytes = bytes;
    mRestoreType = urids.Map(type);
    auto* state = static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));
    return state->restore(handle, retrieve, this, 0, mFeatures);
  }

  UridMap urids;
  const LV2_Descriptor* d = nullptr;
  LV2_Handle handle = nullptr;
  std::vector<float> inL, inR, outL, outR;
  float enabled = 1.0f;
  float params[kNumParams];
  LV2_Atom_Forge forge{};
  LV2_Atom_Forge_Frame seqFrame{};
  alignas(8) uint8_t atoms[4096]{};

private:
  static LV2_State_Status store(LV2_State_Handle h, uint32_t, const void* value, size_t size, uint32_t, uint32_t)
  {
    auto* out = static_cast<std::vector<uint8_t>*>(h);
    out->assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
    return LV2_STATE_SUCCESS;
  }
  static const void* retrieve(LV2_State_Handle h, uint32_t, size_t* size, uint32_t* type, uint32_t* flags)
  {
    auto* self = static_cast<Lv2Instance*>(h);
    *size = self->mRestoreBytes.size();
    *type = self->mRestoreType;
    *flags = LV2_STATE_IS_POD;
    return self->mRestoreBytes.data();
  }

  int32_t mMaxBlock = 0;
  LV2_Options_Option mOptions[2];
  LV2_Feature mMapFeature{}, mOptionsFeature{};
  const LV2_Feature* mFeatures[3]{};
  std::vector<uint8_t> mRestoreBytes;
  LV2_URID mRestoreType = 0;
};
