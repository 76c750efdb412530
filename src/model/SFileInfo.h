// SFileInfo: one record of the catalogue tree (a file or folder on a medium) and the
// base of every other record class. A record owns its children, its property set and
// its stored contents; views only ever hold pointers into the tree.
#pragma once

#include "core/FileTime.h"
#include "model/PropertySet.h"
#include "model/RecordFlags.h"
#include "model/RecordPool.h"
#include "model/SRecordFacts.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CArchiveWriter;
class CTreeBuilder;

// The most stored contents one record may keep (1 GiB): files over it are refused,
// and a case file that declares more is refused before anything is allocated.
inline constexpr std::uint32_t kMaxStoredContents = 1u << 30;

class SFileInfo {
public:
    SFileInfo() = default;
    virtual ~SFileInfo();
    SFileInfo(const SFileInfo&) = delete;
    SFileInfo& operator=(const SFileInfo&) = delete;

    virtual RecordClass Class() const { return RecordClass::File; }

    // Records come from the record pool: a case holds millions of them.
    static void* operator new(std::size_t size) { return CRecordPool::Allocate(size); }
    static void operator delete(void* memory, std::size_t size) noexcept {
        CRecordPool::Free(memory, size);
    }

    // --- Stored fields (in the order the case file carries them) ---
    std::uint64_t m_nSize = 0;
    std::uint32_t m_dwFlags = 0;
    std::uint16_t m_wArcType = 0;
    std::uint16_t m_wExtFlags = 0;
    FileTime m_ftLastAccess = 0;
    FileTime m_ftLastWrite = 0;
    FileTime m_ftCreation = 0;
    std::uint32_t m_dwExtValue = 0;
    std::uint8_t m_byMark = 0;
    std::uint8_t m_bLinkInherited = 0;
    // Work flags: byte 0 for the list view, byte 1 for find. Not stored.
    std::uint8_t m_byWork[2] = {0, 0};
    // Cached display-type index; -1 until looked up. Not stored.
    std::int32_t m_nTypeIndex = -1;
    // After changing the name of a record in a case, call UpdateDisplayName(): that
    // also tells the case that its names changed.
    std::string m_strName;

    // --- User data, kept out of line because most records have none ---
    const std::string& Comment() const;
    const std::string& Category() const;
    const std::string& Link() const;
    void SetComment(std::string text);
    void SetCategory(std::string text);
    void SetLink(std::string text);
    // Index 0 is the comment, 1 the category.
    const std::string& Text(int index) const;
    void SetText(int index, std::string text);

    CPropertySet* Props() const;
    void SetProps(std::unique_ptr<CPropertySet> props);
    std::unique_ptr<CPropertySet> TakeProps();

    // Stored contents: a byte copy of the file kept in the case.
    std::uint32_t DataLen() const;
    const std::vector<std::uint8_t>& Data() const;
    void SetData(std::vector<std::uint8_t> data);
    void ClearData() { SetData({}); }

    // The comment as one line: CR dropped, LF turned into a space, cut at maxWidth
    // CP932 bytes without splitting a character; *cut tells whether text was dropped.
    std::string CommentOneLine(std::size_t maxWidth, bool* cut = nullptr) const;
    std::string TextOneLine(int index, std::size_t maxWidth, bool* cut = nullptr) const;

    // --- Tree ---
    SFileInfo* GetParent() const { return m_pParent; }
    const std::vector<std::unique_ptr<SFileInfo>>& Children() const;
    std::size_t ChildCount() const { return m_pMore ? m_pMore->m_children.size() : 0; }
    SFileInfo* ChildAt(std::size_t index) const { return m_pMore->m_children[index].get(); }

    // Sets the child's parent to this record and appends it.
    SFileInfo* AddChild(std::unique_ptr<SFileInfo> child);
    // Inserts before `existing`; appends when `existing` is not a child.
    SFileInfo* InsertBefore(const SFileInfo* existing, std::unique_ptr<SFileInfo> child);
    // Unlinks and deletes the child, then recalculates the sizes of this record and
    // of every ancestor. False when it is not a child.
    bool RemoveChild(const SFileInfo* child);
    // Unlinks without deleting; null when it is not a child.
    std::unique_ptr<SFileInfo> DetachChild(const SFileInfo* child);
    std::unique_ptr<SFileInfo> TakeFirst();
    void DeleteChildren();
    // Replaces the child list by `children` in that order (each becomes this record's).
    void SetChildren(std::vector<std::unique_ptr<SFileInfo>> children);
    // Gives back the child list's spare room; for builders that appended the last
    // child of a folder and will not append more soon.
    void CompactChildren();
    std::size_t IndexOfChild(const SFileInfo* child) const;

    // --- Flag tests ---
    bool HasFlags(std::uint32_t mask) const { return (m_dwFlags & mask) != 0; }
    bool IsDirectory() const { return HasFlags(kAttrDirectory); }
    std::uint32_t MediumKind() const { return m_dwFlags & kFlagMediumKindMask; }
    // The record or its parent is a listed archive or an entry inside one.
    bool IsInsideArchive() const;
    const char* ArcTypeText() const { return ArcTypeName(m_wArcType); }
    // The text of m_strName from its last "." on; empty without a ".".
    std::string Extension() const;
    // Letters R, H, S, A, T, L for the attribute bits that are set (L: a reparse
    // point, that is a symbolic link or a mount point).
    std::string AttributeText() const;

    // The enclosing medium (walking up through parents, this record included).
    class SVolumeInfo* EnclosingMedium() const;

    // Files among the children (not folders, media or the case); with recurse
    // also those below folders.
    std::size_t CountFiles(bool recurse) const;
    // Children with the directory bit; with recurse plus their own folder counts.
    std::size_t CountFolders(bool recurse) const;

    // --- Virtual operations ---
    // The record's path: each ancestor's name up to and including its medium,
    // joined with "\"; stops below a group or the case.
    virtual void GetPath(std::string& out) const;
    std::string GetPath() const;
    // The same for every kind of record, and read for each record of every find: not
    // virtual, so that a walk over millions of records inlines it.
    const std::string& GetDisplayName() const {
        return m_pMore && m_pMore->m_pDispName ? *m_pMore->m_pDispName : m_strName;
    }
    // Derives the display name from the name (or label) and the display mode, and
    // counts as a change of the case's tree.
    void UpdateDisplayName();
    void UpdateDisplayNameTree(bool recurse);
    // Sums the children's sizes (recursing first when asked) into folders, media and
    // groups that are not archives; returns m_wArcType.
    std::uint16_t RecalcSize(bool recurse);
    virtual const std::string& GetName() const { return m_strName; }
    // Whether this record's medium is the one with `serial` and `label` (no label:
    // null). Records other than media ask their parent.
    virtual bool MatchMedium(std::uint32_t serial, const std::string* label) const;

    // --- Case file (reading is CCaseReader's, into a CTreeBuilder) ---
    virtual void StoreBody(CArchiveWriter& ar) const;

protected:
    virtual void RefreshDisplayName();
    // Called on the top record of a tree after the tree changed shape or names
    // (see NoteTreeChange).
    virtual void OnTreeChanged() {}
    void SetDisplayName(std::string name);
    void ClearDisplayName();
    void StoreRecordBody(CArchiveWriter& ar) const;

private:
    // The builder appends records and derives their display names without telling the
    // case once per record.
    friend class CTreeBuilder;

    struct SUserData {
        std::string m_strComment;
        std::string m_strCategory;
        std::string m_strLink;
        std::unique_ptr<CPropertySet> m_pProps;
        std::vector<std::uint8_t> m_data;
    };
    // What most records lack, kept out of line so that a plain file costs one pointer
    // for all of it: children, a display name that differs from the name, user data.
    struct SMore {
        std::vector<std::unique_ptr<SFileInfo>> m_children;
        std::unique_ptr<std::string> m_pDispName;
        std::unique_ptr<SUserData> m_pUser;
    };
    SMore& More();
    void DropMoreIfEmpty();
    // Tells the top record of this tree that records were added, removed or
    // reordered or that display names changed.
    void NoteTreeChange();
    void RefreshDisplayNameTree();
    SUserData* User() const { return m_pMore ? m_pMore->m_pUser.get() : nullptr; }
    SUserData& UserData();
    void DropUserDataIfEmpty();

    SFileInfo* m_pParent = nullptr;
    std::unique_ptr<SMore> m_pMore;

public:
    // For walks over millions of records, which wait mostly for memory: where a walk's
    // step reads, so that it can ask for the memory before it gets there. Each reads
    // only the record itself or the block the one before names.
    const void* NameFieldAddress() const { return &m_strName; }
    const void* ChildLinkAddress() const { return &m_pMore; }
    const void* ChildListAddress() const { return m_pMore.get(); }
    const void* ChildSlotsAddress() const {
        return m_pMore ? static_cast<const void*>(m_pMore->m_children.data()) : nullptr;
    }
};

} // namespace quillora
