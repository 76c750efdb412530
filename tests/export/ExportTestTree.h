// Small catalogue trees for the export and import tests, and the settings they run under:
// UTC as the local time zone and display names shown as stored.
#pragma once

#include "core/FileTime.h"
#include "model/CCDCase.h"
#include "model/EditingTree.h"
#include "model/SGroupInfo.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

namespace quillora::test {

// 2002/03/04 05:06:07 UTC.
inline constexpr std::int64_t kSampleUnix = 1015218367;

inline FileTime SampleTime(std::int64_t offsetSeconds = 0) {
    return FileTimeFromUnix(kSampleUnix + offsetSeconds);
}

// Local time is UTC and names show as stored while it lives.
class CExportTestEnvironment {
public:
    CExportTestEnvironment() : m_settings(3) {
        if (const char* tz = std::getenv("TZ")) {
            m_oldTz = tz;
            m_hadTz = true;
        }
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~CExportTestEnvironment() {
        if (m_hadTz) {
            setenv("TZ", m_oldTz.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    CScopedModelSettings m_settings;
    std::string m_oldTz;
    bool m_hadTz = false;
};

inline SFileInfo* WithTimes(SFileInfo* record, std::int64_t offset) {
    record->m_ftLastWrite = SampleTime(offset);
    record->m_ftCreation = SampleTime(offset - 3600);
    record->m_ftLastAccess = SampleTime(offset + 60);
    return record;
}

// The case of most tests:
//   shelf.cas
//     CD1 (medium, whole disc, not mounted)
//       DIR  (folder)
//         b.txt   10 bytes, comment "line1\r\nline2", category "text"
//       a.txt   1234567 bytes, CRC DEADBEEF
//     G (group)
//       CD2 (medium)
//         z.txt
struct SSampleCase {
    std::unique_ptr<CCDCase> root = std::make_unique<CCDCase>();
    SVolumeInfo* cd1 = nullptr;
    SFileInfo* dir = nullptr;
    SFileInfo* b = nullptr;
    SFileInfo* a = nullptr;
    SGroupInfo* group = nullptr;
    SVolumeInfo* cd2 = nullptr;
    SFileInfo* z = nullptr;

    SSampleCase() {
        root->m_strName = "/cases/shelf.cas";
        cd1 = AddMedium(*root, "CD1");
        // Files are added before the folder: exports sort folders first anyway.
        a = WithTimes(AddFile(*cd1, "a.txt", 1234567), 0);
        a->m_dwExtValue = 0xDEADBEEF;
        a->m_wExtFlags = kExtFlagCrc;
        dir = WithTimes(AddFolder(*cd1, "DIR"), 100);
        b = WithTimes(AddFile(*dir, "b.txt", 10), 200);
        b->SetComment("line1\r\nline2");
        b->SetCategory("text");
        auto g = std::make_unique<SGroupInfo>();
        g->SetLabel("G");
        group = static_cast<SGroupInfo*>(root->AddChild(std::move(g)));
        cd2 = AddMedium(*group, "CD2");
        z = WithTimes(AddFile(*cd2, "z.txt", 5), 300);
        root->RecalcSize(true);
        root->UpdateDisplayNameTree(true);
    }
};

} // namespace quillora::test
