// The order of names in the views: without regard to letter case first (as the
// catalogue's own system compared them), then by the user's locale collation, so that
// "apple", "Banana" and "cherry" keep that order under any locale, C.UTF-8 included.
#pragma once

#include <string>

namespace quillora {

class CNameOrder {
public:
    // A byte string whose byte order is the names' order: the collation key of the
    // case-folded name, then that of the name itself to order names that differ only
    // in case.
    static std::string Key(const std::string& name);
    // <0, 0 or >0, as the keys compare.
    static int Compare(const std::string& a, const std::string& b);
};

} // namespace quillora
