#include "engine/Progress.h"

namespace velmora {

std::atomic<bool> CancelFlag{false};

}  // namespace velmora
