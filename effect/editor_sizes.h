#pragma once

/** The editor's sizes as hosts see them, written once: the descriptor, the plug-in's
 *  configuration and the editor read them here. Sizes in logical pixels. */
constexpr int kEditorDefaultWidth = 720;
constexpr int kEditorDefaultHeight = 174;
constexpr int kEditorMinWidth = 360;
constexpr int kEditorMinHeight = 87;
constexpr int kEditorMaxWidth = 1440;
constexpr int kEditorMaxHeight = 348;

/** The draw scales of the window-size menu, smallest first. The fourth is the
 *  single-precision square root of one half. */
constexpr int kNumEditorScales = 6;
constexpr float kEditorScales[kNumEditorScales] = {0.25f, 0.375f, 0.5f, 0.70710677f, 1.0f, 2.0f};
