// The tree builder: records from facts, appended in the order they come, with display
// names, locations and (when asked) size sums as each record is closed.
#include "model/CTreeBuilder.h"

#include "model/CCDCase.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <algorithm>

namespace quillora {

namespace {

// A reservation larger than this waits for the records to come: a damaged file may
// state any count.
constexpr std::uint32_t kMaxReserve = 4096;

bool IsMediumClass(RecordClass cls) {
    return cls == RecordClass::Volume || cls == RecordClass::Group;
}

} // namespace

CTreeBuilder::CTreeBuilder() = default;

CTreeBuilder::CTreeBuilder(SFileInfo& top, ETop how) : m_pTop(&top), m_eTop(how) {}

CTreeBuilder::~CTreeBuilder() = default;

SFileInfo* CTreeBuilder::Current() const {
    if (!m_open.empty()) {
        return m_open.back();
    }
    return m_eTop == ETop::Below ? m_pTop : nullptr;
}

std::unique_ptr<SFileInfo> CTreeBuilder::MakeRecord(RecordClass cls) {
    switch (cls) {
    case RecordClass::ArcFile:
        return std::make_unique<SArcFileInfo>();
    case RecordClass::Volume:
        return std::make_unique<SVolumeInfo>();
    case RecordClass::Group:
        return std::make_unique<SGroupInfo>();
    case RecordClass::Case:
        return std::make_unique<CCDCase>();
    case RecordClass::File:
        break;
    }
    return std::make_unique<SFileInfo>();
}

void CTreeBuilder::ApplyHead(SFileInfo& r, SRecordFacts& f) {
    r.m_nSize = f.m_nSize;
    r.m_dwFlags = ClassFlagsFor(r.Class(), f.m_dwFlags);
    r.m_wArcType = f.m_wArcType;
    r.m_wExtFlags = f.m_wExtFlags;
    r.m_ftLastAccess = f.m_ftLastAccess;
    r.m_ftLastWrite = f.m_ftLastWrite;
    r.m_ftCreation = f.m_ftCreation;
    r.m_dwExtValue = f.m_dwExtValue;
    r.m_byMark = f.m_byMark;
    r.m_bLinkInherited = f.m_bLinkInherited;
    r.m_strName = f.m_strName;
    if (!f.m_strComment.empty()) {
        r.SetComment(std::move(f.m_strComment));
    }
    if (!f.m_strCategory.empty()) {
        r.SetCategory(std::move(f.m_strCategory));
    }
    if (!f.m_strLink.empty()) {
        r.SetLink(std::move(f.m_strLink));
    }
    if (f.m_pProps) {
        r.SetProps(std::move(f.m_pProps));
    }
    if (!f.m_data.empty()) {
        r.SetData(std::move(f.m_data));
    }
    if (r.Class() == RecordClass::Case) {
        auto& root = static_cast<CCDCase&>(r);
        root.m_strPassword = f.m_strPassword;
        root.m_nLoadedSchema = f.m_nSchema;
    }
}

void CTreeBuilder::ApplyTail(SFileInfo& r, SRecordFacts& f) {
    switch (r.Class()) {
    case RecordClass::ArcFile: {
        auto& entry = static_cast<SArcFileInfo&>(r);
        entry.m_dwPackedSize = f.m_dwPackedSize;
        entry.m_strArcText = f.m_strArcText;
        break;
    }
    case RecordClass::Volume:
    case RecordClass::Group: {
        auto& medium = static_cast<SVolumeInfo&>(r);
        const SVolumeFields& v = f.m_volume;
        medium.m_dwSerial = v.m_dwSerial;
        medium.m_strLabel = v.m_strLabel;
        medium.m_strVolText1 = v.m_strVolText1;
        medium.m_strVolText2 = v.m_strVolText2;
        medium.m_strOrgLabel = v.m_strOrgLabel;
        medium.m_nTotalBytes = v.m_nTotalBytes;
        medium.m_nFreeBytes = v.m_nFreeBytes;
        medium.m_dwSectorsPerCluster = v.m_dwSectorsPerCluster;
        medium.m_dwBytesPerSector = v.m_dwBytesPerSector;
        if (r.Class() == RecordClass::Volume) {
            medium.RecomputeLocation();
        }
        break;
    }
    default:
        break;
    }
}

SFileInfo* CTreeBuilder::Append(SFileInfo* parent, std::unique_ptr<SFileInfo> record) {
    if (!parent) {
        m_roots.push_back(std::move(record));
        return m_roots.back().get();
    }
    // Telling the case costs a walk to the top; once per run of siblings is enough,
    // since nothing reads the tree between them.
    if (parent != m_pNoted) {
        parent->NoteTreeChange();
        m_pNoted = parent;
    }
    record->m_pParent = parent;
    auto& children = parent->More().m_children;
    children.push_back(std::move(record));
    return children.back().get();
}

SFileInfo& CTreeBuilder::Open(SRecordFacts& facts) {
    SFileInfo* record = nullptr;
    if (m_eTop == ETop::Fill && !m_bTopFilled && m_open.empty()) {
        m_bTopFilled = true;
        record = m_pTop;
        ApplyHead(*record, facts);
    } else {
        std::unique_ptr<SFileInfo> made = MakeRecord(facts.m_class);
        ApplyHead(*made, facts);
        record = Append(Current(), std::move(made));
    }
    if (facts.m_nContentsHint > 0) {
        record->More().m_children.reserve(std::min(facts.m_nContentsHint, kMaxReserve));
    }
    if (!IsMediumClass(facts.m_class) && facts.m_class != RecordClass::Case) {
        record->RefreshDisplayName();
    }
    m_open.push_back(record);
    m_pLast = record;
    return *record;
}

void CTreeBuilder::Close(SRecordFacts& facts) {
    SFileInfo& record = *m_open.back();
    m_open.pop_back();
    ApplyTail(record, facts);
    if (IsMediumClass(record.Class())) {
        // A medium shows its label, which comes after its records.
        record.RefreshDisplayName();
    }
    if (m_bSumSizes) {
        record.RecalcSize(false);
    }
}

void CTreeBuilder::BeginMedium(SRecordFacts& medium) {
    Open(medium);
}

void CTreeBuilder::EnterFolder(SRecordFacts& folder) {
    Open(folder);
}

void CTreeBuilder::Entry(SRecordFacts& facts) {
    std::unique_ptr<SFileInfo> made = MakeRecord(facts.m_class);
    ApplyHead(*made, facts);
    ApplyTail(*made, facts);
    made->RefreshDisplayName();
    if (m_bSumSizes && made->HasFlags(kSizeFromChildrenMask)) {
        made->RecalcSize(false);
    }
    m_pLast = Append(Current(), std::move(made));
}

void CTreeBuilder::LeaveFolder(SRecordFacts& folder) {
    Close(folder);
}

void CTreeBuilder::EndMedium(SRecordFacts& medium) {
    Close(medium);
}

void CTreeBuilder::Finish(const SSinkResult& result) {
    m_result = result;
    m_bFinished = true;
}

} // namespace quillora
