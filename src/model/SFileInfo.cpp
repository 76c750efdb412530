// SFileInfo: user data, child list, paths, counting and the record body of the
// case file in every schema.
#include "model/SFileInfo.h"

#include "core/IModelSettings.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "model/CArchiveWriter.h"
#include "model/DisplayName.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <algorithm>

namespace quillora {

namespace {

const std::string kEmptyText;
const std::vector<std::uint8_t> kEmptyData;

// The part of a name after its last backslash.
std::string_view LastComponent(std::string_view name) {
    std::size_t slash = name.rfind('\\');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

} // namespace

// A plain file is this record and nothing else; the pool keeps it at this size.
static_assert(sizeof(void*) != 8 || sizeof(SFileInfo) <= 112, "a record grew");
static_assert(alignof(SFileInfo) <= 8, "the record pool hands out 8-byte aligned slots");

SFileInfo::~SFileInfo() = default;

// --- User data ---

// --- Out-of-line parts ---

SFileInfo::SMore& SFileInfo::More() {
    if (!m_pMore) {
        m_pMore = std::make_unique<SMore>();
    }
    return *m_pMore;
}

// Only the user-data and display-name setters give the block back, and never for a
// folder (or medium, group, archive): a caller holding Children() of a folder whose
// last child went must not find the list freed under it.
void SFileInfo::DropMoreIfEmpty() {
    if (m_pMore && !IsDirectory() && m_pMore->m_children.capacity() == 0 && !m_pMore->m_pDispName &&
        !m_pMore->m_pUser) {
        m_pMore.reset();
    }
}

SFileInfo::SUserData& SFileInfo::UserData() {
    SMore& more = More();
    if (!more.m_pUser) {
        more.m_pUser = std::make_unique<SUserData>();
    }
    return *more.m_pUser;
}

void SFileInfo::DropUserDataIfEmpty() {
    SUserData* user = User();
    if (user && user->m_strComment.empty() && user->m_strCategory.empty() &&
        user->m_strLink.empty() && !user->m_pProps && user->m_data.empty()) {
        m_pMore->m_pUser.reset();
        DropMoreIfEmpty();
    }
}

// --- User data ---

const std::string& SFileInfo::Comment() const {
    const SUserData* user = User();
    return user ? user->m_strComment : kEmptyText;
}
const std::string& SFileInfo::Category() const {
    const SUserData* user = User();
    return user ? user->m_strCategory : kEmptyText;
}
const std::string& SFileInfo::Link() const {
    const SUserData* user = User();
    return user ? user->m_strLink : kEmptyText;
}

void SFileInfo::SetComment(std::string text) {
    if (text.empty() && !User()) {
        return;
    }
    UserData().m_strComment = std::move(text);
    DropUserDataIfEmpty();
}

void SFileInfo::SetCategory(std::string text) {
    if (text.empty() && !User()) {
        return;
    }
    UserData().m_strCategory = std::move(text);
    DropUserDataIfEmpty();
}

void SFileInfo::SetLink(std::string text) {
    if (text.empty() && !User()) {
        return;
    }
    UserData().m_strLink = std::move(text);
    DropUserDataIfEmpty();
}

const std::string& SFileInfo::Text(int index) const {
    return index == 0 ? Comment() : Category();
}

void SFileInfo::SetText(int index, std::string text) {
    if (index == 0) {
        SetComment(std::move(text));
    } else {
        SetCategory(std::move(text));
    }
}

CPropertySet* SFileInfo::Props() const {
    const SUserData* user = User();
    return user ? user->m_pProps.get() : nullptr;
}

void SFileInfo::SetProps(std::unique_ptr<CPropertySet> props) {
    if (!props && !User()) {
        return;
    }
    UserData().m_pProps = std::move(props);
    DropUserDataIfEmpty();
}

std::unique_ptr<CPropertySet> SFileInfo::TakeProps() {
    SUserData* user = User();
    if (!user) {
        return nullptr;
    }
    std::unique_ptr<CPropertySet> props = std::move(user->m_pProps);
    DropUserDataIfEmpty();
    return props;
}

std::uint32_t SFileInfo::DataLen() const {
    const SUserData* user = User();
    return user ? static_cast<std::uint32_t>(user->m_data.size()) : 0;
}

const std::vector<std::uint8_t>& SFileInfo::Data() const {
    const SUserData* user = User();
    return user ? user->m_data : kEmptyData;
}

void SFileInfo::SetData(std::vector<std::uint8_t> data) {
    if (data.empty() && !User()) {
        return;
    }
    UserData().m_data = std::move(data);
    DropUserDataIfEmpty();
}

std::string SFileInfo::TextOneLine(int index, std::size_t maxWidth, bool* cut) const {
    std::string line;
    for (char c : Text(index)) {
        if (c == '\r') {
            continue;
        }
        line += c == '\n' ? ' ' : c;
    }
    return text::TruncateCp932Width(line, maxWidth, cut);
}

std::string SFileInfo::CommentOneLine(std::size_t maxWidth, bool* cut) const {
    return TextOneLine(0, maxWidth, cut);
}

// --- Tree ---

const std::vector<std::unique_ptr<SFileInfo>>& SFileInfo::Children() const {
    static const std::vector<std::unique_ptr<SFileInfo>> none;
    return m_pMore ? m_pMore->m_children : none;
}

void SFileInfo::NoteTreeChange() {
    SFileInfo* top = this;
    while (top->m_pParent) {
        top = top->m_pParent;
    }
    top->OnTreeChanged();
}

SFileInfo* SFileInfo::AddChild(std::unique_ptr<SFileInfo> child) {
    NoteTreeChange();
    child->m_pParent = this;
    auto& children = More().m_children;
    children.push_back(std::move(child));
    return children.back().get();
}

std::size_t SFileInfo::IndexOfChild(const SFileInfo* child) const {
    const auto& children = Children();
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i].get() == child) {
            return i;
        }
    }
    return children.size();
}

SFileInfo* SFileInfo::InsertBefore(const SFileInfo* existing, std::unique_ptr<SFileInfo> child) {
    NoteTreeChange();
    child->m_pParent = this;
    std::size_t index = IndexOfChild(existing);
    auto& children = More().m_children;
    auto it =
        children.insert(children.begin() + static_cast<std::ptrdiff_t>(index), std::move(child));
    return it->get();
}

std::unique_ptr<SFileInfo> SFileInfo::DetachChild(const SFileInfo* child) {
    std::size_t index = IndexOfChild(child);
    if (index == ChildCount()) {
        return nullptr;
    }
    NoteTreeChange();
    auto& children = m_pMore->m_children;
    std::unique_ptr<SFileInfo> taken = std::move(children[index]);
    children.erase(children.begin() + static_cast<std::ptrdiff_t>(index));
    if (children.empty()) {
        children.shrink_to_fit();
    }
    taken->m_pParent = nullptr;
    return taken;
}

bool SFileInfo::RemoveChild(const SFileInfo* child) {
    if (!DetachChild(child)) {
        return false;
    }
    for (SFileInfo* record = this; record; record = record->m_pParent) {
        record->RecalcSize(false);
    }
    return true;
}

std::unique_ptr<SFileInfo> SFileInfo::TakeFirst() {
    if (ChildCount() == 0) {
        return nullptr;
    }
    return DetachChild(m_pMore->m_children.front().get());
}

void SFileInfo::DeleteChildren() {
    if (!m_pMore) {
        return;
    }
    NoteTreeChange();
    // Taken out first: a child's destructor never sees a half-emptied list.
    std::vector<std::unique_ptr<SFileInfo>> doomed;
    doomed.swap(m_pMore->m_children);
}

void SFileInfo::SetChildren(std::vector<std::unique_ptr<SFileInfo>> children) {
    for (auto& child : children) {
        child->m_pParent = this;
    }
    if (children.empty() && !m_pMore) {
        return;
    }
    NoteTreeChange();
    More().m_children = std::move(children);
}

void SFileInfo::CompactChildren() {
    if (m_pMore) {
        m_pMore->m_children.shrink_to_fit();
    }
}

// --- Flags and facts ---

bool SFileInfo::IsInsideArchive() const {
    constexpr std::uint32_t mask = kFlagListedArchive | kFlagArcEntry;
    return HasFlags(mask) || (m_pParent && m_pParent->HasFlags(mask));
}

std::string SFileInfo::Extension() const {
    std::size_t dot = m_strName.rfind('.');
    return dot == std::string::npos ? std::string() : m_strName.substr(dot);
}

std::string SFileInfo::AttributeText() const {
    std::string text;
    if (m_dwFlags & kAttrReadOnly) {
        text += 'R';
    }
    if (m_dwFlags & kAttrHidden) {
        text += 'H';
    }
    if (m_dwFlags & kAttrSystem) {
        text += 'S';
    }
    if (m_dwFlags & kAttrArchive) {
        text += 'A';
    }
    if (m_dwFlags & kAttrTemporary) {
        text += 'T';
    }
    // A symbolic link, or a folder where another file system is mounted (which the
    // scan did not enter): the letter Windows lists reparse points by.
    if (m_dwFlags & kAttrReparsePoint) {
        text += 'L';
    }
    return text;
}

SVolumeInfo* SFileInfo::EnclosingMedium() const {
    for (const SFileInfo* record = this; record; record = record->m_pParent) {
        if (record->HasFlags(kFlagMedium)) {
            return static_cast<SVolumeInfo*>(const_cast<SFileInfo*>(record));
        }
    }
    return nullptr;
}

std::size_t SFileInfo::CountFiles(bool recurse) const {
    std::size_t count = 0;
    for (const auto& child : Children()) {
        if (child->HasFlags(kAttrDirectory | kFlagMedium | kFlagCase)) {
            if (recurse && child->IsDirectory()) {
                count += child->CountFiles(true);
            }
            continue;
        }
        ++count;
    }
    return count;
}

std::size_t SFileInfo::CountFolders(bool recurse) const {
    std::size_t count = 0;
    for (const auto& child : Children()) {
        if (!child->IsDirectory()) {
            continue;
        }
        ++count;
        if (recurse) {
            count += child->CountFolders(true);
        }
    }
    return count;
}

// --- Virtual operations ---

void SFileInfo::GetPath(std::string& out) const {
    // Two walks up the tree: one to measure, one to fill from the end, so that a
    // path costs one allocation at most.
    std::size_t length = 0;
    const SFileInfo* top = this;
    for (const SFileInfo* record = this; record; record = record->m_pParent) {
        if (record != this && record->HasFlags(kFlagGroup | kFlagCase)) {
            break;
        }
        length += record->GetName().size() + 1;
        top = record;
        if (record->HasFlags(kFlagMedium)) {
            break;
        }
    }
    out.assign(length - 1, '\\');
    std::size_t pos = length - 1;
    for (const SFileInfo* record = this;; record = record->m_pParent) {
        const std::string& name = record->GetName();
        pos -= name.size();
        out.replace(pos, name.size(), name);
        if (record == top) {
            break;
        }
        --pos; // the separator is already there
    }
}

std::string SFileInfo::GetPath() const {
    std::string path;
    GetPath(path);
    return path;
}

void SFileInfo::ClearDisplayName() {
    if (m_pMore && m_pMore->m_pDispName) {
        m_pMore->m_pDispName.reset();
        DropMoreIfEmpty();
    }
}

void SFileInfo::SetDisplayName(std::string name) {
    if (name == m_strName) {
        ClearDisplayName();
        return;
    }
    SMore& more = More();
    if (more.m_pDispName) {
        *more.m_pDispName = std::move(name);
    } else {
        more.m_pDispName = std::make_unique<std::string>(std::move(name));
    }
}

void SFileInfo::UpdateDisplayName() {
    NoteTreeChange();
    RefreshDisplayName();
}

void SFileInfo::RefreshDisplayName() {
    std::string_view tail = LastComponent(m_strName);
    int mode = FileDispModeSetting();
    if (tail.size() == m_strName.size() && DisplayNameUnchanged(tail, mode)) {
        ClearDisplayName();
        return;
    }
    SetDisplayName(NormalizeDisplayName(tail, mode));
}

void SFileInfo::UpdateDisplayNameTree(bool recurse) {
    NoteTreeChange();
    if (!recurse) {
        RefreshDisplayName();
        return;
    }
    RefreshDisplayNameTree();
}

void SFileInfo::RefreshDisplayNameTree() {
    RefreshDisplayName();
    for (const auto& child : Children()) {
        child->RefreshDisplayNameTree();
    }
}

std::uint16_t SFileInfo::RecalcSize(bool recurse) {
    std::uint64_t sum = 0;
    for (const auto& child : Children()) {
        if (recurse && child->HasFlags(kSizeFromChildrenMask)) {
            child->RecalcSize(true);
        }
        sum += child->m_nSize;
    }
    if (HasFlags(kSizeFromChildrenMask) && m_wArcType == 0) {
        m_nSize = sum;
    }
    return m_wArcType;
}

bool SFileInfo::MatchMedium(std::uint32_t serial, const std::string* label) const {
    return m_pParent ? m_pParent->MatchMedium(serial, label) : false;
}

// --- Case file: writing ---

void SFileInfo::StoreRecordBody(CArchiveWriter& ar) const {
    ar.WriteU64(m_nSize);
    ar.WriteU32(m_dwFlags);
    ar.WriteU16(m_wArcType);
    ar.WriteU64(m_ftLastAccess);
    ar.WriteU64(m_ftLastWrite);
    ar.WriteU64(m_ftCreation);
    if (HasFlags(kFlagMedium) && m_strName.find(':') != std::string::npos &&
        m_strName.find(':') > 0) {
        // Readers drop everything up to the first ":" of a medium's name (old files
        // kept "D:label" there); a Linux folder name may hold one, so it is written
        // behind a prefix of that form, which every reader takes away again.
        ar.WriteText("_:" + m_strName);
    } else {
        ar.WriteText(m_strName);
    }
    ar.WriteU8(2);
    ar.WriteText(Comment());
    ar.WriteText(Category());
    const CPropertySet* props = Props();
    std::size_t count = props ? std::min<std::size_t>(props->Values().size(), 255) : 0;
    ar.WriteU8(static_cast<std::uint8_t>(count));
    if (count > 0) {
        ar.WriteText(props->DefinitionName());
        for (std::size_t i = 0; i < count; ++i) {
            ar.WriteText(props->Values()[i]);
        }
    }
    ar.WriteText(Link());
    ar.WriteU8(m_byMark);
    ar.WriteU8(m_bLinkInherited);
    const std::vector<std::uint8_t>& data = Data();
    ar.WriteU32(static_cast<std::uint32_t>(data.size()));
    ar.WriteBytes(data.data(), data.size());
    ar.WriteU16(m_wExtFlags);
    ar.WriteU32(m_dwExtValue);
    const auto& children = Children();
    ar.WriteU32(static_cast<std::uint32_t>(children.size()));
    for (const auto& child : children) {
        ar.WriteU32(child->m_dwFlags);
        child->StoreBody(ar);
    }
}

void SFileInfo::StoreBody(CArchiveWriter& ar) const {
    StoreRecordBody(ar);
}

} // namespace quillora
