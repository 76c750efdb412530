// LHA adapter (.lzh, and self-extracting .exe) over libarchive, with the command entry
// the packed case file uses to pack and unpack its one member.
#pragma once

#include "scan/LibarchiveArchiver.h"

#include <string_view>

namespace quillora {

class CLhaArchiver : public CLibarchiveArchiver {
public:
    CLhaArchiver();

    // Runs one command line and returns 0 on success, non-zero on failure (the
    // reason in LastError()). Understood, with each path in double quotes:
    //   e -jp0 -n -c1 -m1 "ARCHIVE" "FOLDER" "MEMBER"   extract MEMBER flat into FOLDER
    //   a -jp0 -n -c1 -m1 "ARCHIVE" "FILE"              pack FILE as the only member
    int Command(std::string_view commandLine);

    bool MatchesHead(const CArchiveHead& head) const override;

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    SEntryFacts FactsOf(archive* a, archive_entry* e, int fd) override;
    // Archives made on Japanese Windows: names in CP932, converted by libarchive.
    const char* RetryOptions() const override { return "lha:hdrcharset=CP932"; }

private:
    int Pack(const std::string& archivePath, const std::string& filePath);
};

// Splits a command line into words; double quotes group a word and are removed.
std::vector<std::string> SplitCommandLine(std::string_view line);

} // namespace quillora
