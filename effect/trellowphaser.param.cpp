#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "effect/trellowphaser.h"

using frame::IParam;
using frame::IString;

// ---------------------------------------------------------------------------------------
// Value texts

void setDisplayTextForFrequency(double value, IString& str)
{
  str.SetFormatted(8, "%.0f%s", value * kTopFrequencyHz, "Hz");
}

void setDisplayTextForPercent(double value, IString& str)
{
  // What rounds to 0 reads "0%", never "-0%": printf keeps the sign of a negative that
  // rounds to zero (ties go to even, so -0.5 rounds to zero too).
  const double percent = value * 100.0;
  str.SetFormatted(8, "%.0f%s", std::fabs(percent) <= 0.5 ? 0.0 : percent, "%");
}

void setDisplayTextForMix(double value, IString& str)
{
  // Only the exact ends get words: 0.001 still reads 100:0.
  if (value == 0.0)
    str.Set("Dry");
  else if (value == 1.0)
    str.Set("Wet");
  else
    str.SetFormatted(10, "%.0f:%.0f", (1.0 - value) * 100.0, value * 100.0);
}

void setDisplayTextForSpeed(double value, IString& str)
{
  str.SetFormatted(8, "%.2f%s", value * (kTopRateHz * value), "Hz");
}

void setDisplayTextForSyncRate(double value, IString& str)
{
  const double i = frame::RoundHalfAway(value * (LFO::kNumSyncRates - 1));
  const int idx = i > 0.0 ? (i < LFO::kNumSyncRates - 1 ? static_cast<int>(i) : LFO::kNumSyncRates - 1) : 0;
  str.Set(LFO::labelSyncRates[idx]);
}

void setDisplayTextForStereo(double value, IString& str)
{
  if (std::fabs(value - 0.5) * 200.0 <= 0.5)
    str.Set("0%");
  else if (value < 0.5)
    str.SetFormatted(12, "> %.0f%s <", (0.5 - value) * 200.0, "%");
  else
    str.SetFormatted(12, "\\ %.0f%s /", (value - 0.5) * 200.0, "%");
}

// ---------------------------------------------------------------------------------------
// Typed text, read in the units the value text shows. A parser returns false for text not
// in its form, which then falls back to the plain number.

namespace {
const char* skipBlanks(const char* p)
{
  while (*p && std::isspace(static_cast<unsigned char>(*p)))
    ++p;
  return p;
}

bool startsWithNoCase(const char* p, const char* word)
{
  for (; *word; ++p, ++word)
    if (std::tolower(static_cast<unsigned char>(*p)) != std::tolower(static_cast<unsigned char>(*word)))
      return false;
  return true;
}

bool equalsNoCase(const char* text, const char* word)
{
  const char* p = skipBlanks(text);
  if (!startsWithNoCase(p, word))
    return false;
  return *skipBlanks(p + std::strlen(word)) == '\0';
}

// Reads a finite number at p; end receives what follows it.
bool readNumber(const char* p, double& number, const char*& end)
{
  p = skipBlanks(p);
  char* stop = nullptr;
  const double v = std::strtod(p, &stop);
  if (stop == p || !std::isfinite(v))
    return false;
  number = v;
  end = stop;
  return true;
}

// "<number>" or "<number><unit>", blanks allowed around both; the unit's case is free.
bool readQuantity(const char* text, const char* unit, double& number)
{
  const char* p = nullptr;
  if (!readNumber(text, number, p))
    return false;
  p = skipBlanks(p);
  if (*p && startsWithNoCase(p, unit))
    p = skipBlanks(p + std::strlen(unit));
  return *p == '\0';
}

// The text between an opening and a closing mark, as the stereo forms write it.
bool readBetween(const char* text, char open, char close, const char* unit, double& number)
{
  const char* p = skipBlanks(text);
  if (*p != open)
    return false;
  const char* last = p + std::strlen(p);
  while (last > p + 1 && std::isspace(static_cast<unsigned char>(last[-1])))
    --last;
  if (last <= p + 1 || last[-1] != close)
    return false;
  char inner[64];
  const size_t len = static_cast<size_t>(last - 1 - (p + 1));
  if (len >= sizeof(inner))
    return false;
  std::memcpy(inner, p + 1, len);
  inner[len] = '\0';
  return readQuantity(inner, unit, number);
}

// Each parser inverts its formatter with one correctly rounded operation, so a value on the
// parameter's step grid comes back bit-identical from its own text.

bool parseFrequency(const IParam&, const char* text, double& value)
{
  double number = 0.0;
  const char* p = nullptr;
  if (!readNumber(text, number, p))
    return false;
  p = skipBlanks(p);
  double scale = 1.0;
  if (startsWithNoCase(p, "kHz"))
  {
    scale = 1000.0;
    p += 3;
  }
  else if (startsWithNoCase(p, "Hz"))
    p += 2;
  if (*skipBlanks(p) != '\0')
    return false;
  value = number * scale / kTopFrequencyHz;
  return true;
}

bool parsePercent(const IParam&, const char* text, double& value)
{
  double percent = 0.0;
  if (!readQuantity(text, "%", percent))
    return false;
  value = percent / 100.0;
  return true;
}

bool parseMix(const IParam&, const char* text, double& value)
{
  if (equalsNoCase(text, "Dry"))
  {
    value = 0.0;
    return true;
  }
  if (equalsNoCase(text, "Wet"))
  {
    value = 1.0;
    return true;
  }
  double dry = 0.0, wet = 0.0;
  const char* p = nullptr;
  if (!readNumber(text, dry, p))
    return false;
  p = skipBlanks(p);
  if (*p == '%' && *skipBlanks(p + 1) == '\0')
  {
    value = dry / 100.0; // a lone percentage is the wet share
    return true;
  }
  if (*p != ':' || !readNumber(p + 1, wet, p) || *skipBlanks(p) != '\0')
    return false;
  if (dry < 0.0 || wet < 0.0 || dry + wet <= 0.0)
    return false;
  value = wet / (dry + wet);
  return true;
}

bool parseSpeed(const IParam& param, const char* text, double& value)
{
  if (param.GetActiveDisplayFunc() == setDisplayTextForSyncRate)
  {
    const char* p = skipBlanks(text);
    for (int i = 0; i < LFO::kNumSyncRates; ++i)
    {
      if (equalsNoCase(p, LFO::labelSyncRates[i]))
      {
        value = static_cast<double>(i) / (LFO::kNumSyncRates - 1);
        return true;
      }
    }
    return false;
  }
  double hz = 0.0;
  if (!readQuantity(text, "Hz", hz))
    return false;
  value = hz > 0.0 ? std::sqrt(hz / kTopRateHz) : 0.0;
  return true;
}

bool parseStereo(const IParam&, const char* text, double& value)
{
  double width = 0.0;
  if (readBetween(text, '>', '<', "%", width))
  {
    value = (100.0 - width) / 200.0;
    return true;
  }
  if (readBetween(text, '\\', '/', "%", width))
  {
    value = (100.0 + width) / 200.0;
    return true;
  }
  // Without its marks only zero says which way: there is no direction to it.
  if (readQuantity(text, "%", width) && width == 0.0)
  {
    value = 0.5;
    return true;
  }
  return false;
}
} // namespace

// ---------------------------------------------------------------------------------------
// Parameter table

namespace {
// The knobs, in index order. A curve of 1 is linear; Manual moves on a square law. Hosts
// that draw a knob themselves show its value times perValue in unit; where no unit reads the
// value, they show it plain, with the note and marks at that many even steps.
struct KnobParam
{
  int index;
  const char* name;
  double defaultValue, min, max, step, curve;
  frame::DisplayFunc display;
  frame::TextParseFunc parse;
  frame::EParamUnit unit;
  double perValue;
  const char* note;
  int marks;
};

using frame::kUnitCustom;
using frame::kUnitHertz;
using frame::kUnitPercent;
const KnobParam kKnobs[] = {
  {kParamManual, "Manual", 0.0625, 0.0, 1.0, 0.001, 2.0, setDisplayTextForFrequency, parseFrequency, kUnitHertz, kTopFrequencyHz, "", 0},
  {kParamSpread, "Spread", 0.0, 0.0, 1.0, 0.01, 1.0, setDisplayTextForPercent, parsePercent, kUnitPercent, 100.0, "", 0},
  {kParamFeedback, "Feedback", 0.0, -1.0, 1.0, 0.01, 1.0, setDisplayTextForPercent, parsePercent, kUnitPercent, 100.0, "", 0},
  // One number read two ways, so no unit holds: x gives 25 x^2 Hz free, a note value synced.
  {kParamLFOSpeed, "LFOSpeed", 0.077, 0.0, 1.0, 0.01, 1.0, setDisplayTextForSpeed, parseSpeed, kUnitCustom, 1.0,
   "0-1, 25x^2 Hz free", LFO::kNumSyncRates},
  {kParamLFODepth, "LFODepth", 0.5, 0.0, 1.0, 0.01, 1.0, setDisplayTextForPercent, parsePercent, kUnitPercent, 100.0, "", 0},
  {kParamMix, "Mix", 0.5, 0.0, 1.0, 0.01, 1.0, setDisplayTextForMix, parseMix, kUnitCustom, 1.0, "0 dry, 1 wet", 5},
  {kParamStereo, "Stereo", 0.5, 0.0, 1.0, 0.01, 1.0, setDisplayTextForStereo, parseStereo, kUnitCustom, 1.0,
   "0.5 same, 0 opposed, 1 alternating", 5},
};
} // namespace

void TrellowPhaser::initParameters()
{
  for (const KnobParam& k : kKnobs)
  {
    IParam* p = GetParam(k.index);
    if (k.curve == 1.0)
      p->InitDouble(k.name, k.defaultValue, k.min, k.max, k.step, "", 0, "", IParam::ShapeLinear());
    else
      p->InitDouble(k.name, k.defaultValue, k.min, k.max, k.step, "", 0, "", IParam::ShapePowCurve(k.curve));
    p->SetDisplayFunc(k.display);
    p->SetTextParseFunc(k.parse);
    p->SetHostView(k.unit, k.perValue, k.note, k.marks);
  }
  // Note values while synced: the text reads the switch itself, so host and editor agree
  // from the moment it moves, whichever thread moved it.
  GetParam(kParamLFOSpeed)->SetDisplaySelector(GetParam(kParamSync), setDisplayTextForSyncRate);

  GetParam(kParamStages)->InitBool("Stages", false, "", frame::kParamFlagChoice, "", "4", "8");
  GetParam(kParamSync)->InitBool("Sync to Host", false, "", 0, "", "OFF", "ON");
  GetParam(kParamWaveform)->InitEnum("Waveform", 1, {"Sine", "Triangle"});
}

// ---------------------------------------------------------------------------------------
// Parameter changes

void TrellowPhaser::OnParamChange(int paramIdx)
{
  const IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  // Where the host's modulation has taken it: the same number as the value when unmodulated.
  const double v = param->SoundValue();

  switch (paramIdx)
  {
    case kParamStages:
      mNumStages = v >= 0.5 ? 8 : 4;
      break;
    case kParamManual:
      mManual = v;
      break;
    case kParamSpread:
      mSpreadFactor = v * -0.5 + 1.0;
      break;
    case kParamFeedback:
      setFeedback(v * 0.99);
      break;
    case kParamLFOSpeed:
      // The LFO always gets both rates; the sync state decides which one drives it.
      mLFO.setRate(v);
      mLFO.setSyncRate(static_cast<int>(frame::RoundHalfAway(param->SoundNormalized() * (LFO::kNumSyncRates - 1))));
      break;
    case kParamLFODepth:
      mDepth = v;
      break;
    case kParamMix:
      mDryGain = std::sqrt(1.0 - v);
      mWetGain = std::sqrt(v);
      break;
    case kParamSync:
      mSync = v >= 0.5;
      mLFO.setSync(mSync);
      if (!mSync)
        mLockRate = -1; // the free sweep leaves the song
      break;
    case kParamStereo:
      mLFO.setStereo(v);
      sampleSweep();
      break;
    case kParamWaveform:
      mLFO.mWaveform = static_cast<int>(v);
      sampleSweep();
      break;
    default:
      break;
  }
  updateTail();
}
