#pragma once
// Memory about to be written whole, faulted in ahead in one call.

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tolvane {

// Asks the system to back the whole pages of [data, data + size) now, where the first write to
// each would otherwise stop for a fault of its own: for buffers of some hundred MB filled once
// (decoded samples) the faults, dearer still on a virtual machine, cost about as much as the
// decoding. Only a hint: where the system cannot, the pages come as they are written.
inline void PrefaultForWriting(void* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  constexpr std::uintptr_t kPage = 4096;
  const auto start = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace tolvane
