#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "frame/IString.h"

namespace frame {

class IParam;

/** Fills str with the text of a real (not normalised) value. A plain function pointer, so
 *  the formatter can be swapped atomically while another thread formats the value. */
using DisplayFunc = void (*)(double value, IString& str);

/** Reads typed text in the units the display function shows; returns false when the text
 *  is not in that form, so the caller falls back to the plain number. */
using TextParseFunc = bool (*)(const IParam& param, const char* text, double& value);

enum EParamType
{
  kTypeNone = 0,
  kTypeBool = 1,
  kTypeInt = 2,
  kTypeEnum = 3,
  kTypeDouble = 4
};

/** The quantity a value stands for, as hosts that draw a parameter themselves show it. */
enum EParamUnit
{
  kUnitPercent = 1,
  kUnitHertz = 2,
  kUnitCustom = 21 // none a host knows: the value is shown as it is
};

/** How a knob moves through the values: evenly, on a power law, or by equal ratios. */
enum EParamCurve
{
  kCurveLinear = 0,
  kCurvePower = 1,
  kCurveLog = 2
};

enum EFlags
{
  kParamFlagsNone = 0,
  kParamFlagCannotAutomate = 1,
  kParamFlagStepped = 2,
  kParamFlagNegateDisplay = 4,
  kParamFlagSignDisplay = 8,
  kParamFlagChoice = 16 // a switch whose two texts name choices (4 or 8), not off and on
};

/** One automatable value: range, stepping, curve to and from 0..1, texts. */
class IParam
{
public:
  static constexpr int kTextLen = 32; // fixed text fields: 31 characters plus terminator

  /** The curve between a real value and the normalised range. */
  class Shape
  {
  public:
    virtual ~Shape() = default;
    virtual Shape* Clone() const = 0;
    /** Called once the owning parameter's range is known. */
    virtual void Init(const IParam&) {}
    virtual int GetDisplayType() const = 0;
    virtual EParamCurve Curve() const = 0;
    virtual double NormalizedToValue(double normalized, const IParam& param) const = 0;
    virtual double ValueToNormalized(double value, const IParam& param) const = 0;
  };

  class ShapeLinear : public Shape
  {
  public:
    Shape* Clone() const override { return new ShapeLinear(*this); }
    int GetDisplayType() const override { return 0; }
    EParamCurve Curve() const override { return kCurveLinear; }
    double NormalizedToValue(double n, const IParam& p) const override;
    double ValueToNormalized(double v, const IParam& p) const override;
  };

  class ShapePowCurve : public Shape
  {
  public:
    explicit ShapePowCurve(double exponent) : mShape(exponent) {}
    Shape* Clone() const override { return new ShapePowCurve(*this); }
    int GetDisplayType() const override;
    EParamCurve Curve() const override { return mShape == 1.0 ? kCurveLinear : kCurvePower; }
    double NormalizedToValue(double n, const IParam& p) const override;
    double ValueToNormalized(double v, const IParam& p) const override;

  private:
    double mShape;
  };

  class ShapeExp : public Shape
  {
  public:
    Shape* Clone() const override { return new ShapeExp(*this); }
    void Init(const IParam& p) override;
    int GetDisplayType() const override { return 1; }
    EParamCurve Curve() const override { return kCurveLog; }
    double NormalizedToValue(double n, const IParam& p) const override;
    double ValueToNormalized(double v, const IParam& p) const override;

  private:
    double mMul = 1.0;
    double mAdd = 1.0;
  };

  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", int flags = 0, const char* group = "",
                  const Shape& shape = ShapeLinear(), EParamUnit unit = kUnitCustom,
                  DisplayFunc displayFunc = nullptr);
  void InitBool(const char* name, bool defaultVal, const char* label = "", int flags = 0,
                const char* group = "", const char* offText = "off", const char* onText = "on");
  void InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> texts,
                int flags = 0, const char* group = "");
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "",
               int flags = 0, const char* group = "");

  double Value() const { return mValue.load(); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const { return static_cast<int>(Value()); }
  void Set(double value) { mValue.store(Constrain(value)); }
  void SetNormalized(double normalized) { Set(FromNormalized(normalized)); }
  double GetNormalized() const { return ToNormalized(Value()); }
  double ToNormalized(double value) const;
  double FromNormalized(double normalized) const;

  /** The host's modulation: an offset in normalised units that moves the value the sound
   *  uses, never the value itself, its text or the saved state. Set on the thread that owns
   *  the signal path's settings, read anywhere. */
  void SetModulation(double normalizedAmount) { mModulation.store(normalizedAmount, std::memory_order_relaxed); }
  double GetModulation() const { return mModulation.load(std::memory_order_relaxed); }
  /** The value moved by the modulation, clamped to 0..1; the value itself when unmodulated. */
  double SoundNormalized() const
  {
    const double m = GetModulation();
    if (m == 0.0)
      return GetNormalized();
    const double n = GetNormalized() + m;
    return n < 0.0 ? 0.0 : (n > 1.0 ? 1.0 : n);
  }
  /** What the signal path uses: the value, or where the modulation took it, stepped. */
  double SoundValue() const { return GetModulation() == 0.0 ? Value() : FromNormalized(SoundNormalized()); }
  /** Steps (halves away from zero), then clamps; a NaN becomes the minimum. */
  double Constrain(double value) const;

  void SetDisplayText(double value, const char* text);
  int NDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
  const char* GetDisplayTextAtIdx(int idx, double* value = nullptr) const;
  const char* GetDisplayText(double value) const;
  bool MapDisplayText(const char* text, double* value) const;

  void SetDisplayFunc(DisplayFunc func) { mDisplayFunction.store(func); }
  DisplayFunc GetDisplayFunc() const { return mDisplayFunction.load(); }
  /** The value text follows a switch of the same plug-in: while selector is on, whenOn
   *  formats it instead of the display function. Set once, before the plug-in is shared. */
  void SetDisplaySelector(const IParam* selector, DisplayFunc whenOn)
  {
    mDisplaySelector = selector;
    mDisplayWhenSelected = whenOn;
  }
  /** The formatter that applies to the value text now, or null. Any thread. */
  DisplayFunc GetActiveDisplayFunc() const
  {
    return mDisplaySelector && mDisplaySelector->Bool() ? mDisplayWhenSelected : mDisplayFunction.load();
  }
  /** The other formatter SetDisplaySelector installed, or null. */
  DisplayFunc GetDisplayWhenSelected() const { return mDisplayWhenSelected; }
  void SetTextParseFunc(TextParseFunc func) { mTextParse.store(func); }

  /** What a host that draws the parameter itself needs, set once with the table: the
   *  quantity shown is the value times perValue in unit (Manual: 16000 Hz per unit). A
   *  parameter no unit reads (kUnitCustom) shows its plain value: then `note` says how to
   *  read it, and nMarks evenly spaced values across the range get their texts as marks. */
  void SetHostView(EParamUnit unit, double perValue, const char* note = "", int nMarks = 0)
  {
    mUnit = unit;
    mUnitScale = perValue;
    mHostNote = note ? note : "";
    mNumMarks = nMarks;
  }
  double GetUnitScale() const { return mUnitScale; }
  const char* GetHostNote() const { return mHostNote; }
  int NMarks() const { return mNumMarks; }
  double GetMark(int idx) const
  {
    return mNumMarks > 1 ? GetMin() + GetRange() * idx / (mNumMarks - 1) : GetMin();
  }
  EParamCurve GetCurve() const { return mShape->Curve(); }
  /** A switch between two states, as opposed to a list of named choices. */
  bool IsSwitch() const { return mType == kTypeBool && !(mFlags & kParamFlagChoice); }

  /** Text of a value; with normalized, value is first mapped (stepped, clamped). */
  void GetDisplay(double value, bool normalized, IString& str, bool withDisplayText = true) const;
  void GetDisplay(IString& str, bool withDisplayText = true) const
  {
    GetDisplay(Value(), false, str, withDisplayText);
  }
  void GetDisplayWithLabel(IString& str, bool withDisplayText = true) const;
  const char* GetLabel() const;
  double StringToValue(const char* text) const;

  const char* GetName() const { return mName; }
  const char* GetGroup() const { return mParamGroup; }
  const char* GetCustomUnit() const { return mLabel; }
  EParamType Type() const { return mType; }
  EParamUnit Unit() const { return mUnit; }
  double GetDefault(bool normalized = false) const
  {
    return normalized ? ToNormalized(mDefault) : mDefault;
  }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetRange() const { return mMax - mMin; }
  void GetBounds(double& lo, double& hi) const { lo = mMin; hi = mMax; }
  double GetStep() const { return mStep; }
  int GetFlags() const { return mFlags; }
  bool GetStepped() const { return mFlags & kParamFlagStepped; }
  bool GetCanAutomate() const { return !(mFlags & kParamFlagCannotAutomate); }
  int GetDisplayPrecision() const { return mDisplayPrecision; }
  void SetDisplayPrecision(int precision) { mDisplayPrecision = precision; }
  const Shape& GetShape() const { return *mShape; }

private:
  struct DisplayText
  {
    double mValue;
    char mText[kTextLen];
  };

  EParamType mType = kTypeNone;
  EParamUnit mUnit = kUnitCustom;
  double mUnitScale = 1.0;
  const char* mHostNote = "";
  int mNumMarks = 0;
  std::atomic<double> mValue{0.0};
  std::atomic<double> mModulation{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  char mName[kTextLen] = {};
  char mLabel[kTextLen] = {};
  char mParamGroup[kTextLen] = {};
  std::unique_ptr<Shape> mShape;
  std::atomic<DisplayFunc> mDisplayFunction{nullptr};
  const IParam* mDisplaySelector = nullptr;
  DisplayFunc mDisplayWhenSelected = nullptr;
  std::atomic<TextParseFunc> mTextParse{nullptr};
  std::vector<DisplayText> mDisplayTexts;
};

/** Rounds halves away from zero, as every step rounding of the frame does. */
double RoundHalfAway(double v);

} // namespace frame
