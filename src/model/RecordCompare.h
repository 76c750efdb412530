// The comparisons the views sort records by. Each returns <0, 0 or >0.
#pragma once

namespace quillora {

class SFileInfo;

// By display name with the locale's collation (strcoll).
int CompareDisplayName(const SFileInfo& a, const SFileInfo& b);
// By full path, case-insensitive.
int ComparePath(const SFileInfo& a, const SFileInfo& b);
int CompareSize(const SFileInfo& a, const SFileInfo& b);
int CompareLastWrite(const SFileInfo& a, const SFileInfo& b);
int CompareCreation(const SFileInfo& a, const SFileInfo& b);
int CompareLastAccess(const SFileInfo& a, const SFileInfo& b);
// By the R/H/S/A/T letters, byte order.
int CompareAttributes(const SFileInfo& a, const SFileInfo& b);
// By the type texts of the two display types, case-insensitive.
int CompareType(SFileInfo& a, SFileInfo& b);
int CompareComment(const SFileInfo& a, const SFileInfo& b);
int CompareCategory(const SFileInfo& a, const SFileInfo& b);
// By the label of the enclosing medium, case-insensitive.
int CompareMediumLabel(const SFileInfo& a, const SFileInfo& b);
// Archive entries by packed size; other records count as 0.
int ComparePackedSize(const SFileInfo& a, const SFileInfo& b);
// Archive entries by compression ratio (difference of the ratios x 10).
int CompareRatioOf(const SFileInfo& a, const SFileInfo& b);
// By the property value of item `key`: no set sorts first, then a set without the
// item, then byte order of the values.
int CompareProperty(const SFileInfo& a, const SFileInfo& b, int key);

} // namespace quillora
