// What each plug-in supplies to the common entry points (PluginEntry.cpp): its name,
// support bits, suffixes and property table, and how it opens a file.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace quillora::plugin {

struct SProperty {
    int m_nKey;
    const char* m_title;
};

struct SInfo {
    const char* m_name;
    int m_support;
    const char* m_suffixes; // upper case, ";" separated
    std::vector<SProperty> m_properties;
};

// One open file: its property values (one per table entry, in table order; empty
// for none) and, for plug-ins that deliver text, its lines one by one.
class IDocument {
public:
    virtual ~IDocument() = default;
    std::vector<std::string> m_values;
    // The next line of text (UTF-8, without its line end); false at the end.
    virtual bool NextLine(std::string&) { return false; }
};

// Defined by each plug-in.
const SInfo& Info();
// Opens and reads the file; null when it is not one the plug-in can read.
std::unique_ptr<IDocument> Open(const std::string& path);

} // namespace quillora::plugin
