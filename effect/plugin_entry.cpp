// The module's plug-in: what every binding's factory makes.
#include <mutex>

#include "effect/trellowphaser.h"
#include "frame/Descriptor.h"

namespace frame {

IFramePlugin* CreatePlugin()
{
  static std::recursive_mutex creation;
  std::lock_guard<std::recursive_mutex> lock(creation);
  return new TrellowPhaser(InstanceInfo{});
}

} // namespace frame
