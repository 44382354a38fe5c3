#pragma once

/** The editor sizes of the window-size menu, in menu order. The percentages of the menu
 *  texts are labels: each size stands for the draw scale of GUISizeScale. */
enum GUISize : int
{
  kGUISize50 = 0,
  kGUISize75 = 1,
  kGUISize100 = 2,
  kGUISize200 = 3,
  kGUISize400 = 4,
  kGUISize800 = 5,
  kNumGUISizes = 6
};

/** The draw scale a size stands for; 0 (which changes nothing) for a value outside the
 *  enumeration. The 200% step is the single-precision square root of one half. */
constexpr float GUISizeScale(int size)
{
  constexpr float kScales[kNumGUISizes] = {0.25f, 0.375f, 0.5f, 0.70710677f, 1.0f, 2.0f};
  return size >= 0 && size < kNumGUISizes ? kScales[size] : 0.f;
}
