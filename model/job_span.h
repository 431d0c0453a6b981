// The non-owning run of elements that skinning and blending jobs take as inputs and outputs: where
// it starts and how many elements it holds. Unlike std::span it may hold a null start with a
// nonzero size, so that a job's Validate() refuses such a run instead of its construction being
// undefined.
#pragma once

#include <cstddef>
#include <cstdint>

template <typename T>
struct JobSpan {
  T* data = nullptr;
  size_t size = 0;
};

// Whether a run names its elements: it is empty, or it starts somewhere.
template <typename T>
bool Addressable(JobSpan<T> span) {
  return span.size == 0 || span.data;
}

// Whether the bytes of two runs share an address (an empty run shares none). Compared as
// integers: comparing pointers into different arrays with < is unspecified.
template <typename A, typename B>
bool Overlap(JobSpan<A> a, JobSpan<B> b) {
  const auto aBegin = reinterpret_cast<uintptr_t>(a.data), bBegin = reinterpret_cast<uintptr_t>(b.data);
  const uintptr_t aEnd = aBegin + a.size * sizeof(A), bEnd = bBegin + b.size * sizeof(B);
  return a.size > 0 && b.size > 0 && aBegin < bEnd && bBegin < aEnd;
}
