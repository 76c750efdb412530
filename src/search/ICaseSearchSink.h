// What a search across case files reports, in the order of the codes the dialog
// handles: the list (0), a file being searched (1), its count (2), the end (3), and
// a password question (4).
#pragma once

#include "search/CaseFileCollection.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quillora {

class ICaseSearchSink {
public:
    virtual ~ICaseSearchSink() = default;

    // Code 0: the case files found, in collection order. Not called when there is none.
    virtual void Listed(const std::vector<SCaseFileEntry>& entries) = 0;
    // Code 1: the file at `index` is being searched. Files are reported in list order
    // even though several are searched at once.
    virtual void Searching(std::size_t index) = 0;
    // Code 2: its count is known (-1: it could not be read).
    virtual void Counted(std::size_t index, int count) = 0;
    // Code 3: the run is over, finished or aborted.
    virtual void Finished() = 0;
    // Code 4: the case file at `path` is protected by a password other than the
    // current one; `filePassword` is the password it holds, which a password dialog
    // checks the user's text against. Called on a worker thread, one question at a
    // time; that worker waits until CCaseSearch::AnswerPassword is called (from any
    // thread, also from inside this call) while the others go on.
    virtual void PasswordNeeded(const std::string& path, const std::string& filePassword) = 0;

    // Codes 0-3 come from the search's own thread, one after the other.
};

} // namespace quillora
