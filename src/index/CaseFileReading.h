// Reading one case file for the index: its size and time as the file system has them,
// and its records, or why it is left out.
#pragma once

#include "index/SCaseRecords.h"
#include "index/SIndexedCase.h"

#include <optional>
#include <string>

namespace quillora {

class CCDCase;

// The case's absolute path and the file's size and modification time; nothing when
// there is no such file.
std::optional<SIndexedCase> StatCaseFile(const std::string& path);

// Reads the case file `facts` names into `records`. A protected case gives
// ECaseState::Protected and no records (it is not even tried with a password); a file
// that cannot be read gives ECaseState::Unreadable with the cause.
void ReadCaseForIndex(SIndexedCase& facts, SCaseRecords& records);

// The same for a case that is open in memory (it was just saved or opened from `facts`'
// file): its tree is replayed instead of the file being read.
void TakeOpenCase(const CCDCase& root, SIndexedCase& facts, SCaseRecords& records);

} // namespace quillora
