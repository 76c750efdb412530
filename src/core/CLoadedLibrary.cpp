// Loading a library with dlopen and binding its functions with dlsym.
#include "core/CLoadedLibrary.h"

#include <dlfcn.h>
#include <utility>

namespace quillora {

CLoadedLibrary::CLoadedLibrary(const char* soname, std::string need, const char* library,
                               const char* package)
    : m_pszSoname(soname), m_strNeed(std::move(need)),
      m_handle(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
    if (!m_handle) {
        const char* why = ::dlerror();
        m_strError =
            m_strNeed + " " + library + " (package " + package + "): " + (why ? why : soname);
    }
}

void* CLoadedLibrary::Symbol(const char* name) {
    if (!m_handle) {
        return nullptr;
    }
    void* symbol = ::dlsym(m_handle, name);
    if (!symbol && m_strError.empty()) {
        m_strError = m_strNeed + " " + m_pszSoname + ", which has no " + name;
    }
    return symbol;
}

} // namespace quillora
