#pragma once

// The framework controls the editor builds on or places directly.
#include "editor/IBitmapControl.h"
#include "editor/ICornerResizerControl.h"
#include "editor/IControl.h"
#include "editor/IKnobControlBase.h"
