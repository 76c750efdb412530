// Threads started per call: the report's passes run a few times per report, each for
// long enough that a pool kept between them would save nothing measurable.
#include "report/RunOnWorkers.h"

#include <thread>
#include <vector>

namespace quillora {

void RunOnWorkers(std::size_t threads, const std::function<void(std::size_t worker)>& work) {
    std::vector<std::jthread> pool;
    for (std::size_t worker = 1; worker < threads; ++worker) {
        pool.emplace_back(work, worker);
    }
    work(0);
}

} // namespace quillora
