#include "frame/AudioThread.h"

namespace frame::detail {

thread_local bool tInProcessing __attribute__((tls_model("initial-exec"))) = false;

} // namespace frame::detail
