// The system's CD AutoRun policy. Linux desktops have no such system-wide switch
// that the program could own, so both calls leave everything as it is; the
// configuration still keeps its guard keys for settings shared with other systems.
#pragma once

namespace quillora {

class CAutoRunPolicy {
public:
    // Would suppress (or restore) AutoRun; does nothing here.
    static void SetAutoRunSuppressed(bool suppress);
    // Whether the policy is at its default value; there is no policy value here.
    static bool IsAutoRunDefault();
};

} // namespace quillora
