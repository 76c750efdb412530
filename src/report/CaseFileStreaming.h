// Streaming one case file (".cas" or ".caz") into a record sink outside the document,
// with a password of the caller's own, so that several files can be read at once.
#pragma once

#include <string>

namespace quillora {

class CLhaArchiver;
class IRecordSink;

// How one streamed read ended.
struct SCaseStreamResult {
    bool m_bRead = false;          // every record reached the sink and Finish came
    bool m_bBadPassword = false;   // the file is protected by another password
    std::string m_strFilePassword; // with m_bBadPassword: what the file keeps
    std::string m_strError;        // one line in English when not read
};

// Opens `path` (a ".caz" through `lha`, the calling thread's own reader of LHA
// archives, anything else as a plain or gzip case file), checks its password against
// `password` and streams every record into `sink`. Never throws for the file's sake:
// a file that cannot be opened, is damaged or protected comes back as not read, and
// what the sink got from it is then not to be used. What the sink throws is reported
// the same way.
SCaseStreamResult StreamCaseFile(const std::string& path, const std::string& password,
                                 IRecordSink& sink, CLhaArchiver& lha);

} // namespace quillora
