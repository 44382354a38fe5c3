#pragma once

#include <vector>

#include "frame/IFramePlugin.h"

// A stand-in effect on the frame: doubles its input, counts the calls the frame makes.
class TestPlugin : public frame::IFramePlugin
{
public:
  static frame::Config MakeConfig(const char* io = "2-2", int latency = 0)
  {
    frame::Config c;
    c.nParams = 3;
    c.nPresets = 2;
    c.channelIOStr = io;
    c.pluginName = "Test";
    c.productName = "Test";
    c.mfrName = "Tester";
    c.vendorVersion = 0x00020001;
    c.latency = latency;
    c.plugDoesChunks = true;
    c.plugHasUI = true;
    c.plugWidth = 720;
    c.plugHeight = 174;
    c.plugMinWidth = 1440; // given the wrong way round on purpose
    c.plugMaxWidth = 360;
    c.plugMinHeight = 87;
    c.plugMaxHeight = 348;
    return c;
  }

  explicit TestPlugin(const char* io = "2-2", int latency = 0) : IFramePlugin(MakeConfig(io, latency))
  {
    GetParam(0)->InitDouble("Gain", 1.0, 0.0, 4.0, 0.01);
    GetParam(1)->InitBool("Switch", false);
    GetParam(2)->InitEnum("Mode", 0, {"A", "B", "C"});
  }

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    ++blocks;
    lastFrames = nFrames;
    const double gain = GetParam(0)->Value();
    for (int c = 0; c < MaxNChannels(frame::kOutput); ++c)
      for (int i = 0; i < nFrames; ++i)
        outputs[c][i] = (c < MaxNChannels(frame::kInput) ? inputs[c][i] : 0.0) * gain;
  }
  void OnReset() override { ++resets; }
  void OnParamChange(int idx) override { changes.push_back(idx); }
  void OnParamChangeUI(int idx, frame::EParamSource source) override { uiChanges.push_back({idx, source}); }

  int blocks = 0;
  int lastFrames = 0;
  int resets = 0;
  std::vector<int> changes;
  std::vector<std::pair<int, frame::EParamSource>> uiChanges;
};
