#include "app/wiring.h"

namespace qv {

void wire_hooks(Core& core) {
    (void)core;
}

}  // namespace qv
