// The tree replay: facts from records, in pre-order on an explicit stack.
#include "model/ReplayTree.h"

#include "model/CCDCase.h"
#include "model/SArcFileInfo.h"
#include "model/SVolumeInfo.h"

#include <vector>

namespace quillora {

namespace {

bool IsMediumClass(RecordClass cls) {
    return cls == RecordClass::Case || cls == RecordClass::Group || cls == RecordClass::Volume;
}

} // namespace

void FactsOf(const SFileInfo& r, SRecordFacts& f) {
    f.Reset(r.Class());
    f.m_nSize = r.m_nSize;
    f.m_dwFlags = r.m_dwFlags;
    f.m_wArcType = r.m_wArcType;
    f.m_wExtFlags = r.m_wExtFlags;
    f.m_ftLastAccess = r.m_ftLastAccess;
    f.m_ftLastWrite = r.m_ftLastWrite;
    f.m_ftCreation = r.m_ftCreation;
    f.m_dwExtValue = r.m_dwExtValue;
    f.m_byMark = r.m_byMark;
    f.m_bLinkInherited = r.m_bLinkInherited;
    f.m_strName = r.m_strName;
    f.m_strComment = r.Comment();
    f.m_strCategory = r.Category();
    f.m_strLink = r.Link();
    if (const CPropertySet* props = r.Props()) {
        f.m_pProps = props->Clone();
    }
    f.m_data = r.Data();
    f.m_nContentsHint = static_cast<std::uint32_t>(r.ChildCount());
    switch (r.Class()) {
    case RecordClass::ArcFile: {
        const auto& entry = static_cast<const SArcFileInfo&>(r);
        f.m_dwPackedSize = entry.m_dwPackedSize;
        f.m_strArcText = entry.m_strArcText;
        break;
    }
    case RecordClass::Volume:
    case RecordClass::Group: {
        const auto& medium = static_cast<const SVolumeInfo&>(r);
        SVolumeFields& v = f.m_volume;
        v.m_dwSerial = medium.m_dwSerial;
        v.m_strLabel = medium.m_strLabel;
        v.m_strVolText1 = medium.m_strVolText1;
        v.m_strVolText2 = medium.m_strVolText2;
        v.m_strOrgLabel = medium.m_strOrgLabel;
        v.m_nTotalBytes = medium.m_nTotalBytes;
        v.m_nFreeBytes = medium.m_nFreeBytes;
        v.m_dwSectorsPerCluster = medium.m_dwSectorsPerCluster;
        v.m_dwBytesPerSector = medium.m_dwBytesPerSector;
        break;
    }
    case RecordClass::Case: {
        const auto& root = static_cast<const CCDCase&>(r);
        f.m_nSchema = root.m_nLoadedSchema;
        f.m_strPassword = root.m_strPassword;
        break;
    }
    case RecordClass::File:
        break;
    }
}

void ReplayTree(const SFileInfo& top, IRecordSink& sink) {
    struct SOpen {
        const SFileInfo* m_record;
        std::size_t m_next;
    };
    SRecordFacts facts;
    std::vector<SOpen> open;
    auto visit = [&](const SFileInfo& record) {
        FactsOf(record, facts);
        const bool medium = IsMediumClass(record.Class());
        if (!medium && record.ChildCount() == 0) {
            sink.Entry(facts);
            return;
        }
        if (medium) {
            sink.BeginMedium(facts);
        } else {
            sink.EnterFolder(facts);
        }
        open.push_back({&record, 0});
    };
    visit(top);
    while (!open.empty()) {
        SOpen& level = open.back();
        if (level.m_next < level.m_record->ChildCount()) {
            visit(*level.m_record->ChildAt(level.m_next++));
            continue;
        }
        const SFileInfo& record = *level.m_record;
        open.pop_back();
        FactsOf(record, facts);
        if (IsMediumClass(record.Class())) {
            sink.EndMedium(facts);
        } else {
            sink.LeaveFolder(facts);
        }
    }
    sink.Finish(SSinkResult{});
}

} // namespace quillora
