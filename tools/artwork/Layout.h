#pragma once

// Where the editor places its controls, in layout units (1440 x 348 at scale 1), and the
// frame sizes chosen for the bitmaps. The background is drawn around these positions.
namespace artwork::layout {

inline constexpr int kWidth = 1440, kHeight = 348;

inline constexpr int kKnobSize = 104, kKnobFrames = 65;
inline constexpr int kSwitchW = 64, kSwitchH = 92, kSwitchFrames = 2;
inline constexpr int kStagesW = 96, kStagesH = 112, kStagesFrames = 2;

// Each text control keeps a strip this tall at the bottom of its rectangle for its value.
inline constexpr int kTextStrip = 44;
// The sync switch's rectangle ends here below its top, whatever the bitmap's height.
inline constexpr int kSwitchTextBottom = 136;

inline constexpr int kKnobY = 200, kSwitchY = 188, kStagesY = 192;
inline constexpr int kStagesX = 42, kManualX = 192, kSpreadX = 340, kFeedbackX = 488, kSpeedX = 668;
inline constexpr int kSyncX = 802, kWaveformX = 882, kDepthX = 976, kStereoX = 1124, kMixX = 1304;

inline constexpr int kKnobXs[] = {kManualX, kSpreadX, kFeedbackX, kSpeedX, kDepthX, kStereoX, kMixX};

// Menu hot zones (left, top, right, bottom).
inline constexpr int kPresetMenu[4] = {20, 24, 80, 84};
inline constexpr int kOnlineMenu[4] = {1112, 24, 1416, 80};

// The resize corner is 26 window units; at the usual scale 0.5 that is 52 layout units.
inline constexpr int kResizerAtHalfScale = 52;

// Frame geometry shared by the bitmaps and the background's legend next to them.
inline constexpr float kSwitchCapUpY = 40.f, kSwitchCapDownY = 72.f; // cap centres in the frame

} // namespace artwork::layout
