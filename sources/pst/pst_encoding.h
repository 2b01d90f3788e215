#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mirelo {

// The two byte substitutions a personal folder file may apply to its data blocks, the
// checksum of its header, pages and blocks, and the signature that ties a page or block
// to its place. Writers of such files (the tests' own) use them too.
enum class PstEncoding { None = 0, Permute = 1, Cyclic = 2 };

void PermuteDecode(std::string& data);
// stored decoded into to, which holds as many bytes.
void PermuteDecode(std::string_view stored, char* to);
void PermuteEncode(std::string& data);
// Keyed by the low 32 bits of the block id; the same steps encode and decode.
void CyclicCode(std::string& data, std::uint32_t key);

std::uint32_t PstCrc(std::string_view data);
std::uint16_t PstSignature(std::uint64_t offset, std::uint64_t id);

}  // namespace mirelo
