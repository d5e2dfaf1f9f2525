#include "disk/DiskMapFiles.h"

#include <iomanip>

#include "device/OutputFile.h"
#include "sim/cModule.h"

void write_band_table(const cModule* writer, const std::string& path, const DiskGeometry& geometry)
{
    OutputStream out = open_output_file(writer, path, true);
    out << std::setw(8) << "BandId";
    for (const char* h : {"CylNum", "Cyl_S", "Cyl_E", "TkSec"})
        out << std::setw(10) << h;
    out << std::setw(12) << "CylSec_S" << std::setw(12) << "CylSec_E" << '\n' << std::string(72, '-') << '\n';
    int id = 0;
    for (const DiskBand& b : geometry.bands())
        out << std::setw(8) << id++ << std::setw(10) << b.cylNum << std::setw(10) << b.cylS << std::setw(10) << b.cylE
            << std::setw(10) << b.tkSec << std::setw(12) << b.cylSecS << std::setw(12) << b.cylSecE << '\n';
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
    out << std::setw(11) << "CYL_ID" << std::setw(12) << "CYL_SEC" << std::setw(12) << "TRK_SEC";
    for (int h = 0; h < heads; ++h)
        out << std::setw(23) << "HEAD[" + std::to_string(h) + "]";
    out << '\n' << std::string(static_cast<size_t>(heads) * 23 + 35, '-') << '\n';
    for (long c = 0; c < geometry.cylinders(); ++c) {
        const DiskBand* band = geometry.band_of_cylinder(c);
        if (!band)
            writer->error("%s", missingBand);
        out << std::setw(11) << c << std::setw(12) << band->tkSec * heads << std::setw(12) << band->tkSec;
        for (int h = 0; h < heads; ++h) {
            const uint64_t s = (geometry.*first)(*band, c, h);
            const uint64_t e = s + static_cast<uint64_t>(band->tkSec) - 1;
            out << std::setw(23) << "[" + std::to_string(s) + "," + std::to_string(e) + "]";
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
