#include "platform/busy_source.h"

namespace platform {

BusySource::~BusySource() = default;

} // namespace platform
