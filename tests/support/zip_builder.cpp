#include "support/zip_builder.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace ld::test {

namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The stream's bytes deflated, with their CRC and size, fed to zlib a megabyte at a time.
struct Packed {
  std::string bytes;
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
};

Packed Deflate(const ZipStream& stream) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
  Packed packed;
  std::string out(1 << 20, '\0');
  const auto feed = [&](const std::string& piece, int flush) {
    packed.crc = static_cast<std::uint32_t>(crc32(packed.crc, reinterpret_cast<const Bytef*>(piece.data()),
                                                  static_cast<uInt>(piece.size())));
    packed.size += piece.size();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    z.avail_in = static_cast<uInt>(piece.size());
    int done = Z_OK;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(out.size());
      done = deflate(&z, flush);
      if (done == Z_STREAM_ERROR) throw std::runtime_error("deflate");
      packed.bytes.append(out.data(), out.size() - z.avail_out);
    } while (z.avail_out == 0 || (flush == Z_FINISH && done != Z_STREAM_END));
  };
  // the data fed in pieces of at most a megabyte, each run whole texts over as far as they fit one
  const std::size_t kPiece = 1 << 20;
  for (std::size_t at = 0; at < stream.data.size(); at += kPiece) feed(stream.data.substr(at, kPiece), Z_NO_FLUSH);
  for (const auto& [text, times] : stream.runs) {
    if (text.empty()) continue;
    const std::uint64_t perPiece = std::max<std::uint64_t>(1, kPiece / text.size());
    std::string piece;
    for (std::uint64_t i = 0; i < std::min(perPiece, times); ++i) piece += text;
    for (std::uint64_t left = times; left > 0;) {
      const std::uint64_t now = std::min(left, perPiece);
      if (now * text.size() < piece.size()) piece.resize(now * text.size());
      feed(piece, Z_NO_FLUSH);
      left -= now;
    }
  }
  feed({}, Z_FINISH);
  deflateEnd(&z);
  return packed;
}

}  // namespace

std::string BuildZip(const std::vector<ZipStream>& streams, const std::vector<ZipEntry>& entries) {
  struct Written {
    std::uint32_t crc = 0, offset = 0, packed = 0, size = 0;
    bool done = false;
  };
  std::vector<Written> written(streams.size());
  std::string out;
  for (const ZipEntry& entry : entries) {
    Written& w = written.at(static_cast<std::size_t>(entry.stream));
    if (w.done) continue;
    const ZipStream& stream = streams[static_cast<std::size_t>(entry.stream)];
    const Packed packed = Deflate(stream);
    w = {packed.crc, static_cast<std::uint32_t>(out.size()), static_cast<std::uint32_t>(packed.bytes.size()),
         stream.declared != kTrueSize ? stream.declared : static_cast<std::uint32_t>(packed.size), true};
    Put(out, 0x04034b50, 4);
    Put(out, 20, 2), Put(out, 0, 2), Put(out, 8, 2), Put(out, 0, 2), Put(out, 0x21, 2);
    Put(out, w.crc, 4), Put(out, w.packed, 4), Put(out, w.size, 4);
    Put(out, entry.name.size(), 2), Put(out, 0, 2);
    out += entry.name;
    out += packed.bytes;
  }
  const std::size_t directory = out.size();
  for (const ZipEntry& entry : entries) {
    const Written& w = written[static_cast<std::size_t>(entry.stream)];
    Put(out, 0x02014b50, 4);
    Put(out, 20, 2), Put(out, 20, 2), Put(out, 0, 2), Put(out, 8, 2), Put(out, 0, 2), Put(out, 0x21, 2);
    Put(out, w.crc, 4), Put(out, w.packed, 4), Put(out, w.size, 4);
    Put(out, entry.name.size(), 2), Put(out, 0, 2), Put(out, 0, 2), Put(out, 0, 2), Put(out, 0, 2), Put(out, 0, 4);
    Put(out, w.offset, 4);
    out += entry.name;
  }
  const std::size_t directorySize = out.size() - directory;
  Put(out, 0x06054b50, 4);
  Put(out, 0, 2), Put(out, 0, 2), Put(out, entries.size(), 2), Put(out, entries.size(), 2);
  Put(out, directorySize, 4), Put(out, directory, 4), Put(out, 0, 2);
  return out;
}

std::string BuildZip(const std::vector<std::pair<std::string, std::string>>& parts) {
  std::vector<ZipStream> streams;
  std::vector<ZipEntry> entries;
  for (const auto& [name, data] : parts) {
    entries.push_back({name, static_cast<int>(streams.size())});
    streams.push_back({data});
  }
  return BuildZip(streams, entries);
}

std::vector<std::pair<std::string, std::string>> OneSheetWorkbookParts(OneSheetBook book) {
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string relationships = "http://schemas.openxmlformats.org/package/2006/relationships";
  std::string bookRels = "<Relationships xmlns=\"" + relationships + "\">" +
                         "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
  if (!book.sharedStrings.empty())
    bookRels += "<Relationship Id=\"rId2\" Type=\"" + rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
  if (!book.styles.empty()) bookRels += "<Relationship Id=\"rId3\" Type=\"" + rel + "/styles\" Target=\"styles.xml\"/>";
  bookRels += "</Relationships>";
  std::vector<std::pair<std::string, std::string>> parts = {
      {"[Content_Types].xml",
       R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
       R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
       R"(<Default Extension="xml" ContentType="application/xml"/><Default Extension="bin" ContentType="application/octet-stream"/></Types>)"},
      {"_rels/.rels", "<Relationships xmlns=\"" + relationships + "\"><Relationship Id=\"rId1\" Type=\"" + rel +
                          "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r=")" + rel +
                              "\"><sheets><sheet name=\"" + book.sheetName + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", bookRels}};
  if (!book.styles.empty()) parts.emplace_back("xl/styles.xml", std::move(book.styles));
  parts.emplace_back("xl/worksheets/sheet1.xml", std::move(book.sheet));
  if (!book.sharedStrings.empty()) parts.emplace_back("xl/sharedStrings.xml", std::move(book.sharedStrings));
  return parts;
}

}  // namespace ld::test
