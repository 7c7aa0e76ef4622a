#pragma once
// What the passes over whole matrices share: how many threads a pass takes, and the fence
// after streaming stores.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/core/Parallel.h"

//! Threads for a pass over `n` items: small passes stay on the calling thread (1), larger
//! ones take `threads` (0: every core).
unsigned ThreadsFor(std::int64_t n, unsigned threads);

//! Runs body(first row, end row) over bands of `bandRows` of the rows 0..rows − 1 on
//! ThreadsFor(points, threads) threads, the bands taken from the top down (or, `upward`,
//! from the last up).
template <typename Body>
void ForBandsOfRows(int rows, int bandRows, std::int64_t points, unsigned threads, const Body& body,
                    bool upward = false)
{
    const int bands = (rows + bandRows - 1) / bandRows;
    platform::ParallelBands(
        std::size_t(bands),
        [&](std::size_t b) {
            const int first = (upward ? bands - 1 - int(b) : int(b)) * bandRows;
            body(first, std::min(rows, first + bandRows));
        },
        ThreadsFor(points, threads));
}

//! Orders the streaming stores of this thread before what it does next, so that the
//! thread that waits for it sees them (at the end of every piece of work that streams).
void StreamFence();
