#pragma once
// The hash behind a file's stamp, kept apart from the stamp itself so that the buffered reader and writer
// of the file layer take it as the bytes pass without reaching up to the stamps that use the file layer.
#include <cstddef>
#include <cstdint>
#include <map>

namespace ld {

// The hash of a file's bytes, taken piece by piece as they pass between the disk and the program, in
// whatever order a reader or writer handles them: each eight-byte word of the file counts by its bytes
// and its place alone, and the words are summed. So a read hashes the bytes it reads anyway, and a write
// those it writes, and neither reads a file again for its stamp. Two files of one size that differ in
// one word (any one byte, say) never share it.
class TBytesHash {
public:
  // The n bytes at pos of the file; each place of the file is added once.
  void Add(std::int64_t pos, const void* data, std::size_t n);
  // The hash of a file of `size` bytes, every one of them added.
  std::uint64_t Of(std::int64_t size) const;

private:
  // A word of which only some bytes came so far (a piece began or ended inside it).
  struct TPart {
    std::uint64_t word = 0;
    unsigned mask = 0;  // the bytes that came, a bit each
  };
  void AddPart(std::uint64_t index, std::size_t offset, const unsigned char* bytes, std::size_t n);

  std::uint64_t sum_ = 0;
  std::map<std::uint64_t, TPart> parts_;
};

// The hash of a file holding exactly these bytes.
std::uint64_t HashOfBytes(const void* data, std::size_t n);

}  // namespace ld
