// ISH adapter: no implementation of the format exists on Linux, so the adapter never
// loads; every operation answers failure and ISH archives stay plain files.
#pragma once

#include "scan/Archiver.h"

namespace quillora {

class CIshArchiver : public CArchiver {
public:
    CIshArchiver();
};

} // namespace quillora
