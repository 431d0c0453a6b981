// How the process's allocator treats memory that is freed. By default glibc gives blocks of
// 128 KiB and more their own mapping, and returns the top of the heap to the system once more
// than 128 KiB of it is free; llvmpipe allocates and frees its vertex and binning memory every
// frame, and a loader frees and allocates its tables on every load, so each of those pages was
// mapped again and faulted in on first touch (about 10 µs a page). The program sets the policy
// below first thing, before any graphics context or thread exists, and the benchmarks do the
// same, so that their figures measure the program's allocator.
#pragma once

// Serves every block from the heap (no block gets its own mapping) and never returns freed heap
// memory to the system: once a frame has run, the next one finds its pages mapped. The process
// keeps its largest footprint until it exits. False when the allocator did not take the settings:
// where it is not glibc's, and under the sanitizers, whose allocator replaces glibc's.
bool KeepFreedMemoryMapped();

// Touches every page of the heap's free top and grows it to at least the heap's memory in use
// (16 MiB at the least), so that later frames, which need more than the first one while the
// rasterizer's threads still hold earlier frames, take pages already mapped instead of growing
// the heap. Called once, after the first frame. Does nothing unless KeepFreedMemoryMapped took.
void ReserveHeapHeadroom();
