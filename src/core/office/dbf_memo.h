#pragma once
// The memo file of a dBase table: the texts of its memo fields (type M), which the records name by block
// number. Two layouts are read. A dBase III file (.dbt) is blocks of 512 bytes after a header block; a
// text starts at its block and ends at the byte 0x1A (its writers put two). A FoxPro file (.fpt, Visual
// FoxPro and the Harbour-style tables too) gives its block size, big-endian, at byte 6 of its 512-byte
// header; a text's block starts with its kind (1: text) and its length, each four bytes big-endian.
//
// Every read is bounded by the file's size whatever a block declares, and the texts of one walk over the
// records together never take more bytes than the file holds: in a sound file no two records share a
// block, so a file whose records name its one long text a million times is refused, not read a million
// times.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace ld::office {

class TDbfMemoFile {
public:
  // The memo file beside the table (its name with ".fpt" or ".dbt" in either letter case), FoxPro's
  // first where the table's header is of the FoxPro family. Nothing is opened before the first Read.
  TDbfMemoFile(const std::string& tablePath, bool foxPro);
  ~TDbfMemoFile();
  TDbfMemoFile(const TDbfMemoFile&) = delete;
  TDbfMemoFile& operator=(const TDbfMemoFile&) = delete;

  // The bytes of the text in block `block` (0: no text), in the table's code page. False with `fault`
  // (Russian, naming the memo file) for a missing or damaged file, a block outside it, or a walk whose
  // texts would take more than the file holds.
  bool Read(std::uint64_t block, std::string& text, std::string& fault);
  // A new walk over the records: its texts are counted from nothing.
  void Restart() { spent_ = 0; }

private:
  bool OpenFile(std::string& fault);
  bool ReadDbt(std::uint64_t block, std::string& text, std::string& fault);
  bool ReadFpt(std::uint64_t block, std::string& text, std::string& fault);
  bool ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes);
  std::string Damaged(const std::string& why) const;

  std::string stem_;
  bool foxPro_;
  bool tried_ = false;
  std::string openFault_;  // why the file cannot be read, once tried
  std::string path_;       // the file found (else the one looked for first)
  bool fpt_ = false;       // the file found is a FoxPro one
  struct TClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, TClose> file_;
  std::uint64_t size_ = 0;
  std::uint64_t blockSize_ = 512;
  std::uint64_t spent_ = 0;  // the bytes of texts read in this walk
};

}  // namespace ld::office
