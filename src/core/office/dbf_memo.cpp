#include "core/office/dbf_memo.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <sys/types.h>

namespace ld::office {

namespace {

constexpr std::uint64_t kHeader = 512;    // both layouts begin with a header of 512 bytes
constexpr std::uint64_t kDbtBlock = 512;  // a dBase III file's block
constexpr char kEndOfText = 0x1A;

std::uint32_t BigEndian32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24u | static_cast<std::uint32_t>(p[1]) << 16u |
         static_cast<std::uint32_t>(p[2]) << 8u | p[3];
}

}  // namespace

TDbfMemoFile::TDbfMemoFile(const std::string& tablePath, bool foxPro) : foxPro_(foxPro) {
  const std::filesystem::path table(tablePath);
  const std::string ext = table.extension().string();
  stem_ = ext.empty() ? tablePath : tablePath.substr(0, tablePath.size() - ext.size());
  // the name a person is told when there is none: the table's own letter case
  const bool upper = ext.size() > 1 && ext[1] >= 'A' && ext[1] <= 'Z';
  path_ = stem_ + (foxPro ? (upper ? ".FPT" : ".fpt") : (upper ? ".DBT" : ".dbt"));
}

TDbfMemoFile::~TDbfMemoFile() = default;

std::string TDbfMemoFile::Damaged(const std::string& why) const {
  return "файл заметок \"" + path_ + "\" поврежден: " + why;
}

bool TDbfMemoFile::OpenFile(std::string& fault) {
  if (tried_) {
    fault = openFault_;
    return openFault_.empty();
  }
  tried_ = true;
  const char* own[] = {".fpt", ".FPT", ".dbt", ".DBT"};
  const char* other[] = {".dbt", ".DBT", ".fpt", ".FPT"};
  for (const char* ext : foxPro_ ? own : other) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(stem_ + ext, ec)) continue;
    path_ = stem_ + ext;
    fpt_ = ext[1] == 'f' || ext[1] == 'F';
    break;
  }
  std::error_code ec;
  size_ = std::filesystem::file_size(path_, ec);
  if (!ec) file_.reset(std::fopen(path_.c_str(), "rb"));
  if (ec || !file_) {
    openFault_ = "файл заметок \"" + path_ + "\" не найден или недоступен (тексты поля хранятся в нем)";
  } else if (size_ < kHeader) {
    openFault_ = Damaged("он короче своего заголовка (" + std::to_string(size_) + " байт)");
  } else if (fpt_) {
    std::string head;
    if (!ReadAt(0, 8, head)) {
      openFault_ = "файл заметок \"" + path_ + "\" не читается";
    } else {
      blockSize_ = static_cast<unsigned char>(head[6]) << 8u | static_cast<unsigned char>(head[7]);
      if (blockSize_ == 0) openFault_ = Damaged("размер блока в заголовке 0");
    }
  }
  fault = openFault_;
  return openFault_.empty();
}

bool TDbfMemoFile::ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) {
  bytes.resize(count);
  if (offset > size_ || count > size_ - offset) return false;
  if (fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  return std::fread(bytes.data(), 1, count, file_.get()) == count;
}

bool TDbfMemoFile::Read(std::uint64_t block, std::string& text, std::string& fault) {
  text.clear();
  if (block == 0) return true;  // no text: block 0 is the header
  if (!OpenFile(fault)) return false;
  return fpt_ ? ReadFpt(block, text, fault) : ReadDbt(block, text, fault);
}

bool TDbfMemoFile::ReadDbt(std::uint64_t block, std::string& text, std::string& fault) {
  // the number is bounded by the file before it is multiplied: a wider field's 2^55 + 1 would wrap to
  // block 1 and give another record's text
  if (block >= (size_ + kDbtBlock - 1) / kDbtBlock) {
    fault = Damaged("блок " + std::to_string(block) + " за концом файла (" + std::to_string(size_) + " байт)");
    return false;
  }
  const std::uint64_t start = block * kDbtBlock;
  // The text runs to its end mark, read a block at a time and never past the file's end. Every byte
  // looked at counts, the end mark too, also for a text refused: a file of one long text without its
  // mark, named by every record, is looked through once, not once a record.
  std::string piece;
  for (std::uint64_t at = start; at < size_; at += kDbtBlock) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kDbtBlock, size_ - at));
    if (!ReadAt(at, count, piece)) {
      fault = "файл заметок \"" + path_ + "\" не читается";
      return false;
    }
    const std::size_t end = piece.find(kEndOfText);
    text.append(piece, 0, end);
    spent_ += end == std::string::npos ? count : end + 1;
    if (spent_ > size_) {
      fault = Damaged("записи ссылаются на одни и те же блоки (тексты заметок длиннее файла)");
      return false;
    }
    if (end == std::string::npos) continue;
    // dBase IV heads its texts with FF FF 08 00 and their length; its texts are read by no layout here
    if (text.size() >= 4 && text.compare(0, 4, "\xFF\xFF\x08\x00", 4) == 0) {
      fault = "файл заметок \"" + path_ + "\" записан в формате dBase IV, который не читается: сохраните базу "
              "в формате dBase III или FoxPro";
      return false;
    }
    return true;
  }
  fault = Damaged("текст блока " + std::to_string(block) + " не закончен до конца файла");
  return false;
}

bool TDbfMemoFile::ReadFpt(std::uint64_t block, std::string& text, std::string& fault) {
  const std::string where = "блок " + std::to_string(block);
  if (block > size_ / blockSize_) {
    fault = Damaged(where + " за концом файла (" + std::to_string(size_) + " байт)");
    return false;
  }
  const std::uint64_t start = block * blockSize_;
  if (start < kHeader) {
    fault = Damaged(where + " лежит в заголовке файла");
    return false;
  }
  std::string head;
  if (!ReadAt(start, 8, head)) {
    fault = Damaged(where + " за концом файла (" + std::to_string(size_) + " байт)");
    return false;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(head.data());
  const std::uint32_t kind = BigEndian32(p), length = BigEndian32(p + 4);
  // a block's head counts as its text does: in a sound file no two records share one
  spent_ += 8;
  if (kind != 1) {
    fault = Damaged("в блоке " + std::to_string(block) + " не текст (вид блока " + std::to_string(kind) + ")");
    return false;
  }
  if (length > size_ - start - 8) {
    fault = Damaged("текст блока " + std::to_string(block) + " длиной " + std::to_string(length) +
                    " байт выходит за конец файла (" + std::to_string(size_) + " байт)");
    return false;
  }
  if (spent_ > size_ || length > size_ - spent_) {
    fault = Damaged("записи ссылаются на одни и те же блоки (тексты заметок длиннее файла)");
    return false;
  }
  if (!ReadAt(start + 8, length, text)) {
    fault = "файл заметок \"" + path_ + "\" не читается";
    return false;
  }
  spent_ += length;
  return true;
}

}  // namespace ld::office
