// The process-wide set of archiver adapters, one per family, loaded at start-up and
// unloaded at exit in a fixed order.
#pragma once

#include "scan/ArjArchiver.h"
#include "scan/CabArchiver.h"
#include "scan/GcaArchiver.h"
#include "scan/IshArchiver.h"
#include "scan/LhaArchiver.h"
#include "scan/RarArchiver.h"
#include "scan/TarArchiver.h"
#include "scan/ZipArchiver.h"

#include <string_view>

namespace quillora {

class CArchiverSet {
public:
    CArchiverSet() = default;
    CArchiverSet(const CArchiverSet&) = delete;
    CArchiverSet& operator=(const CArchiverSet&) = delete;

    // Logs "Load archiver", then loads LHA, CAB, TAR, ZIP, RAR, ARJ, ISH, GCA in this
    // order with their default names.
    void LoadAll();
    // Logs "CTobUtil::UnloadArc()", then unloads them in the same order; the ZIP
    // selector unloads its chosen reader and forgets the choice.
    void UnloadAll();

    CLhaArchiver& Lha() { return m_lha; }
    CZipArchiver& Zip() { return m_zip; }
    CTarArchiver& Tar() { return m_tar; }
    CCabArchiver& Cab() { return m_cab; }
    CArjArchiver& Arj() { return m_arj; }
    CRarArchiver& Rar() { return m_rar; }
    CIshArchiver& Ish() { return m_ish; }
    CGcaArchiver& Gca() { return m_gca; }

    // The adapter that stands for an extension name ("LZH", "tgz", ...; case does not
    // matter, a leading dot is ignored), or null. "ZIP" gives the selector.
    CArchiver* ForExtension(std::string_view extension);

private:
    CLhaArchiver m_lha;
    CZipArchiver m_zip;
    CTarArchiver m_tar;
    CCabArchiver m_cab;
    CArjArchiver m_arj;
    CRarArchiver m_rar;
    CIshArchiver m_ish;
    CGcaArchiver m_gca;
};

} // namespace quillora
