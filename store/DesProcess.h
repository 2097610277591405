// The account file's block cipher: the tables of the Data Encryption Standard
// with three differences in bit handling that files written by this system
// depend on (bits are taken least significant first within bytes, S-box outputs
// are written least significant bit first, and the halves are not exchanged
// before the final permutation). Electronic codebook, block by block.
#pragma once

#include <cstddef>

enum DesDirection : int { DES_ENCRYPT = 0, DES_DECRYPT = 1 };

// Enciphers or deciphers `length` bytes of `in` into `out` (which may be `in`).
// The buffer is handled as (length + 7) / 8 whole blocks: when length is not a
// multiple of 8 both buffers must reach to the next multiple of 8.
// Key: the first min(keyLength, 16) bytes, zero-filled to 16. keyLength <= 8
// selects single mode with bytes 0-7; above 8, two-key triple mode (K1 = bytes
// 0-7, K2 = bytes 8-15; encipher = E(K1) D(K2) E(K1)). The top bit of each key
// byte plays no part. The key is set up afresh on every call.
// Returns false, touching nothing, when a pointer is null or length is 0.
[[nodiscard]] bool DesProcess(void* out, const void* in, std::size_t length, const void* key, std::size_t keyLength,
                              DesDirection direction) noexcept;
