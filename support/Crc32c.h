#pragma once
#include <cstddef>
#include <cstdint>

// CRC-32C (the Castagnoli polynomial, as iSCSI and ext4 use it) of `size`
// bytes, continuing from `crc` (0 for a first piece). The processor's CRC
// instruction where it has one, a bitwise loop elsewhere. Any thread.
uint32_t Crc32c(const void* data, std::size_t size, uint32_t crc = 0);
