// Placement of archive entries below an extraction folder, and name decoding.
#include "scan/ArchivePath.h"

#include "core/Text.h"

#include <vector>

namespace quillora {

namespace {

bool StartsWithRef(std::string_view s, std::string_view ref) {
    return s.size() >= ref.size() + 1 && s.substr(0, ref.size()) == ref &&
           (s[ref.size()] == '/' || s[ref.size()] == '\\');
}

} // namespace

std::string DecodeArcName(std::string_view raw) {
    if (text::IsValidUtf8(raw)) {
        return std::string(raw);
    }
    std::string utf8 = text::Cp932ToUtf8(raw);
    // Archives made on Windows may separate folders with "\"; after decoding, a 0x5C
    // byte can only be a real separator, never the trail byte of a character.
    for (char& c : utf8) {
        if (c == '\\') {
            c = '/';
        }
    }
    return utf8;
}

std::string NormalizeArcPath(std::string_view path) {
    std::string out(path);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

SArcPathParts SplitParentPrefix(std::string_view path) {
    SArcPathParts parts;
    std::string_view rest = path;
    bool dotSeen = false;
    std::size_t depth = 0;
    for (;;) {
        if (StartsWithRef(rest, "..")) {
            ++depth;
            rest.remove_prefix(3);
        } else if (StartsWithRef(rest, ".")) {
            if (dotSeen || depth > 0) {
                parts.m_strRest = std::string(path);
                return parts;
            }
            dotSeen = true;
            rest.remove_prefix(2);
        } else {
            break;
        }
    }
    parts.m_nParentDepth = depth;
    parts.m_strRest = std::string(rest);
    return parts;
}

std::optional<SExtractedParts> ExtractedParts(std::string_view pathInArchive, bool withFolders) {
    SArcPathParts parts = SplitParentPrefix(NormalizeArcPath(pathInArchive));
    std::vector<std::string> components;
    const std::string& rest = parts.m_strRest;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        std::string component = rest.substr(start, end - start);
        if (component == "..") {
            return std::nullopt;
        }
        if (!component.empty() && component != ".") {
            // Escaped bytes of undecodable names go back to the bytes themselves on disk.
            components.push_back(text::Utf8ToOsBytes(component));
        }
        start = end + 1;
    }
    if (components.empty()) {
        return std::nullopt;
    }
    SExtractedParts out;
    out.m_strLeaf = std::move(components.back());
    components.pop_back();
    if (withFolders) {
        out.m_folders.assign(parts.m_nParentDepth, std::string(kArcParentFolder));
        for (std::string& component : components) {
            out.m_folders.push_back(std::move(component));
        }
    }
    return out;
}

std::optional<std::filesystem::path>
ExtractedPath(const std::filesystem::path& dest, std::string_view pathInArchive, bool withFolders) {
    std::optional<SExtractedParts> parts = ExtractedParts(pathInArchive, withFolders);
    if (!parts) {
        return std::nullopt;
    }
    std::filesystem::path out = dest;
    for (const std::string& folder : parts->m_folders) {
        out /= folder;
    }
    return out / parts->m_strLeaf;
}

std::string ArcMatchKey(std::string_view path) {
    SArcPathParts parts = SplitParentPrefix(NormalizeArcPath(path));
    std::string key;
    for (std::size_t i = 0; i < parts.m_nParentDepth; ++i) {
        key += "../";
    }
    const std::string& rest = parts.m_strRest;
    std::size_t start = 0;
    bool first = true;
    while (start <= rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        std::string_view component(rest.data() + start, end - start);
        if (!component.empty() && component != ".") {
            if (!first) {
                key += '/';
            }
            first = false;
            for (char c : component) {
                key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            }
        }
        start = end + 1;
    }
    return key;
}

} // namespace quillora
