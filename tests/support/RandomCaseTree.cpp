// The random case trees of the tests.
#include "support/RandomCaseTree.h"

#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <iterator>

namespace quillora::test {

namespace {

const CPropertyDefinition g_definition{"Improt", {1, 2, 3}, true};

} // namespace

CRandomTreeDefinitions::CRandomTreeDefinitions() : m_pPrevious(PropertyDefinitions()) {
    SetPropertyDefinitions(this);
}

CRandomTreeDefinitions::~CRandomTreeDefinitions() {
    SetPropertyDefinitions(m_pPrevious);
}

const CPropertyDefinition* CRandomTreeDefinitions::FindByName(std::string_view name) const {
    return name == g_definition.m_strName ? &g_definition : nullptr;
}

std::unique_ptr<CCDCase> CRandomCaseTree::Make() {
    auto root = std::make_unique<CCDCase>();
    root->m_strPassword = Pick(3) == 0 ? "secret" : "";
    root->m_nLoadedSchema = 12;
    for (int i = 0, n = 1 + Pick(3); i < n; ++i) {
        if (Pick(3) == 0) {
            auto* group = static_cast<SGroupInfo*>(root->AddChild(std::make_unique<SGroupInfo>()));
            group->SetLabel("Group " + std::to_string(i) + Text());
            Fill(*group);
            for (int m = 0, media = Pick(3); m < media; ++m) {
                AddMedium(*group);
            }
        } else {
            AddMedium(*root);
        }
    }
    return root;
}

int CRandomCaseTree::Pick(int n) {
    return static_cast<int>(m_random() % static_cast<unsigned>(n));
}

std::string CRandomCaseTree::Text() {
    static const char* const kTexts[] = {"",
                                         "",
                                         "plain",
                                         "写真 ｶﾞｲﾄﾞ",
                                         "caf\xC3\xA9",
                                         "line\r\nbreak",
                                         "\xF0\x9F\x93\x80",
                                         "say \"hi\" \\ back\x01"};
    return kTexts[Pick(static_cast<int>(std::size(kTexts)))];
}

std::string CRandomCaseTree::Name(int i) {
    std::string name = "n" + std::to_string(i) + Text();
    if (Pick(20) == 0) {
        name += std::string(300, 'x'); // a long text takes the escaped length
    }
    return name;
}

void CRandomCaseTree::Fill(SFileInfo& r) {
    r.m_ftLastWrite = 130000000000000000ULL + m_random();
    r.m_ftCreation = 129000000000000000ULL + m_random();
    r.m_ftLastAccess = Pick(2) ? 0 : r.m_ftLastWrite;
    r.SetComment(Text());
    r.SetCategory(Text());
    r.m_byMark = static_cast<std::uint8_t>(Pick(2));
    if (Pick(6) == 0) {
        r.SetLink("/somewhere/" + Text());
        r.m_bLinkInherited = static_cast<std::uint8_t>(Pick(2));
    }
    if (Pick(8) == 0) {
        auto props = std::make_unique<CPropertySet>(&g_definition);
        props->Values() = {Text(), "v", Text()};
        r.SetProps(std::move(props));
    }
    if (Pick(10) == 0) {
        r.SetData({1, 2, 3, 0, 255});
    }
    if (Pick(4) == 0) {
        r.m_wExtFlags = kExtFlagCrc;
        r.m_dwExtValue = static_cast<std::uint32_t>(m_random());
    }
}

void CRandomCaseTree::AddMedium(SFileInfo& parent) {
    auto* medium = static_cast<SVolumeInfo*>(parent.AddChild(std::make_unique<SVolumeInfo>()));
    medium->m_strLabel = Pick(6) == 0 ? "" : "Disc " + Text();
    medium->m_strOrgLabel = "DISC";
    medium->m_strName = Pick(2) ? "home\\me\\discs" : "";
    medium->m_dwSerial = static_cast<std::uint32_t>(m_random());
    medium->m_strVolText1 = Text();
    medium->m_strVolText2 = "FAT32";
    medium->m_nTotalBytes = m_random();
    medium->m_nFreeBytes = Pick(2) ? kUnknownSize : 7;
    medium->m_dwSectorsPerCluster = 8;
    medium->m_dwBytesPerSector = 512;
    medium->m_dwFlags |= Pick(2) ? kFlagCdRom : kFlagRemovable;
    Fill(*medium);
    AddContents(*medium, 0);
}

void CRandomCaseTree::AddContents(SFileInfo& folder, int depth) {
    const bool inArchive = folder.HasFlags(kFlagListedArchive);
    for (int i = 0, n = Pick(6); i < n; ++i) {
        std::unique_ptr<SFileInfo> r;
        if (inArchive) {
            auto entry = std::make_unique<SArcFileInfo>();
            entry->m_dwPackedSize = static_cast<std::uint32_t>(m_random());
            entry->m_strArcText = Pick(3) == 0 ? "../" : "";
            r = std::move(entry);
        } else {
            r = std::make_unique<SFileInfo>();
        }
        r->m_strName = Name(i);
        r->m_nSize = m_random() % 100000;
        r->m_dwFlags |= kAttrArchive;
        Fill(*r);
        const int kind = depth < 5 ? Pick(5) : 0;
        if (kind == 1) {
            r->m_dwFlags = (r->m_dwFlags & ~kAttrArchive) | kAttrDirectory;
        } else if (kind == 2 && !inArchive) {
            r->m_dwFlags |= kFlagListedArchive | kAttrDirectory;
            r->m_wArcType = kArcZip;
        }
        SFileInfo* added = folder.AddChild(std::move(r));
        if (kind == 1 || kind == 2) {
            if (inArchive) {
                added->m_dwFlags |= kFlagListedArchive;
            }
            AddContents(*added, depth + 1);
        }
    }
}

} // namespace quillora::test
