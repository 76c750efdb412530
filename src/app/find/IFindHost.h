// What the find dialogs need from the main window: where a find starts, showing a
// found record in the views, and the record commands of the result list's menu.
#pragma once

#include <vector>

namespace quillora {

class SFileInfo;

class IFindHost {
public:
    virtual ~IFindHost() = default;

    // The record a find starts from, decided by the active view: the tree's selected
    // record, or the list's first selected record (the tree's when the list has none);
    // null when another view is active, which starts at the case root.
    virtual SFileInfo* FindStartRecord() = 0;
    // Selects a found record: a case root, medium or folder in the tree; any other
    // record in the list, below its parent selected in the tree. That view becomes the
    // active one.
    virtual void ShowFoundRecord(SFileInfo& record) = 0;
    // Extracts the files of these records to a folder the user picks (the main
    // window's extract command); true when everything arrived.
    virtual bool ExtractRecords(const std::vector<const SFileInfo*>& records) = 0;
    // Edits the comment and category of a record (the comment dialog).
    virtual void EditComment(SFileInfo& record) = 0;
    // Extracts the comments of these records again, overwriting and descending, after
    // making sure their media are present (the main window's automatic extraction);
    // false when nothing ran or the user stopped it.
    virtual bool AutoCommentRecords(const std::vector<SFileInfo*>& records) = 0;
    // Copies the records to the clipboard in the CSV form of the current preset.
    virtual bool CopyRecordsAsCsv(const std::vector<SFileInfo*>& records) = 0;
    // Marks, comments or stored contents of records changed: redraw the views.
    virtual void RecordsChanged() = 0;
};

} // namespace quillora
