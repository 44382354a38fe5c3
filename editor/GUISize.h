#pragma once

#include "effect/editor_sizes.h"

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

static_assert(kNumGUISizes == kNumEditorScales);

/** The draw scale a size stands for; 0 (which changes nothing) for a value outside the
 *  enumeration. */
constexpr float GUISizeScale(int size)
{
  return size >= 0 && size < kNumGUISizes ? kEditorScales[size] : 0.f;
}
