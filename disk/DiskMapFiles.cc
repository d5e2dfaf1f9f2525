#include "disk/DiskMapFiles.h"

#include <iomanip>

#include "device/OutputFile.h"
#include "sim/cModule.h"

void write_band_table(const cModule* writer, const std::string& path, const DiskGeometry& geometry)
{
    OutputStream out = open_output_file(writer, path, true);
    out << field(8) << "BandId";
    for (const char* h : {"CylNum", "Cyl_S", "Cyl_E", "TkSec"})
        out << field(10) << h;
    out << field(12) << "CylSec_S" << field(12) << "CylSec_E" << '\n' << std::string(72, '-') << '\n';
    int id = 0;
    for (const DiskBand& b : geometry.bands())
        out << field(8) << id++ << field(10) << b.cylNum << field(10) << b.cylS << field(10) << b.cylE << field(10)
            << b.tkSec << field(12) << b.cylSecS << field(12) << b.cylSecE << '\n';
    out.finish();
}

namespace {

// The first sector of a track under one of the two numberings.
using TrackStart = uint64_t (DiskGeometry::*)(const DiskBand&, long, int) const;

void write_sector_map(const cModule* writer, const std::string& path, const DiskGeometry& geometry, TrackStart first,
                      const char* missingBand)
{
    OutputStream out = open_output_file(writer, path, true);
    const int heads = geometry.heads();
    out << field(11) << "CYL_ID" << field(12) << "CYL_SEC" << field(12) << "TRK_SEC";
    for (int h = 0; h < heads; ++h)
        out << field(23) << "HEAD[" + std::to_string(h) + "]";
    out << '\n' << std::string(static_cast<size_t>(heads) * 23 + 35, '-') << '\n';
    for (long c = 0; c < geometry.cylinders(); ++c) {
        const DiskBand* band = geometry.band_of_cylinder(c);
        if (!band)
            writer->error("%s", missingBand);
        out << field(11) << c << field(12) << band->tkSec * heads << field(12) << band->tkSec;
        for (int h = 0; h < heads; ++h) {
            const uint64_t s = (geometry.*first)(*band, c, h);
            const uint64_t e = s + static_cast<uint64_t>(band->tkSec) - 1;
            out << field(23) << "[" + std::to_string(s) + "," + std::to_string(e) + "]";
        }
        out << '\n';
    }
    out.finish();
}

} // namespace

void write_physical_sector_map(const cModule* writer, const std::string& path, const DiskGeometry& geometry)
{
    write_sector_map(writer, path, geometry, &DiskGeometry::first_physec_of_track,
                     "---> write_physec_map missing myBand pointer");
}

void write_logical_sector_map(const cModule* writer, const std::string& path, const DiskGeometry& geometry)
{
    write_sector_map(writer, path, geometry, &DiskGeometry::first_logsec_of_track,
                     "---> write_logsec_map missing myBand pointer");
}
