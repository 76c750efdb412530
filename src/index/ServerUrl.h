// The address of an index server as the user writes it (a postgresql:// URL or libpq's
// keywords), and the forms of it that may be shown or saved: a password is never shown
// and never saved.
#pragma once

#include <string>

namespace quillora {

// Whether `text` names an index server rather than a folder: a postgresql:// or
// postgres:// URL, or libpq's "keyword=value" form (which no absolute or relative
// folder path starting with "/", "." or "~" is taken for).
bool IsServerAddress(const std::string& text);

// `conninfo` with its password replaced by "***", for messages, lists and logs. An
// empty text (libpq's defaults) shows as "postgresql://".
std::string ShownServer(const std::string& conninfo);

// `conninfo` without its password, for the settings file; the password then comes
// from ~/.pgpass or PGPASSWORD as libpq finds them.
std::string WithoutPassword(const std::string& conninfo);

// Whether `conninfo` holds a password.
bool HasPassword(const std::string& conninfo);

} // namespace quillora
