// The comment extractors of quillora-cli, loaded on first use: the user's extractor
// settings (read, never written) and the plug-ins installed beside the program.
#pragma once

namespace quillora {
class CExtractTextManager;
} // namespace quillora

namespace quillora::cli {

CExtractTextManager& Extractors();

// Lets case reading find the definitions of property sets through the extractors,
// which are loaded only when a case names one (most commands never need them).
void InstallPropertyDefinitions();

} // namespace quillora::cli
