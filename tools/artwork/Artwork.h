#pragma once

#include "Canvas.h"
#include "Picture.h"

// The editor's four bitmaps. Each maker is deterministic: the same fonts give the same
// pixels, so regenerating the resources changes nothing unless the drawing code did.
// The fonts must be registered first (RegisterFonts in Shapes.h).
namespace artwork {

/** "back.png": the 1440 x 348 panel with every label, legend and the menu buttons. */
Picture MakeBackground();
/** "knob.png": 65 frames of 104 x 104 stacked downward, minimum to maximum: the value arc
 *  and the pointer on a transparent ground. */
Picture MakeKnob();
/** What the knob frames turn over (cap, shadow, scale, track), for the background to carry
 *  at every knob position. 104 x 104, aligned with the frames. */
Canvas MakeKnobBase();
/** "switch.png": 2 frames of 64 x 92, lever down (value 0) then up (value 1). */
Picture MakeSwitch();
/** "stages.png": 2 frames of 96 x 112 showing "4" then "8". */
Picture MakeStages();

} // namespace artwork
