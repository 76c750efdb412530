// The commands the tree and the list carry out on their selected records: marks,
// opening a file or its link target, the file manager, stored contents, and copying
// names and paths to the clipboard.
#pragma once

#include <string>

namespace quillora {

class CTobCaseDoc;
class SFileInfo;

class CRecordCommands {
public:
    explicit CRecordCommands(CTobCaseDoc& doc) : m_doc(doc) {}

    // Turns the mark of the record over; with `recursive` every record below it takes
    // the same new state. Sets the modified flag.
    void ToggleMark(SFileInfo& record, bool recursive);
    // Opens the file with the desktop's application: its stored contents (written to
    // the extraction folder) or the file on its medium (asking for the medium).
    // When the medium is not inserted and the record has a link, the link is opened.
    void OpenFile(SFileInfo& record);
    void OpenLink(SFileInfo& record);
    // Shows the record's folder (a file's own folder) in the file manager.
    void Explore(SFileInfo& record);
    // Reads the file from its medium into the record's stored contents.
    void EmbedData(SFileInfo& record);
    // Plain text to the clipboard.
    static void CopyName(const SFileInfo& record);
    static void CopyFullPath(const SFileInfo& record);
    // The texts CopyName and CopyFullPath put on the clipboard.
    static std::string NameText(const SFileInfo& record);
    static std::string FullPathText(const SFileInfo& record);

private:
    bool OpenPath(const std::string& osPath);

    CTobCaseDoc& m_doc;
};

} // namespace quillora
