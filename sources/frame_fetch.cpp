#include "sources/frame_fetch.h"

#include "sources/project_source.h"
#include "sources/script_source.h"

namespace qv {

int fetch_frame(Core& core, int n) {
    if (core.source.is_project) return fetch_project_frame(core, n);
    if (core.source.is_script) return fetch_script_frame(core, n);
    return 0;
}

}  // namespace qv
