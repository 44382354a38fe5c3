#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "apps/render/ValueText.h"

using render::ParamTextModel;
using render::ReadValueText;

namespace {

// Plug-ins read any text: what they do not understand becomes a number or a clamped end.
// These models behave like that, so the host-side checks are what is under test.

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

ParamTextModel Frequency()
{
  ParamTextModel m;
  m.title = "Manual";
  m.toText = [](double n) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%.0fHz", n * 16000.0);
    return std::string(buf);
  };
  m.fromText = [](const std::string& t, double& n) {
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    while (*end == ' ')
      ++end;
    double scale = 1.0;
    if (strncasecmp(end, "khz", 3) == 0 && end[3] == '\0')
      scale = 1000.0;
    else if (!(*end == '\0' || (strncasecmp(end, "hz", 2) == 0 && end[2] == '\0')))
      scale = 1.0; // not understood: the number alone, as a plug-in's fallback
    n = Clamp01(v * scale / 16000.0);
    return true;
  };
  m.toPlain = [](double n) { return n; };
  return m;
}

ParamTextModel Mix()
{
  ParamTextModel m;
  m.title = "Mix";
  m.toText = [](double n) {
    if (n == 0.0)
      return std::string("Dry");
    if (n == 1.0)
      return std::string("Wet");
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%.0f:%.0f", (1 - n) * 100, n * 100);
    return std::string(buf);
  };
  m.fromText = [](const std::string& t, double& n) {
    if (strcasecmp(t.c_str(), "dry") == 0)
      n = 0.0;
    else if (strcasecmp(t.c_str(), "wet") == 0)
      n = 1.0;
    else
    {
      char* end = nullptr;
      const double v = std::strtod(t.c_str(), &end);
      if (*end == ':')
        n = Clamp01(std::strtod(end + 1, nullptr) / 100.0); // "dry:wet"
      else
        n = Clamp01(std::strcmp(end, "%") == 0 ? v / 100.0 : v);
    }
    return true;
  };
  m.toPlain = [](double n) { return n; };
  return m;
}

ParamTextModel Waveform()
{
  ParamTextModel m;
  m.title = "Waveform";
  m.stepCount = 1;
  m.toText = [](double n) { return std::string(n < 0.5 ? "Sine" : "Triangle"); };
  m.fromText = [](const std::string&, double& n) {
    n = 0.0;
    return true;
  };
  m.toPlain = [](double n) { return std::round(n); };
  return m;
}

double Read(const ParamTextModel& m, const std::string& text)
{
  double n = -1.0;
  std::string error;
  EXPECT_TRUE(ReadValueText(m, text, n, error)) << text << ": " << error;
  return n;
}

std::string Refused(const ParamTextModel& m, const std::string& text)
{
  double n = -1.0;
  std::string error;
  EXPECT_FALSE(ReadValueText(m, text, n, error)) << text << " read as " << n;
  EXPECT_EQ(n, -1.0) << "a refused value leaves the output alone";
  EXPECT_NE(error.find(m.title), std::string::npos) << error;
  return error;
}

} // namespace

TEST(ValueTextOwnTexts, ThePluginsTextsReadIgnoringCaseAndBlanks)
{
  EXPECT_DOUBLE_EQ(Read(Frequency(), "1000Hz"), 1000.0 / 16000.0);
  EXPECT_DOUBLE_EQ(Read(Frequency(), " 1000 hz "), 1000.0 / 16000.0);
  EXPECT_EQ(Read(Mix(), "Dry"), 0.0);
  EXPECT_EQ(Read(Mix(), "WET"), 1.0);
  EXPECT_DOUBLE_EQ(Read(Mix(), "30:70"), 0.7);
}

TEST(ValueTextNumbers, APlainNumberOrOneWithAUnitThePluginReadsIsTaken)
{
  EXPECT_DOUBLE_EQ(Read(Frequency(), "1000"), 1000.0 / 16000.0);
  EXPECT_DOUBLE_EQ(Read(Frequency(), "2kHz"), 2000.0 / 16000.0);
  EXPECT_DOUBLE_EQ(Read(Mix(), "30%"), 0.3);
  EXPECT_DOUBLE_EQ(Read(Mix(), "0.25"), 0.25);
}

TEST(ValueTextNumbers, TheEndsOfTheRangeAreInIt)
{
  EXPECT_EQ(Read(Frequency(), "16000Hz"), 1.0);
  EXPECT_EQ(Read(Frequency(), "0"), 0.0);
  EXPECT_EQ(Read(Mix(), "100%"), 1.0);
}

TEST(ValueTextRefusals, TextThePluginOnlyGuessesAtIsRefused)
{
  // The plug-in turns each of these into some value without complaint.
  Refused(Frequency(), "banana");
  Refused(Frequency(), "1000 parsecs");
  Refused(Frequency(), "0x100");
  Refused(Frequency(), "inf");
  Refused(Mix(), "half");
  Refused(Frequency(), "   ");
}

TEST(ValueTextRefusals, NumbersBeyondTheRangeAreRefusedNotClamped)
{
  const std::string error = Refused(Frequency(), "20000Hz");
  EXPECT_NE(error.find("16000Hz"), std::string::npos) << "names the range: " << error;
  Refused(Frequency(), "-5");
  Refused(Mix(), "50");
}

TEST(ValueTextStepped, StepsReadByTextOrByPlainValue)
{
  EXPECT_EQ(Read(Waveform(), "Sine"), 0.0);
  EXPECT_EQ(Read(Waveform(), "triangle"), 1.0);
  EXPECT_EQ(Read(Waveform(), "1"), 1.0);
}

TEST(ValueTextStepped, AnythingElseIsRefusedWithTheChoices)
{
  const std::string error = Refused(Waveform(), "Square");
  EXPECT_NE(error.find("Sine, Triangle"), std::string::npos) << error;
  Refused(Waveform(), "2");
  Refused(Waveform(), "0.5");
}

TEST(ValueTextNames, NamesMatchIgnoringCaseBlanksAndSeparators)
{
  EXPECT_TRUE(render::SameName("Sync to Host", "synctohost"));
  EXPECT_TRUE(render::SameName("Sync to Host", "SYNC-TO_HOST"));
  EXPECT_TRUE(render::SameName("8-Stager", "8stager"));
  EXPECT_FALSE(render::SameName("Stages", "Stage"));
  EXPECT_FALSE(render::SameName("LFOSpeed", "LFODepth"));
}
