// Case-folded, then collated name order.
#include "app/NameOrder.h"

#include "app/RecordSortKeys.h"

#include <QString>

namespace quillora {

std::string CNameOrder::Key(const std::string& name) {
    const std::string folded = QString::fromStdString(name).toCaseFolded().toStdString();
    // "\x01" sorts below every byte of a key, so a name that is a prefix of another
    // comes first.
    return CollationKey(folded) + '\x01' + CollationKey(name);
}

int CNameOrder::Compare(const std::string& a, const std::string& b) {
    return Key(a).compare(Key(b));
}

} // namespace quillora
