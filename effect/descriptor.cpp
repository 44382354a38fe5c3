// The plug-in's identity: the one place that names it.
#include "effect/editor_sizes.h"
#include "effect/params.h"
#include "frame/Descriptor.h"

namespace frame {

namespace {
const char* const kFeatures[] = {"audio-effect", "phaser", "stereo", "filter", nullptr};
// A controller's page: the knobs in the editor's order, then the number of stages.
const int kControllerPage[] = {kParamManual, kParamSpread, kParamFeedback, kParamLFOSpeed,
                               kParamLFODepth, kParamMix, kParamStereo, kParamStages};
} // namespace

const Descriptor& PluginDescriptor()
{
  static const Descriptor d{
    "Mistlegrove Phaser",
    "Mistlegrove Music",
    "mistlegrovemusic.com",
    "www.mistlegrovemusic.com",
    "https://www.mistlegrovemusic.com",
    "https://www.mistlegrovemusic.com/",
    "https://www.mistlegrovemusic.com/music/vst.html",
    "https://www.mistlegrovemusic.com/music/version/?file=trellowphaser",
    "support@mistlegrovemusic.com",
    "2.0.1",
    "Fx|Filter",
    {0xF2AEE70D, 0x00DE4F4E, 0x54724D75, 0x74727068}, // the last two: 'TrMu', 'trph'
    "com.mistlegrovemusic.phaser",
    "https://www.mistlegrovemusic.com/plugins/phaser",
    "2-2",
    kFeatures,
    kEditorScales,
    kNumEditorScales,
    kControllerPage,
    static_cast<int>(sizeof(kControllerPage) / sizeof(kControllerPage[0])),
  };
  return d;
}

} // namespace frame
