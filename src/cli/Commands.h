// The sub-commands of quillora-cli. Each takes the arguments after its own name
// and returns the process exit code (0 success, 1 usage error, 2 failure).
#pragma once

#include <string>
#include <vector>

namespace quillora::cli {

using Args = std::vector<std::string>;

int RunNew(const Args& args);
int RunInfo(const Args& args);
int RunTree(const Args& args);
int RunMerge(const Args& args);
int RunPassword(const Args& args);
int RunMark(const Args& args);
int RunComment(const Args& args);
int RunCategory(const Args& args);
int RunLink(const Args& args);
int RunLabel(const Args& args);
int RunGroup(const Args& args);
int RunExtract(const Args& args);
int RunVolume(const Args& args);
int RunScan(const Args& args);
int RunDrives(const Args& args);
int RunPresence(const Args& args);
int RunSave(const Args& args);

} // namespace quillora::cli
