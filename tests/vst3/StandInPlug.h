#pragma once

// A small plug-in on the frame, to watch what the binding does to it: a gain in two
// parameter groups, two presets, and an editor whose window is a stand-in.
#include <vector>

#include "frame/IFramePlugin.h"

class StandInGraphics : public frame::graphics::IGraphicsContext
{
public:
  void* OpenWindow(void* parent) override
  {
    mParent = parent;
    mOpen = parent != nullptr;
    return mOpen ? this : nullptr;
  }
  void CloseWindow() override { mOpen = false; }
  bool WindowIsOpen() const override { return mOpen; }
  int Width() const override { return 720; }
  int Height() const override { return 174; }
  float GetDrawScale() const override { return 2.f; }
  void Resize(int, int, float, bool) override {}
  void SetScreenScale(float) override {}
  void SetControlValueFromDelegate(int, double) override {}
  void SetAllControlsDirty() override {}

  void* mParent = nullptr;
  bool mOpen = false;
};

class StandInPlug : public frame::IFramePlugin
{
public:
  static frame::Config MakeConfig()
  {
    frame::Config c;
    c.nParams = 3;
    c.nPresets = 2;
    c.channelIOStr = "2-2";
    c.pluginName = "Stand-in";
    c.plugDoesChunks = true;
    c.plugHasUI = true;
    c.plugWidth = 720;
    c.plugHeight = 174;
    c.plugMinWidth = 360;
    c.plugMaxWidth = 1440;
    c.plugMinHeight = 87;
    c.plugMaxHeight = 348;
    return c;
  }

  explicit StandInPlug(bool withEditor = false) : IFramePlugin(MakeConfig())
  {
    GetParam(0)->InitDouble("Gain", 1.0, 0.0, 2.0, 0.01, "x", 0, "Levels");
    GetParam(1)->InitBool("Invert", false, "", 0, "Levels");
    GetParam(2)->InitEnum("Mode", 0, {"A", "B", "C"}, 0, "Modes");
    for (int p = 0; p < NPresets(); ++p)
    {
      GetParam(0)->Set(0.5 + p);
      frame::IPreset* preset = GetPreset(p);
      preset->mInitialized = true;
      SerializeState(preset->mChunk);
    }
    GetParam(0)->Set(1.0);
    if (withEditor)
      mMakeGraphicsFunc = [this] { return mGraphics = new StandInGraphics; };
  }

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    mTimeInfos.push_back(GetTimeInfo());
    const double gain = GetParam(0)->Value();
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < nFrames; ++i)
        outputs[c][i] = inputs[c][i] * gain;
  }
  void OnIdle() override { ++mIdles; }

  std::vector<frame::ITimeInfo> mTimeInfos;
  StandInGraphics* mGraphics = nullptr; // owned by the delegate while open
  int mIdles = 0;
};
