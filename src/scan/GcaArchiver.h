// GCA adapter: no implementation of the format exists on Linux, so the adapter never
// loads; every operation answers failure and GCA archives stay plain files.
#pragma once

#include "scan/Archiver.h"

namespace quillora {

class CGcaArchiver : public CArchiver {
public:
    CGcaArchiver();
};

} // namespace quillora
