#include "platform/simulated/handle_table.h"

namespace quartzmon::platform::simulated {

Handle HandleTable::add(OpenObject object) {
    const Handle handle = next_;
    next_ += HANDLE_STEP;
    objects_.emplace(handle, std::move(object));
    return handle;
}

}  // namespace quartzmon::platform::simulated
