// Name and item lists of a preset in its section.
#include "export/CFormPreset.h"

#include "core/ProfileStore.h"

namespace quillora {

void CFormPreset::LoadCommon(const CProfileStore& store, std::string_view section,
                             std::string_view defaultName) {
    Name = store.GetString(section, "Name", defaultName);
    Invisible = LoadFormItems(store, section, "Invisible");
    Visible = LoadFormItems(store, section, "Visible");
}

void CFormPreset::SaveCommon(CProfileStore& store, std::string_view section) const {
    store.SetString(section, "Name", Name);
    SaveFormItems(store, section, "Invisible", Invisible);
    SaveFormItems(store, section, "Visible", Visible);
}

} // namespace quillora
