// What a walk over the catalogue tree feeds: every writer of a list format is a sink, so
// that one walk serves them all.
//
// Call order for an entry E at depth d (the start entry has depth 0):
//   Record(E, d); then, only when E has children and the depth limit lets the walk below
//   it: EnterFolder(E, d), the calls for each child at depth d + 1, LeaveFolder(E, d).
// Finish(ok) comes once at the end: ok is false when the walk was cancelled. The pointers
// are the tree's and live as long as the walk; a sink never changes the tree. A sink that
// fails (a write error) throws, and the walk ends with that exception.
#pragma once

namespace quillora {

class SFileInfo;

class ICaseSink {
public:
    virtual ~ICaseSink() = default;
    virtual void Record(const SFileInfo& entry, int depth) = 0;
    virtual void EnterFolder(const SFileInfo& /*entry*/, int /*depth*/) {}
    virtual void LeaveFolder(const SFileInfo& /*entry*/, int /*depth*/) {}
    virtual void Finish(bool /*ok*/) {}
};

} // namespace quillora
