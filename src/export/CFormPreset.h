// The common part of every list preset (export formats and printing): a name and the two
// item lists, with what a preset set needs to copy, reset, load and save one.
#pragma once

#include "export/FormItem.h"

#include <memory>
#include <string>
#include <string_view>

namespace quillora {

class CProfileStore;

class CFormPreset {
public:
    virtual ~CFormPreset() = default;

    // A new preset of the same kind holding the same values.
    virtual std::unique_ptr<CFormPreset> Clone() const = 0;
    // Takes every field and both lists of `other`, which is of the same kind.
    virtual void CopyFrom(const CFormPreset& other) = 0;
    // Puts the fields back to the defaults of the preset's format; the name stays.
    virtual void Reset() = 0;
    // Reads the preset from its section ("CSVForm\1"), a default for every missing key,
    // then offers the item types a later version added (MergeOfferedItems).
    virtual void Load(const CProfileStore& store, std::string_view section) = 0;
    virtual void Save(CProfileStore& store, std::string_view section) const = 0;

    std::string Name;
    FormItemList Invisible; // items offered but not written
    FormItemList Visible;   // items written, in this order

protected:
    CFormPreset() = default;
    CFormPreset(const CFormPreset&) = default;
    CFormPreset& operator=(const CFormPreset&) = default;

    // The name and both lists, for the kinds' Load and Save.
    void LoadCommon(const CProfileStore& store, std::string_view section,
                    std::string_view defaultName);
    void SaveCommon(CProfileStore& store, std::string_view section) const;
};

} // namespace quillora
