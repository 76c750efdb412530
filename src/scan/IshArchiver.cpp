// ISH adapter: id, flags and extension only; the base answers failure throughout.
#include "scan/IshArchiver.h"

namespace quillora {

CIshArchiver::CIshArchiver() : CArchiver(kArcIdIsh, false, "ISH", {"ISH"}) {}

} // namespace quillora
