// Helpers of the scanner tests: trees made at run time, deep trees beyond PATH_MAX,
// running a check with an ordinary user's permissions.
#pragma once

#include "support/OrdinaryUser.h"

#include <functional>
#include <string>
#include <vector>

namespace quillora {
class SFileInfo;
}

namespace quillora::test {

// Creates `depth` nested folders named `name` below `base` (without building paths,
// so the depth may exceed PATH_MAX) and writes `leafFile` into the innermost one.
void MakeDeepTree(const std::string& base, const std::string& name, int depth,
                  const std::string& leafFile);

// Removes a folder and everything below it, at any depth.
void RemoveTree(const std::string& path);

// The child of `folder` with that name; null when missing.
const SFileInfo* Child(const SFileInfo& folder, const std::string& name);

// How many folders nest below `record` along its deepest line.
int TreeDepth(const SFileInfo& record);

} // namespace quillora::test
