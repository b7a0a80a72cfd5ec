#pragma once
// The build id of an ELF image mapped into this process, read through the kernel so that a
// mapping that cannot be read (a file truncated under it) gives no id instead of a signal.
// Async-signal-safe.

#include <cstddef>
#include <cstdint>

namespace MovraPlatform {

constexpr size_t kMaxBuildIdSize = 64;

// `imageStart`: where the file's first byte (its ELF header) is mapped. Returns the id's size
// (0 when the image has none or cannot be read).
size_t readMappedBuildId(uint64_t imageStart, uint8_t* out, size_t capacity);

} // namespace MovraPlatform
