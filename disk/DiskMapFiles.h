#pragma once

#include <string>

#include "disk/DiskGeometry.h"

class cModule;

// The files that describe a disk model's layout, each written afresh at the
// path given: the band table (".DiskBand"), and where each track's sectors
// lie physically (".PhySecMap") and logically (".LogSecMap_0" or "_1" by the
// model's mapping). `writer` names the module that stops the run when a file
// cannot be opened.
void write_band_table(const cModule* writer, const std::string& path, const DiskGeometry& geometry);
void write_physical_sector_map(const cModule* writer, const std::string& path, const DiskGeometry& geometry);
void write_logical_sector_map(const cModule* writer, const std::string& path, const DiskGeometry& geometry);
