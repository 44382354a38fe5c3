#include "frame/IParam.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace frame {

namespace {
// Names and texts live in fixed 32-byte fields; a longer text is cut, never overrun.
void copyText(char (&dst)[IParam::kTextLen], const char* src)
{
  std::strncpy(dst, src ? src : "", IParam::kTextLen - 1);
  dst[IParam::kTextLen - 1] = '\0';
}
} // namespace

double RoundHalfAway(double v) { return std::round(v); }

double IParam::ShapeLinear::NormalizedToValue(double n, const IParam& p) const
{
  return p.GetMin() + n * (p.GetMax() - p.GetMin());
}

double IParam::ShapeLinear::ValueToNormalized(double v, const IParam& p) const
{
  return (v - p.GetMin()) / (p.GetMax() - p.GetMin());
}

int IParam::ShapePowCurve::GetDisplayType() const
{
  if (mShape > 2.5)
    return 6;
  if (mShape > 1.5)
    return 4;
  if (mShape < 0.4)
    return 5;
  if (mShape < 2.0 / 3.0)
    return 3;
  return 0;
}

double IParam::ShapePowCurve::NormalizedToValue(double n, const IParam& p) const
{
  return p.GetMin() + (p.GetMax() - p.GetMin()) * std::pow(n, mShape);
}

double IParam::ShapePowCurve::ValueToNormalized(double v, const IParam& p) const
{
  return std::pow((v - p.GetMin()) / (p.GetMax() - p.GetMin()), 1.0 / mShape);
}

void IParam::ShapeExp::Init(const IParam& p)
{
  // The substitute lower end also divides max, so the curve spans exactly [m, max].
  const double m = p.GetMin() > 0.0 ? p.GetMin() : 0.00000001;
  mAdd = std::log(m);
  mMul = std::log(p.GetMax() / m);
}

double IParam::ShapeExp::NormalizedToValue(double n, const IParam&) const
{
  return std::exp(mAdd + n * mMul);
}

double IParam::ShapeExp::ValueToNormalized(double v, const IParam&) const
{
  return (std::log(v) - mAdd) / mMul;
}

IParam::IParam() : mShape(new ShapeLinear) { mDisplayTexts.reserve(4096 / sizeof(DisplayText)); }

IParam::~IParam() = default;

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal,
                        double step, const char* label, int flags, const char* group,
                        const Shape& shape, EParamUnit unit, DisplayFunc displayFunc)
{
  if (mType == kTypeNone)
    mType = kTypeDouble;
  copyText(mName, name);
  copyText(mLabel, label);
  copyText(mParamGroup, group);
  mMin = minVal;
  mMax = std::max(maxVal, minVal + step);
  mStep = step;
  mDefault = defaultVal;
  mUnit = unit;
  mUnitScale = 1.0;
  mHostNote = "";
  mNumMarks = 0;
  mFlags = flags;
  mDisplayFunction.store(displayFunc);
  mValue.store(Constrain(defaultVal));

  mDisplayPrecision = 0;
  for (double s = mStep; mDisplayPrecision < 6 && std::floor(s) != s; s *= 10.0)
    ++mDisplayPrecision;

  mShape.reset(shape.Clone());
  mShape->Init(*this);
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, int flags,
                      const char* group, const char* offText, const char* onText)
{
  if (mType == kTypeNone)
    mType = kTypeBool;
  InitDouble(name, defaultVal ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, flags | kParamFlagStepped, group);
  SetDisplayText(0.0, offText);
  SetDisplayText(1.0, onText);
}

void IParam::InitEnum(const char* name, int defaultVal, std::initializer_list<const char*> texts,
                      int flags, const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;
  InitDouble(name, defaultVal, 0.0, static_cast<double>(texts.size()) - 1.0, 1.0, "",
             flags | kParamFlagStepped, group);
  int i = 0;
  for (const char* text : texts)
    SetDisplayText(static_cast<double>(i++), text);
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label,
                     int flags, const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeInt;
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, label, flags | kParamFlagStepped, group);
}

double IParam::Constrain(double value) const
{
  double v = value;
  if ((mFlags & kParamFlagStepped) && mStep > 0.0)
    v = RoundHalfAway(v / mStep) * mStep;
  // Written min-first so that a NaN (from a damaged state or a host) becomes the minimum:
  // a non-finite value must never reach the DSP.
  v = std::isnan(v) ? mMin : v;
  v = mMin > v ? mMin : v;
  v = mMax < v ? mMax : v;
  return v;
}

double IParam::ToNormalized(double value) const
{
  const double n = mShape->ValueToNormalized(Constrain(value), *this);
  if (std::isnan(n))
    return 0.0;
  return n < 0.0 ? 0.0 : (n > 1.0 ? 1.0 : n);
}

double IParam::FromNormalized(double normalized) const
{
  return Constrain(mShape->NormalizedToValue(normalized, *this));
}

void IParam::SetDisplayText(double value, const char* text)
{
  DisplayText entry{value, {}};
  copyText(entry.mText, text);
  mDisplayTexts.push_back(entry);
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* value) const
{
  const DisplayText& entry = mDisplayTexts[static_cast<size_t>(idx)];
  if (value)
    *value = entry.mValue;
  return entry.mText;
}

const char* IParam::GetDisplayText(double value) const
{
  for (const DisplayText& entry : mDisplayTexts)
    if (entry.mValue == value)
      return entry.mText;
  return "";
}

bool IParam::MapDisplayText(const char* text, double* value) const
{
  if (!text)
    return false;
  for (const DisplayText& entry : mDisplayTexts)
  {
    if (std::strcmp(entry.mText, text) == 0)
    {
      *value = entry.mValue;
      return true;
    }
  }
  return false;
}

void IParam::GetDisplay(double value, bool normalized, IString& str, bool withDisplayText) const
{
  if (normalized)
    value = FromNormalized(value);

  if (DisplayFunc func = GetActiveDisplayFunc())
  {
    func(value, str);
    return;
  }

  if (withDisplayText)
  {
    for (const DisplayText& entry : mDisplayTexts)
    {
      if (entry.mValue == value)
      {
        if (entry.mText[0])
        {
          str.Set(entry.mText, kTextLen);
          return;
        }
        break;
      }
    }
  }

  double d = (mFlags & kParamFlagNegateDisplay) ? -value : value;
  if (d == 0.0)
    d = 0.0; // no "-0"

  if (mDisplayPrecision == 0)
  {
    // Values beyond the int range or NaN would make the conversion undefined.
    const double r = RoundHalfAway(d);
    const int i = std::isnan(r) ? 0 : (r >= 2147483647.0 ? 2147483647 : (r <= -2147483648.0 ? INT32_MIN : static_cast<int>(r)));
    str.SetFormatted(kTextLen, "%d", i);
  }
  else if ((mFlags & kParamFlagSignDisplay) && d != 0.0)
  {
    char format[16];
    std::snprintf(format, sizeof(format), "%%+.%df", mDisplayPrecision);
    str.SetFormatted(kTextLen, format, d);
  }
  else
    str.SetFormatted(kTextLen, "%.*f", mDisplayPrecision, d);
}

const char* IParam::GetLabel() const
{
  const double v = Value();
  const double truncated = std::isfinite(v) ? std::trunc(v) : v;
  for (const DisplayText& entry : mDisplayTexts)
  {
    if (entry.mValue == truncated)
    {
      if (entry.mText[0])
        return "";
      break;
    }
  }
  return mLabel;
}

void IParam::GetDisplayWithLabel(IString& str, bool withDisplayText) const
{
  GetDisplay(Value(), false, str, withDisplayText);
  const char* label = GetLabel();
  if (label[0])
  {
    str.Append(" ");
    str.Append(label);
  }
}

double IParam::StringToValue(const char* text) const
{
  double mapped = 0.0;
  if (NDisplayTexts() && MapDisplayText(text, &mapped))
    return mapped;
  if (mType == kTypeBool || mType == kTypeEnum)
    return 0.0;
  if (TextParseFunc parse = mTextParse.load())
  {
    double v = 0.0;
    if (text && parse(*this, text, v))
      return Constrain(v);
  }
  double v = text ? std::atof(text) : 0.0;
  if (mFlags & kParamFlagNegateDisplay)
    v = -v;
  return Constrain(v);
}

} // namespace frame
