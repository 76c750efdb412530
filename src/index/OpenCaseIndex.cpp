// The index at a location.
#include "index/OpenCaseIndex.h"

#include "index/CPgIndexStore.h"
#include "index/ServerUrl.h"

namespace quillora {

std::unique_ptr<CCaseIndex> OpenServerIndex(const std::string& conninfo) {
    return std::make_unique<CCaseIndex>(std::make_unique<CPgIndexStore>(conninfo),
                                        ShownServer(conninfo));
}

std::unique_ptr<CCaseIndex> OpenIndexAt(const std::string& location) {
    if (IsServerAddress(location)) {
        return OpenServerIndex(location);
    }
    return std::make_unique<CCaseIndex>(location);
}

std::unique_ptr<CCaseIndex> OpenCaseIndex(const SIndexSettings& settings) {
    return OpenIndexAt(settings.Location());
}

} // namespace quillora
