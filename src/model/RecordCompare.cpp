// Record comparisons for sorting.
#include "model/RecordCompare.h"

#include "core/Text.h"
#include "model/CDisplayTypeTable.h"
#include "model/CaseEditing.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"

#include <cstring>

namespace quillora {

namespace {

template <typename T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int Bytes(const std::string& a, const std::string& b) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

int CompareDisplayName(const SFileInfo& a, const SFileInfo& b) {
    return std::strcoll(a.GetDisplayName().c_str(), b.GetDisplayName().c_str());
}

int ComparePath(const SFileInfo& a, const SFileInfo& b) {
    return text::CompareNoCase(a.GetPath(), b.GetPath());
}

int CompareSize(const SFileInfo& a, const SFileInfo& b) {
    return Order(a.m_nSize, b.m_nSize);
}
int CompareLastWrite(const SFileInfo& a, const SFileInfo& b) {
    return Order(a.m_ftLastWrite, b.m_ftLastWrite);
}
int CompareCreation(const SFileInfo& a, const SFileInfo& b) {
    return Order(a.m_ftCreation, b.m_ftCreation);
}
int CompareLastAccess(const SFileInfo& a, const SFileInfo& b) {
    return Order(a.m_ftLastAccess, b.m_ftLastAccess);
}
int CompareAttributes(const SFileInfo& a, const SFileInfo& b) {
    return Bytes(a.AttributeText(), b.AttributeText());
}

int CompareType(SFileInfo& a, SFileInfo& b) {
    CDisplayTypeTable& table = DisplayTypes();
    return text::CompareNoCase(table.Entry(table.IndexFor(a)).m_strTypeText,
                               table.Entry(table.IndexFor(b)).m_strTypeText);
}

int CompareComment(const SFileInfo& a, const SFileInfo& b) {
    return Bytes(a.Comment(), b.Comment());
}
int CompareCategory(const SFileInfo& a, const SFileInfo& b) {
    return Bytes(a.Category(), b.Category());
}

int CompareMediumLabel(const SFileInfo& a, const SFileInfo& b) {
    return text::CompareNoCase(MediumLabel(a), MediumLabel(b));
}

int ComparePackedSize(const SFileInfo& a, const SFileInfo& b) {
    auto packed = [](const SFileInfo& r) -> std::uint32_t {
        return r.Class() == RecordClass::ArcFile
                   ? static_cast<const SArcFileInfo&>(r).m_dwPackedSize
                   : 0;
    };
    return Order(packed(a), packed(b));
}

int CompareRatioOf(const SFileInfo& a, const SFileInfo& b) {
    if (a.Class() != RecordClass::ArcFile || b.Class() != RecordClass::ArcFile) {
        return Order(a.Class() == RecordClass::ArcFile, b.Class() == RecordClass::ArcFile);
    }
    return CompareRatio(static_cast<const SArcFileInfo&>(a), static_cast<const SArcFileInfo&>(b));
}

int CompareProperty(const SFileInfo& a, const SFileInfo& b, int key) {
    const CPropertySet* pa = a.Props();
    const CPropertySet* pb = b.Props();
    if (!pa || !pb) {
        return Order(pa != nullptr, pb != nullptr);
    }
    const std::string* va = pa->ValueByKey(key);
    const std::string* vb = pb->ValueByKey(key);
    if (!va || !vb) {
        return Order(va != nullptr, vb != nullptr);
    }
    return Bytes(*va, *vb);
}

} // namespace quillora
