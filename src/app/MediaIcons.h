// Small icons for the dialogs' media and group rows, by the index the case tree's
// image strip gives each kind (4 CD-ROM, 12 removable, 20 group, 22 fixed, 24 remote).
#pragma once

#include <QIcon>

namespace quillora {

QIcon MediaImageIcon(int imageIndex);

} // namespace quillora
