// Which registered media are in a drive now, and where: presence checks over the
// mounted drives, asking for a medium, and the mount state of one medium.
#pragma once

#include "platform/DriveList.h"
#include "scan/DriveChoice.h"

#include <functional>
#include <string>
#include <vector>

namespace quillora {

class IMediumPrompt;
class SFileInfo;
class SVolumeInfo;

// Used on the UI thread. Which drives are looked at comes with the object; the medium
// identification mode is the model's, as SVolumeInfo::MatchMedium reads it.
class CMediaPresence {
public:
    using DriveSource = std::function<std::vector<SDrive>()>;

    // `drives` lists the mounted drives in mount-table order; the real mount table
    // by default. Only the drives `choice` uses are probed for serials and labels.
    explicit CMediaPresence(DriveSource drives = &CDriveList::Read, SDriveChoice choice = {});

    // Refreshes the presence of every medium below `root` (a case or a group; groups
    // are descended into) and returns the last medium, in tree order, that was absent
    // and is present now; null when none. `excluded` holding "A" or "B" leaves the
    // floppy drives, which stand in those letters' place, alone.
    SVolumeInfo* CheckDeviceIN(SFileInfo& root, const std::string& excluded = {});

    // The first half of CheckDeviceIN: saves each medium's presence into `saved`,
    // then marks network media by whether their path is mounted and reachable now
    // and every other medium but fixed-disk media absent (except those on excluded
    // floppy drives).
    void SetVolumeCancelFlag(const std::vector<SVolumeInfo*>& media, std::vector<int>& saved,
                             const std::string& excluded, const std::vector<SDrive>& drives);

    // The drives to probe from now on (the user changed the drive options).
    void SetDriveChoice(const SDriveChoice& choice) { m_choice = choice; }

    // CheckDeviceIN on the medium's group or case, then whether it is present.
    bool IsMediumPresentNow(SVolumeInfo& medium);

    // Makes sure the medium holding `record` is present, asking through `prompt`
    // until it is or the user cancels. True when present.
    bool RequireMedium(const SFileInfo& record, IMediumPrompt& prompt);

    // Present at `root` (a mount point; a network medium's local folder); null
    // keeps the root. SetUnmounted: absent, without a root.
    static void SetMounted(SVolumeInfo& medium, const std::string* root);
    static void SetUnmounted(SVolumeInfo& medium);

    // The text RequireMedium shows for a medium.
    static std::string InsertPromptText(const SVolumeInfo& medium);

    // Every medium below `root` in tree order, groups descended into.
    static std::vector<SVolumeInfo*> CollectMedia(SFileInfo& root);

private:
    void ProbeDrives(const std::vector<SVolumeInfo*>& media, const std::vector<int>& saved,
                     const std::string& excluded, const std::vector<SDrive>& drives,
                     SVolumeInfo*& arrived);

    DriveSource m_drives;
    SDriveChoice m_choice;
};

} // namespace quillora
