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
  constexpr std::size_t kPage = 4096;
  const std::size_t skip = (kPage - reinterpret_cast<std::uintptr_t>(data) % kPage) % kPage;
  if (size <= skip) return;
  const std::size_t length = (size - skip) / kPage * kPage;
  if (length > 0) ::madvise(static_cast<std::byte*>(data) + skip, length, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace tolvane
