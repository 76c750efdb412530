// The plug-ins of the program's family, in the order they are loaded: each kind has a
// library file, an alternative file tried when the first does not load, and the name
// its extractor reports.
#pragma once

namespace quillora {

struct SShippedPlugin {
    const char* m_file;        // in the plug-in folder
    const char* m_alternative; // tried when m_file does not load; null for none
    const char* m_name;        // what TOBgetName returns
};

inline constexpr SShippedPlugin kShippedPlugins[] = {
    {"tobrtf.so", "tobrtfp.so", "RTF"},
    {"tobpdf.so", "tobpdfp.so", "PDF"},
    {"tobaudio.so", nullptr, "AUDIO"},
    {"tobimg.so", nullptr, "IMAGE"},
};

} // namespace quillora
