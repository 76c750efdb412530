// How quillora-cli names records, shared by the commands that list them (tree, find):
// a catalogue path a line, or one JSON object with every field.
#pragma once

#include <string>

namespace quillora {
class SFileInfo;
}

namespace quillora::cli {

// The case's file name for the case, else the record's catalogue path; a folder,
// medium or group ends in "\".
std::string RecordLine(const SFileInfo& record);

// Every field of the record as one JSON object (no line break).
std::string RecordJson(const SFileInfo& record);
// The same object, appended to `out`.
void AppendRecordJson(std::string& out, const SFileInfo& record);

} // namespace quillora::cli
