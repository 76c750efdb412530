// The benchmarks' synthetic file names: a fixed pseudo-random sequence and names as
// people's discs hold them, the same in every benchmark that compares with grep.
#pragma once

#include <cstdio>
#include <string>

namespace quillora::bench {

struct SRandom {
    unsigned seed = 12345;
    unsigned Next() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    }
};

// A file name as people's discs hold them: camera names, documents of a few words,
// music tracks, Japanese names, a spread of extensions and letter cases.
inline std::string FileName(SRandom& rnd) {
    static const char* const kWords[] = {
        "report", "draft",   "final",   "budget",  "photo",  "holiday", "meeting", "notes",
        "backup", "invoice", "summary", "project", "design", "music",   "track",   "album",
        "video",  "scan",    "letter",  "memo",    "写真",   "旅行",    "会議",    "資料",
        "音楽",   "Setup",   "README",  "Index",   "Thumbs", "DCIM"};
    static const char* const kExts[] = {".jpg", ".JPG", ".png", ".txt", ".doc", ".pdf",
                                        ".mp3", ".avi", ".zip", ".lzh", ".xls", ".html",
                                        ".c",   ".h",   ".exe", ""};
    const unsigned r = rnd.Next();
    char number[16];
    switch (r % 10) {
    case 0:
    case 1:
        std::snprintf(number, sizeof number, "%04u", rnd.Next() % 10000);
        return std::string("IMG_") + number + (r & 64 ? ".JPG" : ".jpg");
    case 2:
        std::snprintf(number, sizeof number, "%05u", rnd.Next() % 100000);
        return std::string("DSC") + number + ".JPG";
    default: {
        std::string name;
        const unsigned words = 1 + rnd.Next() % 3;
        for (unsigned w = 0; w < words; ++w) {
            if (w > 0) {
                name += (rnd.Next() % 3 == 0) ? " " : "_";
            }
            name += kWords[rnd.Next() % (sizeof kWords / sizeof *kWords)];
        }
        if (rnd.Next() % 3 == 0) {
            name += "-" + std::to_string(1990 + rnd.Next() % 21);
        }
        return name + kExts[rnd.Next() % (sizeof kExts / sizeof *kExts)];
    }
    }
}

} // namespace quillora::bench
