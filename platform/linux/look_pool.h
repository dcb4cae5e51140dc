// A few threads that share out independent looks at a drive (one fstatat
// each): a FUSE daemon serves its requests one after another, and when the
// next one is always waiting it never sleeps between them.
#pragma once

#include <cstddef>
#include <functional>

namespace platform::detail {

// Runs look(i) once for every i below count, on the calling thread and the
// pool's, and returns when all have run. Several threads may call it at
// once. look must not throw.
void runLooks(std::size_t count, const std::function<void(std::size_t)>& look);

}  // namespace platform::detail
