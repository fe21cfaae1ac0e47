#pragma once
// Settings files in the Windows INI syntax: "[Section]" lines, "Key=Value" lines, ";" comments.
// The file is Windows-1251 on disk and UTF-8 in memory. Section and key names compare without regard
// to letter case; the first of two equal sections or keys is the one read and written. Rewriting keeps
// every line it did not change (comments, order of sections and keys) and appends new keys at the end
// of their section, new sections at the end of the file.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"

namespace ld {

// A settings file that cannot be read or written: what() names the file, Reason() says only why.
using TIniFileError = TFileError;

// The file is read once when the object is made (a missing file reads as empty; a file that cannot be
// read raises ld::Error 'Ошибка чтения файла "<file>": <reason>'). Lines end in CR LF, LF or CR. TMemIniFile keeps
// changes in memory until UpdateFile; TIniFile writes the file at every change, so that two objects
// on one file (the settings record and a window's own section) never undo each other's keys.
class TMemIniFile {
public:
  explicit TMemIniFile(std::string fileName);
  // The settings of the file's bytes as the caller read them, so that what it writes back is judged by
  // that very read.
  TMemIniFile(std::string fileName, std::string_view bytes);
  virtual ~TMemIniFile();
  TMemIniFile(const TMemIniFile&) = delete;
  TMemIniFile& operator=(const TMemIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  // The value with surrounding blanks removed; the default when the key is missing.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // A decimal integer (optional sign); a missing or non-numeric value gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // An integer: 0 is False, any other number True; a missing or non-numeric value gives the default.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  // A float with "." or "," as separator; a missing or non-numeric value gives the default.
  double ReadFloat(const std::string& section, const std::string& key, double def) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // General format, shortest text that reads back to the same double.
  void WriteFloat(const std::string& section, const std::string& key, double value);
  // The same for a 32-bit float: 0.1f is written "0.1", not with the digits of its binary value.
  void WriteSingle(const std::string& section, const std::string& key, float value);

  // Key names of a section in file order.
  std::vector<std::string> ReadSection(const std::string& section) const;
  // Every line of a section in file order ("Key=Value", or the text of a line without "="),
  // comments and empty lines left out.
  std::vector<std::string> ReadSectionValues(const std::string& section) const;
  // Section names in file order.
  std::vector<std::string> ReadSections() const;

  // Removes every section of that name with all its lines.
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& key);

  // Writes the file when something changed since it was read or written: into a temporary file beside
  // it, which then replaces it, so that a failed write keeps the old file unchanged. Raises ld::Error
  // 'Ошибка записи файла "<file>": <reason>; прежний файл не изменен'.
  void UpdateFile();
  // The bytes UpdateFile writes: the file as it stands in memory, for a writer that puts it in place with
  // other files of its set.
  std::string FileBytes() const;

protected:
  virtual void Changed() { dirty_ = true; }

private:
  struct Line;
  struct Section;
  Section* FindSection(const std::string& name);
  const Section* FindSection(const std::string& name) const;
  const Line* FindKey(const std::string& section, const std::string& key) const;
  void Load();
  void Parse(std::string_view bytes);

  std::string fileName_;
  std::vector<std::unique_ptr<Section>> sections_;  // [0]: the lines before the first section
  bool dirty_ = false;
};

class TIniFile : public TMemIniFile {
public:
  using TMemIniFile::TMemIniFile;

protected:
  void Changed() override;
};

// How the bytes of a settings file reach its temporary file (the writer of every file, see
// SetFileBytesWriter). Returns the one installed before.
using TIniFileWriter = TFileBytesWriter;
TIniFileWriter SetIniFileWriter(TIniFileWriter writer);

// Floats and moments in settings files.
// Empty or missing: the default; otherwise StrToFloatZ of the value (raises on a non-number).
double IniReadFloat(const TMemIniFile& ini, const std::string& section, const std::string& key, double def);
// "dd.mm.yyyy", "dd.mm.yyyy hh:nn:ss"; empty or missing: the default; a value without a date separator:
// the current moment; a part that is not a number or an impossible date or time raises ld::Error.
TDateTime IniReadDateTime(const TMemIniFile& ini, const std::string& section, const std::string& key,
                          TDateTime def);
void IniWriteDateTime(TMemIniFile& ini, const std::string& section, const std::string& key, TDateTime value);

}  // namespace ld
