// Presence of media: network media by their mounted share, the others by matching
// each mounted drive's serial number and label.
#include "scan/MediaPresence.h"

#include "core/IModelSettings.h"
#include "core/Resources.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"
#include "platform/VolumeProbe.h"
#include "scan/DriveTable.h"
#include "scan/IMediumPrompt.h"

#include <sys/stat.h>

namespace quillora {

namespace {

bool ExcludesFloppies(const std::string& excluded) {
    return excluded.find_first_of("AB") != std::string::npos;
}

bool IsFloppyRoot(const std::string& root, const std::vector<SDrive>& drives) {
    for (const SDrive& drive : drives) {
        if (drive.m_root == root && CDriveTable::IsFloppy(drive)) {
            return true;
        }
    }
    return false;
}

bool IsFolder(const std::string& osPath) {
    struct stat st {};
    return !osPath.empty() && stat(osPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The local folder a network path is reachable at: below the mount point of the
// mounted share whose network path is the longest leading part of it; "" when no
// mounted share holds it. The server and share compare without case.
std::string LocalFolderOfNetworkPath(const std::string& networkPath,
                                     const std::vector<SDrive>& drives) {
    std::string best;
    std::size_t bestLength = 0;
    for (const SDrive& drive : drives) {
        if (drive.m_kind != DriveKind::Remote) {
            continue;
        }
        const std::string share = CVolumeProbe::NetworkPathFromSource(drive.m_source);
        if (share.size() <= bestLength || share.size() > networkPath.size() ||
            !text::EqualsNoCase(std::string_view(networkPath).substr(0, share.size()), share)) {
            continue;
        }
        if (networkPath.size() > share.size() && networkPath[share.size()] != '\\') {
            continue;
        }
        const std::string below =
            networkPath.size() > share.size() ? networkPath.substr(share.size() + 1) : "";
        best = OsPathBelow(drive.m_root, below);
        bestLength = share.size();
    }
    return best;
}

} // namespace

CMediaPresence::CMediaPresence(DriveSource drives, SDriveChoice choice)
    : m_drives(std::move(drives)), m_choice(choice) {}

std::vector<SVolumeInfo*> CMediaPresence::CollectMedia(SFileInfo& root) {
    std::vector<SVolumeInfo*> media;
    for (std::size_t i = 0; i < root.ChildCount(); ++i) {
        SFileInfo* child = root.ChildAt(i);
        if (child->HasFlags(kFlagGroup)) {
            for (SVolumeInfo* inner : CollectMedia(*child)) {
                media.push_back(inner);
            }
        } else if (child->HasFlags(kFlagMedium)) {
            if (auto* medium = dynamic_cast<SVolumeInfo*>(child)) {
                media.push_back(medium);
            }
        }
    }
    return media;
}

void CMediaPresence::SetMounted(SVolumeInfo& medium, const std::string* root) {
    medium.m_bPresent = 1;
    if (!root) {
        return;
    }
    std::string value = *root;
    if (value.size() > 1 && value.back() == '/') {
        value.pop_back();
    }
    medium.m_strRoot = value;
    medium.RecomputeLocation();
}

void CMediaPresence::SetUnmounted(SVolumeInfo& medium) {
    medium.m_bPresent = 0;
    medium.m_strRoot.clear();
    medium.RecomputeLocation();
}

void CMediaPresence::SetVolumeCancelFlag(const std::vector<SVolumeInfo*>& media,
                                         std::vector<int>& saved, const std::string& excluded,
                                         const std::vector<SDrive>& drives) {
    Log("CCDCase::SetVolumeCancelFlag() start");
    saved.assign(media.size(), 0);
    for (std::size_t i = 0; i < media.size(); ++i) {
        SVolumeInfo& medium = *media[i];
        saved[i] = medium.m_bPresent;
        if (medium.HasFlags(kFlagRemote)) {
            const std::string folder = LocalFolderOfNetworkPath(medium.m_strName, drives);
            if (IsFolder(folder)) {
                SetMounted(medium, &folder);
            } else {
                SetUnmounted(medium);
            }
        } else if (medium.HasFlags(kFlagFixed)) {
            continue;
        } else if (!(ExcludesFloppies(excluded) && IsFloppyRoot(medium.m_strRoot, drives))) {
            SetUnmounted(medium);
        }
    }
}

void CMediaPresence::ProbeDrives(const std::vector<SVolumeInfo*>& media,
                                 const std::vector<int>& saved, const std::string& excluded,
                                 const std::vector<SDrive>& drives, SVolumeInfo*& arrived) {
    const int mediaId = MediaIdSetting();
    for (std::size_t position = 0; position < drives.size(); ++position) {
        const SDrive& drive = drives[position];
        const bool probed = drive.m_kind == DriveKind::Removable ||
                            drive.m_kind == DriveKind::Fixed || drive.m_kind == DriveKind::CdRom;
        if (!probed || !m_choice.IsUsed(static_cast<int>(position)) || !drive.m_present) {
            continue;
        }
        if (ExcludesFloppies(excluded) && CDriveTable::IsFloppy(drive)) {
            continue;
        }
        // A disc whose serial cannot be read matches by its label alone, and only
        // where media are told apart by label only.
        if (drive.m_serialUnknown && mediaId != 2) {
            continue;
        }
        const std::string driveLabel =
            drive.m_label.empty() ? FormatSerialNumber(drive.m_serial) : drive.m_label;
        for (std::size_t i = 0; i < media.size(); ++i) {
            SVolumeInfo& medium = *media[i];
            if (medium.HasFlags(kFlagRemote)) {
                continue; // named by a network path, found through the shares above
            }
            bool match = false;
            if (!medium.m_strName.empty()) {
                match = IsFolder(OsPathBelow(drive.m_root, medium.m_strName)) &&
                        medium.MatchMedium(drive.m_serial, &medium.m_strOrgLabel);
            } else {
                match = medium.MatchMedium(drive.m_serial, &driveLabel);
            }
            if (!match) {
                continue;
            }
            SetMounted(medium, &drive.m_root);
            if (saved[i] == 0) {
                arrived = &medium;
            }
        }
    }
}

SVolumeInfo* CMediaPresence::CheckDeviceIN(SFileInfo& root, const std::string& excluded) {
    LogFormat("CCDCase::CheckDeviceIN(%s) start", excluded.c_str());
    const std::vector<SVolumeInfo*> media = CollectMedia(root);
    SVolumeInfo* arrived = nullptr;
    if (!media.empty()) {
        const std::vector<SDrive> drives = m_drives();
        std::vector<int> saved;
        SetVolumeCancelFlag(media, saved, excluded, drives);
        ProbeDrives(media, saved, excluded, drives, arrived);
    }
    LogFormat("CCDCase::CheckDeviceIN(%s) end", excluded.c_str());
    return arrived;
}

bool CMediaPresence::IsMediumPresentNow(SVolumeInfo& medium) {
    if (SFileInfo* container = medium.GetParent()) {
        CheckDeviceIN(*container);
    } else {
        const std::vector<SDrive> drives = m_drives();
        std::vector<SVolumeInfo*> media{&medium};
        std::vector<int> saved;
        SVolumeInfo* arrived = nullptr;
        SetVolumeCancelFlag(media, saved, {}, drives);
        ProbeDrives(media, saved, {}, drives, arrived);
    }
    return medium.MatchMedium(0, nullptr);
}

std::string CMediaPresence::InsertPromptText(const SVolumeInfo& medium) {
    std::string comment = medium.CommentOneLine(20);
    if (text::Cp932Width(comment) == 20) {
        comment += "...";
    }
    return std::string(Res(247)) + "\n" +
           ResFormat(267, medium.m_strLabel.c_str(), medium.m_strOrgLabel.c_str(), comment.c_str());
}

bool CMediaPresence::RequireMedium(const SFileInfo& record, IMediumPrompt& prompt) {
    SVolumeInfo* medium = record.EnclosingMedium();
    if (!medium) {
        return false;
    }
    if (IsMediumPresentNow(*medium)) {
        return true;
    }
    const std::string text = InsertPromptText(*medium);
    while (prompt.AskForMedium(text)) {
        if (IsMediumPresentNow(*medium)) {
            return true;
        }
    }
    return false;
}

} // namespace quillora
