// The display types of records: the icon and the type text the views show. The
// first ten entries are fixed; entries for file extensions are added as they are
// met, through a resolver the desktop program provides from the system's file types.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class SFileInfo;

struct SDisplayType {
    std::string m_strKey;
    int m_nImage = 9;
    std::string m_strTypeText;
};

// Finds the type of files by their extension (from the last ".", upper-cased); false
// when nothing is known. The extension alone: the entry stands for every file that
// has it, so no one file's name or contents may decide it (a "README.bin" is no
// reason to call every .bin file a README).
class IFileTypeResolver {
public:
    virtual ~IFileTypeResolver() = default;
    virtual bool Resolve(std::string_view extension, SDisplayType& type) = 0;
};

class CDisplayTypeTable {
public:
    enum FixedIndex {
        kUnknown = 0,
        kFolder = 1,
        kFolderArc = 2,
        kFolderGroup = 3,
        kCdRom = 4,
        kCdRomIn = 5,
        kRemovable = 6,
        kRemovableIn = 7,
        kFixed = 8,
        kRemote = 9,
    };

    CDisplayTypeTable();

    // The index for a record, cached in its m_nTypeIndex.
    int IndexFor(SFileInfo& record);
    // The index by the record's kind alone, without the cache or a file look-up
    // (plain files give -1).
    static int FixedIndexFor(const SFileInfo& record);
    SDisplayType Entry(int index) const;
    std::size_t Size() const;

    // The resolver is not owned; null drops back to "unknown" for every file.
    void SetResolver(IFileTypeResolver* resolver);

private:
    int FileIndex(const SFileInfo& record);

    mutable std::mutex m_lock;
    std::vector<SDisplayType> m_entries;
    IFileTypeResolver* m_pResolver = nullptr;
};

// The process-wide table the views share.
CDisplayTypeTable& DisplayTypes();

} // namespace quillora
