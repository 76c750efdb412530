// SGroupInfo: a group of media inside a case; it carries the same fields as a medium.
#pragma once

#include "model/SVolumeInfo.h"

namespace quillora {

class SGroupInfo : public SVolumeInfo {
public:
    SGroupInfo() { m_dwFlags = kNewGroupFlags; }

    RecordClass Class() const override { return RecordClass::Group; }

    // A group's label is also its original label and its name.
    void SetLabel(const std::string& label) override;

    void StoreBody(CArchiveWriter& ar) const override;
};

} // namespace quillora
