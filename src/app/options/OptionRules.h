// The rules of the options sheet that need no window: the view change mask, the drive
// bits, the archiver version texts and when self-extracting archives can be expanded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

struct SConfigFields;

// Bits of the view change mask: which view options an OK of the sheet changed.
inline constexpr int kViewChangeFileDisp = 0x01;
inline constexpr int kViewChangeLineSelect = 0x02;
inline constexpr int kViewChangeShowSelAlways = 0x04;
inline constexpr int kViewChangeGroupArc = 0x08;
inline constexpr int kViewChangeSizeUnit = 0x10;
inline constexpr int kViewChangeFolderText = 0x20; // category or comment in the tree
inline constexpr int kViewChangeMediaSort = 0x80;

// The mask of the view options that differ between `before` and `after`
// ("StartLoading" sets no bit).
int ViewChangeMask(const SConfigFields& before, const SConfigFields& after);

// "DriveUse" from the check states of the drive list's lines: 0xFFFFFF with bit i
// cleared for every unchecked line i (lines from the 33rd on have no bit).
int DriveUseFromChecks(const std::vector<bool>& checked);
// Whether line i is checked for a stored "DriveUse".
bool DriveLineChecked(int driveUse, int line);

// "(%d.%d.%d.%d)" of a version packed with its most significant byte first; "(未定義)"
// for version 0 and "(未ﾛｰﾄﾞ)" for an archiver that is not loaded.
std::string ArchiverVersionText(bool loaded, std::uint32_t version);

// One archive kind of the expansion page.
struct SArchiverState {
    const char* m_key = "";   // its "OptionExtract" key: "Lha", "Zip", ...
    const char* m_title = ""; // its check box: "LZHを展開"
    bool m_loaded = false;
    std::uint32_t m_version = 0;
    // Its library can stand in for self-extracting programs (LZH, RAR, GCA; ZIP when
    // the chosen ZIP reader says so).
    bool m_selfExtracting = false;
};

// Whether "自己解凍形式を展開" can be used: with "全てを展開" set, when one of the
// self-extracting kinds is loaded; otherwise when one of their check boxes is set
// (`checked` runs parallel to `kinds`).
bool SelfExtractUsable(const std::vector<SArchiverState>& kinds, bool all,
                       const std::vector<bool>& checked);

} // namespace quillora
