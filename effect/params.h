#pragma once

/** Parameter indices. Presets, the state chunk and the editor address parameters by these
 *  numbers, so they never change. */
enum EParams
{
  kParamStages = 0,
  kParamManual,
  kParamSpread,
  kParamFeedback,
  kParamLFOSpeed,
  kParamLFODepth,
  kParamMix,
  kParamSync,
  kParamStereo,
  kParamWaveform,
  kNumParams
};

constexpr int kNumPresets = 10;
