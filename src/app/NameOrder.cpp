// Case-folded, then collated name order.
#include "app/NameOrder.h"

#include <QString>

#include <cstring>

namespace quillora {

namespace {

// strxfrm's key: its byte order is strcoll's order. The keys hold no NUL byte.
std::string CollationKey(const std::string& text) {
    std::size_t n = std::strxfrm(nullptr, text.c_str(), 0);
    std::string key(n + 1, '\0');
    std::strxfrm(key.data(), text.c_str(), n + 1);
    key.resize(n);
    return key;
}

} // namespace

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
