// The page base of the format-settings dialogs.
#include "app/export/CFormPage.h"

namespace quillora {

CFormPage::~CFormPage() = default;

} // namespace quillora
