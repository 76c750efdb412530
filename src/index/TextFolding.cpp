// NFKC and full case folding through ICU, with an ASCII fast path.
#include "index/TextFolding.h"
#include "core/Text.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace quillora {

namespace {

void AppendAsciiLowered(std::string_view text, std::string& out) {
    for (char c : text) {
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
}

} // namespace

void AppendFolded(std::string_view utf8, std::string& out) {
    if (text::IsAscii(utf8) || !text::IsValidUtf8(utf8)) {
        AppendAsciiLowered(utf8, out);
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    if (U_FAILURE(status) || nfkc == nullptr) {
        AppendAsciiLowered(utf8, out);
        return;
    }
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<std::int32_t>(utf8.size())));
    icu::UnicodeString normal = nfkc->normalize(text, status);
    normal.foldCase(U_FOLD_CASE_DEFAULT);
    // Folding can undo NFKC (a folded character may have a compatibility form), so
    // normalise once more; the result is then stable under both.
    icu::UnicodeString folded = nfkc->normalize(normal, status);
    if (U_FAILURE(status)) {
        AppendAsciiLowered(utf8, out);
        return;
    }
    folded.toUTF8String(out);
}

std::string FoldForIndex(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendFolded(utf8, out);
    return out;
}

} // namespace quillora
