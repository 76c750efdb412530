// AutoRun policy: nothing to switch on Linux.
#include "scan/AutoRunPolicy.h"

namespace quillora {

void CAutoRunPolicy::SetAutoRunSuppressed(bool) {}

bool CAutoRunPolicy::IsAutoRunDefault() {
    return false;
}

} // namespace quillora
