#include "settings/source_state.h"

#include <new>

namespace qv {

std::unique_ptr<FrameStore> FrameStore::create() {
    return std::unique_ptr<FrameStore>(new FrameStore());  // value-initialised: all zero
}

}  // namespace qv
