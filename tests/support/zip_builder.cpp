#include "support/zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace ld::test {

namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string Deflate(const std::string& data) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int done = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (done != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
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
    const std::string& data = streams[static_cast<std::size_t>(entry.stream)].data;
    const std::string packed = Deflate(data);
    w = {static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()))),
         static_cast<std::uint32_t>(out.size()), static_cast<std::uint32_t>(packed.size()),
         static_cast<std::uint32_t>(data.size()), true};
    Put(out, 0x04034b50, 4);
    Put(out, 20, 2), Put(out, 0, 2), Put(out, 8, 2), Put(out, 0, 2), Put(out, 0x21, 2);
    Put(out, w.crc, 4), Put(out, w.packed, 4), Put(out, w.size, 4);
    Put(out, entry.name.size(), 2), Put(out, 0, 2);
    out += entry.name;
    out += packed;
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

}  // namespace ld::test
