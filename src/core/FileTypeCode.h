// File-type codes: how the program treats a file, decided by its name's ending.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillora {

enum FileType : std::uint16_t {
    kFtOther = 1,
    kFtDot = 2,
    kFtDotDot = 3,
    kFtLzh = 4,
    kFtCab = 5,
    kFtTar = 6,
    kFtTgz = 7,
    kFtTaz = 8,
    kFtGz = 9,
    kFtZ = 10,
    kFtZip = 11,
    kFtArj = 12,
    kFtArc = 13,
    kFtRar = 14,
    kFtIsh = 15,
    kFtGca = 16,
    kFtCas = 17,
    kFtCaz = 18,
    kFtCsv = 19,
    kFtHtml = 20,
    kFtTxt = 21,
    kFtExe = 22,
};

// The code of a file name: its text from the first "." on, upper-cased, looked up;
// failing that from the next "." on, and so on; 1 when nothing matches.
std::uint16_t FileTypeCode(std::string_view name);

} // namespace quillora
