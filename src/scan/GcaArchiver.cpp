// GCA adapter: id, flags and extension only; the base answers failure throughout.
#include "scan/GcaArchiver.h"

namespace quillora {

CGcaArchiver::CGcaArchiver() : CArchiver(kArcIdGca, true, "GCA", {"GCA"}) {}

} // namespace quillora
