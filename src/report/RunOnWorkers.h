// Running one piece of work on several threads at once, the calling thread among them.
#pragma once

#include <cstddef>
#include <functional>

namespace quillora {

// Calls work(worker) once for each worker number below `threads` (at least one), the
// first on the calling thread, the rest on threads of their own; returns when all are
// done. The work shares out what there is to do itself, typically by a shared counter.
void RunOnWorkers(std::size_t threads, const std::function<void(std::size_t worker)>& work);

} // namespace quillora
