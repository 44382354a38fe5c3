#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "frame/IParam.h"

using frame::IParam;
using frame::IString;

namespace {
std::string display(const IParam& p, double value, bool withTexts = true)
{
  IString s;
  p.GetDisplay(value, false, s, withTexts);
  return s.Get();
}
} // namespace

TEST(ParamInit, MaxBelowMinPlusStepIsRaised)
{
  IParam p;
  p.InitDouble("x", 0.0, 0.0, 0.0, 1.0);
  EXPECT_EQ(p.GetMax(), 1.0);
}

TEST(ParamInit, OffGridDefaultIsKeptButValueIsStepped)
{
  IParam p;
  p.InitDouble("x", 0.123, 0.0, 1.0, 0.1, "", frame::kParamFlagStepped);
  EXPECT_EQ(p.GetDefault(), 0.123);
  EXPECT_DOUBLE_EQ(p.Value(), 0.1);
}

TEST(ParamInit, DisplayPrecisionFollowsTheStep)
{
  IParam a, b, c, d;
  a.InitDouble("a", 0, 0, 1, 0.01);
  b.InitDouble("b", 0, 0, 1, 0.001);
  c.InitDouble("c", 0, 0, 10, 1.0);
  d.InitDouble("d", 0, 0, 1, 1.0 / 3.0);
  EXPECT_EQ(a.GetDisplayPrecision(), 2);
  EXPECT_EQ(b.GetDisplayPrecision(), 3);
  EXPECT_EQ(c.GetDisplayPrecision(), 0);
  EXPECT_EQ(d.GetDisplayPrecision(), 6);
}

TEST(ParamInit, SpecialisedInitialisersFixTheirTypeAndTexts)
{
  IParam b, e;
  b.InitBool("b", true, "", 0, "", "OFF", "ON");
  e.InitEnum("e", 1, {"Sine", "Triangle"});
  EXPECT_EQ(b.Type(), frame::kTypeBool);
  EXPECT_EQ(e.Type(), frame::kTypeEnum);
  EXPECT_TRUE(b.GetFlags() & frame::kParamFlagStepped);
  EXPECT_EQ(e.GetMax(), 1.0);
  EXPECT_EQ(e.NDisplayTexts(), 2);
  EXPECT_STREQ(e.GetDisplayText(1.0), "Triangle");
}

TEST(ParamConstrain, SteppingRoundsHalvesAwayFromZeroBeforeClamping)
{
  IParam p;
  p.InitDouble("x", 0, -10, 10, 1.0, "", frame::kParamFlagStepped);
  EXPECT_EQ(p.Constrain(2.5), 3.0);
  EXPECT_EQ(p.Constrain(-2.5), -3.0);
  EXPECT_EQ(p.Constrain(10.4), 10.0);
  IParam q;
  q.InitDouble("q", 0, 0, 0.95, 0.1, "", frame::kParamFlagStepped);
  // 0.96 steps to 1.0, which the clamp then brings back inside the range.
  EXPECT_EQ(q.Constrain(0.96), 0.95);
}

TEST(ParamConstrain, NonFiniteValuesNeverGetIn)
{
  IParam p;
  p.InitDouble("x", 0, -1, 1, 0.01);
  p.Set(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), -1.0);
  p.Set(std::numeric_limits<double>::infinity());
  EXPECT_EQ(p.Value(), 1.0);
  p.Set(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(p.Value(), -1.0);
  p.SetNormalized(std::numeric_limits<double>::quiet_NaN());
  EXPECT_TRUE(std::isfinite(p.Value()));
  IParam s;
  s.InitBool("s", false);
  s.Set(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(s.Value(), 0.0);
}

TEST(ParamNormalized, ClampsOutsideTheRange)
{
  IParam p;
  p.InitDouble("x", 0, 0, 1, 0.01);
  EXPECT_EQ(p.ToNormalized(-3.0), 0.0);
  EXPECT_EQ(p.ToNormalized(3.0), 1.0);
}

TEST(ParamShapes, PowCurvePlacesTheSquareLawDefaultAtAQuarter)
{
  IParam p;
  p.InitDouble("Manual", 0.0625, 0, 1, 0.001, "", 0, "", IParam::ShapePowCurve(2.0));
  EXPECT_DOUBLE_EQ(p.GetNormalized(), 0.25);
  EXPECT_DOUBLE_EQ(p.FromNormalized(0.5), 0.25);
  EXPECT_EQ(IParam::ShapePowCurve(3.0).GetDisplayType(), 6);
  EXPECT_EQ(IParam::ShapePowCurve(2.0).GetDisplayType(), 4);
  EXPECT_EQ(IParam::ShapePowCurve(0.3).GetDisplayType(), 5);
  EXPECT_EQ(IParam::ShapePowCurve(0.5).GetDisplayType(), 3);
  EXPECT_EQ(IParam::ShapePowCurve(1.0).GetDisplayType(), 0);
}

TEST(ParamShapes, ExpWithMinZeroStartsAtOneHundredMillionth)
{
  IParam p;
  p.InitDouble("f", 1.0, 0.0, 1000.0, 0.0001, "", 0, "", IParam::ShapeExp());
  EXPECT_NEAR(p.GetShape().NormalizedToValue(0.0, p), 1e-8, 1e-20);
  EXPECT_NEAR(p.GetShape().NormalizedToValue(1.0, p), 1000.0, 1e-9);
  EXPECT_NEAR(p.FromNormalized(p.ToNormalized(10.0)), 10.0, 1e-9);
}

TEST(ParamDisplay, DisplayTextsWinUnlessEmptyOrDisabled)
{
  IParam b;
  b.InitBool("b", false, "dB", 0, "", "OFF", "");
  EXPECT_EQ(display(b, 0.0), "OFF");
  EXPECT_EQ(display(b, 1.0), "1");           // empty text falls back to the number
  EXPECT_EQ(display(b, 0.0, false), "0");
  b.Set(1.0);
  EXPECT_STREQ(b.GetLabel(), "dB");           // no text says it, so the label shows
  IString s;
  b.GetDisplayWithLabel(s);
  EXPECT_STREQ(s.Get(), "1 dB");
  b.Set(0.0);
  EXPECT_STREQ(b.GetLabel(), "");
}

TEST(ParamDisplay, NegatedAndSignedNumbers)
{
  IParam n, s;
  n.InitDouble("n", 0, -1, 1, 0.01, "", frame::kParamFlagNegateDisplay);
  s.InitDouble("s", 0, -1, 1, 0.01, "", frame::kParamFlagSignDisplay);
  EXPECT_EQ(display(n, 0.0), "0.00");
  EXPECT_EQ(display(n, 0.25), "-0.25");
  EXPECT_EQ(display(s, 0.0), "0.00");
  EXPECT_EQ(display(s, 0.25), "+0.25");
  EXPECT_DOUBLE_EQ(n.StringToValue("0.5"), -0.5);
}

TEST(ParamDisplay, NeverOverrunsItsField)
{
  IParam p, q;
  p.InitDouble("p", 0, -1e300, 1e300, 0.000001);
  q.InitDouble("q", 0, -1e300, 1e300, 1.0);
  for (double v : {1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity()})
  {
    EXPECT_LE(display(p, v).size(), 32u);
    EXPECT_LE(display(q, v).size(), 32u);
  }
}

TEST(ParamDisplay, DisplayFunctionReplacesEverything)
{
  IParam p;
  p.InitBool("b", false, "", 0, "", "OFF", "ON");
  p.SetDisplayFunc([](double v, IString& s) { s.SetFormatted(8, "<%g>", v); });
  EXPECT_EQ(display(p, 1.0), "<1>");
}

TEST(ParamText, StringToValueByType)
{
  IParam b, e, d;
  b.InitBool("b", false, "", 0, "", "OFF", "ON");
  e.InitEnum("e", 0, {"Sine", "Triangle"});
  d.InitDouble("d", 0, 0, 10, 0.5, "", frame::kParamFlagStepped);
  EXPECT_EQ(b.StringToValue("ON"), 1.0);
  EXPECT_EQ(b.StringToValue("1"), 0.0);
  EXPECT_EQ(e.StringToValue("Triangle"), 1.0);
  EXPECT_EQ(e.StringToValue("3"), 0.0);
  EXPECT_EQ(d.StringToValue("3.3Hz"), 3.5);
  EXPECT_EQ(d.StringToValue("abc"), 0.0);
  EXPECT_EQ(d.StringToValue("99"), 10.0);
}

TEST(ParamText, ParserReadsTheDisplayedUnitsFirst)
{
  IParam p;
  p.InitDouble("f", 0, 0, 1, 0.001);
  p.SetTextParseFunc([](const IParam&, const char* text, double& v) {
    if (std::strstr(text, "kHz") == nullptr)
      return false;
    v = std::atof(text) / 16.0;
    return true;
  });
  EXPECT_DOUBLE_EQ(p.StringToValue("8kHz"), 0.5);
  EXPECT_DOUBLE_EQ(p.StringToValue("0.25"), 0.25);
}

TEST(ParamText, LongNamesAreCutNotOverrun)
{
  IParam p;
  p.InitDouble("a name that is certainly longer than thirty-one characters", 0, 0, 1, 0.1);
  EXPECT_EQ(std::strlen(p.GetName()), 31u);
}
