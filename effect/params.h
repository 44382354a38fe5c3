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

/** The scales the parameters are read in: "Manual" 1 is the top break frequency, "LFOSpeed"
 *  1 the top free-running rate (the rate goes with the square of the value). */
constexpr double kTopFrequencyHz = 16000.0;
constexpr double kTopRateHz = 25.0;
/** The same scales as angular frequencies, written out as the doubles the sound is defined
 *  with. */
constexpr double kTwoPiTopFrequency = 100530.96491487337;
constexpr double kTwoPiTopRate = 157.07963267948966;
static_assert(kTwoPiTopFrequency == 6.283185307179586 * kTopFrequencyHz);
static_assert(kTwoPiTopRate == 6.283185307179586 * kTopRateHz);
