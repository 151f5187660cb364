#pragma once

#include <cstddef>
#include <functional>

// Runs work(0) ... work(count - 1), on a second thread as well when the
// machine has more than one processor: the pieces of a large reflect (its
// master files, its dictionaries) are independent of each other. Each piece
// must touch only what is its own. When pieces throw, the exception of the
// first of them, in index order, is thrown once all have ended.
void inParallel(std::size_t count, const std::function<void(std::size_t)>& work);
