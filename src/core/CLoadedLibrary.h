// CLoadedLibrary: a shared library loaded by its soname when a feature first needs it
// instead of linked, with its functions bound by name. The first failure is kept as one
// sentence for the user, naming the feature and the package that brings the library.
#pragma once

#include <string>

namespace quillora {

class CLoadedLibrary {
public:
    // Loads `soname`; `need` ("archives need"), `library` ("libarchive") and `package`
    // ("libarchive13") only word the messages.
    CLoadedLibrary(const char* soname, std::string need, const char* library, const char* package);
    CLoadedLibrary(const CLoadedLibrary&) = delete;
    CLoadedLibrary& operator=(const CLoadedLibrary&) = delete;

    // Sets `target` to the function `name`, or to null (Error() then says which is missing)
    // when the library lacks it or was not loaded.
    template <class Fn> void Bind(Fn& target, const char* name) {
        target = reinterpret_cast<Fn>(Symbol(name));
    }

    // Why the library cannot be used; empty when it was loaded with every function bound.
    const std::string& Error() const { return m_strError; }

private:
    void* Symbol(const char* name);

    const char* m_pszSoname;
    std::string m_strNeed;
    // Never closed: what the library made may be freed until the process ends.
    void* m_handle = nullptr;
    std::string m_strError;
};

} // namespace quillora
