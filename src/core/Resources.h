// String resources: every user-visible text the program loads by number, with its
// exact Japanese text, in UTF-8.
#pragma once

#include <string>

namespace quillora {

// The text of resource `id`; an empty text for an id the table does not hold.
const char* Res(int id);

// Whether the table holds `id`.
bool HasRes(int id);

// Res(id) with printf-style arguments (the resources use %s, %d and %%).
std::string ResFormat(int id, ...);

} // namespace quillora
