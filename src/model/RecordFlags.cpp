// Archive type names.
#include "model/RecordFlags.h"

namespace quillora {

const char* ArcTypeName(std::uint16_t type) {
    static const char* const kNames[] = {"",    "LHA", "ZIP", "TAR", "CAB",
                                         "ARJ", "RAR", "ISH", "GCA"};
    return type < 9 ? kNames[type] : "";
}

} // namespace quillora
