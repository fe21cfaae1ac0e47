#pragma once
// The converter of CDU card files and the district base belong to the district subsystem; the regime
// window reaches them through these replaceable functions (tests install their own).
#include <functional>
#include <string>

#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld::gui {

// Reads the card file into the two empty tables (the node and branch layouts, columns created by the
// caller with no rows), sets their row counts and says what it took for the import path: the node cards,
// or why none. Failures come as ld::Error.
using TCardImport =
    std::function<TImportTaken(const std::string& fileName, TDataFile& nodes, TDataFile& branches)>;
// Writes the scheme of the base path as a card file.
using TCardExport = std::function<void(const std::string& basePath, const std::string& fileName)>;

// The installed converter, at first the district subsystem's card reader and writer; with none
// installed, both refuse with a message that the converter is missing.
TImportTaken ImportCardScheme(const std::string& fileName, TDataFile& nodes, TDataFile& branches);
void ExportCardScheme(const std::string& basePath, const std::string& fileName);

// The district base's current file stem (folder and name), empty when no base is open; the scheme file
// dialogs start in its folder. The district window installs the source.
using TBaseFileName = std::function<std::string()>;
std::string DistrictBaseFileName();
TBaseFileName SetBaseFileNameSource(TBaseFileName source);

// Install a converter and return the one installed before.
TCardImport SetCardImport(TCardImport import);
TCardExport SetCardExport(TCardExport exporter);

}  // namespace ld::gui
