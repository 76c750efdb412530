// String resources: every user-visible text the program loads by number, with its
// exact Japanese text, in UTF-8.
#pragma once

#include <string>
#include <vector>

namespace quillora {

// The text of resource `id`; an empty text for an id the table does not hold.
const char* Res(int id);

// Whether the table holds `id`.
bool HasRes(int id);

// Every id the table holds, in ascending order.
std::vector<int> ResIds();

// Res(id) with printf-style arguments (the resources use %s, %d and %%). Not for
// 139 and 336, which are strftime patterns; read those with Res.
std::string ResFormat(int id, ...);

} // namespace quillora
