// Fuzz target: the ".caz" reader on arbitrary bytes: the LHA listing, the extraction of
// the case member into a private folder, and the case reader behind it. Any input must
// end in a case or in an exception, never a crash, a hang or a file left behind.
#include "model/CCDCase.h"
#include "model/CaseStream.h"
#include "scan/ArchiverSet.h"
#include "scan/CArchivedCaseFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <exception>
#include <string>
#include <unistd.h>

namespace {

quillora::CArchiverSet& Archivers() {
    static quillora::CArchiverSet set;
    static const bool loaded = [] {
        set.LoadAll();
        return true;
    }();
    (void)loaded;
    return set;
}

const std::string& WorkFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-caz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

// The work folder holds the input alone once a read is over.
void CheckNothingLeft() {
    DIR* dir = ::opendir(WorkFolder().c_str());
    if (!dir) {
        std::abort();
    }
    int entries = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "in.caz") {
            ++entries;
        }
    }
    ::closedir(dir);
    if (entries != 0) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillora::SetTryPassword("");
    const std::string path = WorkFolder() + "/in.caz";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        const bool written = std::fwrite(data, 1, size, f) == size;
        if (std::fclose(f) != 0 || !written) {
            std::abort();
        }
    } else {
        std::abort();
    }
    {
        quillora::CArchivedCaseFile stream(Archivers().Lha());
        try {
            stream.Open(path, quillora::kOpenForLoad, WorkFolder());
            std::unique_ptr<quillora::CCDCase> root = quillora::CCDCase::Read(stream, path);
            stream.Close();
        } catch (const std::exception&) {
        }
    }
    CheckNothingLeft();
    return 0;
}
