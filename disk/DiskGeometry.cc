#include "disk/DiskGeometry.h"

#include <cmath>

#include "sim/cException.h"
#include "sim/cModule.h"

DiskGeometry::DiskGeometry(const cModule* owner, const std::string& model, const DiskModelParams& p)
    : owner_(owner), model_(model), bands_(p.bandNum), cylinders_(p.cylNum), heads_(p.headNum), secSize_(p.dskSecSize),
      l2pMap_(p.l2pMap), periodMs_(p.period_ms())
{
    derive_cylinders(p);
    derive_sectors(p);
}

void DiskGeometry::boundary_fault(int band, const std::string& values, const char* what) const
{
    owner_->error("---> \"%s\" : cylinder boundary calculation fault: with %s, band %d of bands 0 to %d gets no %s. "
                  "Check the file \"%s\" to make a correction",
                  model_.c_str(), values.c_str(), band, static_cast<int>(bands_.size()) - 1, what,
                  disk_params_file_name(model_).c_str());
}

void DiskGeometry::derive_cylinders(const DiskModelParams& p)
{
    const int last = p.bandNum - 1;
    double sum = 0;
    for (int k = 0; k <= last; ++k)
        sum += std::pow(1 + p.cpb, k);
    const double base = p.cylNum / sum;
    long start = 0;
    const auto empty = [&](int band) {
        boundary_fault(band, opp_format("CYL_NUM %ld, BAND_NUM %d and CPB %g", p.cylNum, p.bandNum, p.cpb), "cylinder");
    };
    for (int i = 0; i <= last; ++i) {
        if (start >= p.cylNum)
            empty(i);
        DiskBand& b = bands_[i];
        b.cylS = start;
        b.cylNum = i < last ? static_cast<long>(std::pow(1 + p.cpb, last - i) * base) : p.cylNum - start;
        // A band without a cylinder would later divide by zero.
        if (b.cylNum < 1)
            empty(i);
        b.cylE = start + b.cylNum - 1;
        start = b.cylE + 1;
    }
}

void DiskGeometry::derive_sectors(const DiskModelParams& p)
{
    const int last = p.bandNum - 1;
    double sum = 0;
    for (int k = 0; k <= last; ++k)
        sum += std::pow(1 + p.spb, k);
    const double nominal = static_cast<double>(p.secPerTrk * p.cylNum);
    uint64_t running = 0;
    for (int i = 0; i <= last; ++i) {
        DiskBand& b = bands_[i];
        b.tkSec = static_cast<long>(std::pow(1 + p.spb, last - i) * nominal / sum / b.cylNum);
        if (b.tkSec < 1)
            boundary_fault(i,
                           opp_format("SEC_PER_TRK %ld, CYL_NUM %ld, BAND_NUM %d and SPB %g", p.secPerTrk, p.cylNum,
                                      p.bandNum, p.spb),
                           "sector per track");
        b.cylSecS = running;
        running += static_cast<uint64_t>(b.tkSec) * static_cast<uint64_t>(b.cylNum) * static_cast<uint64_t>(p.headNum);
        b.cylSecE = running - 1;
    }
    totalSectors_ = running;
    if (totalSectors_ > MAX_SECTORS)
        owner_->error("---> \"%s\" : the geometry holds %llu sectors, more than the %llu that a sector number can "
                      "carry. Check the file \"%s\" to make a correction",
                      model_.c_str(), static_cast<unsigned long long>(totalSectors_),
                      static_cast<unsigned long long>(MAX_SECTORS), disk_params_file_name(model_).c_str());
}

namespace {

// std::fmod's exact result without its bit-by-bit loop. A division finds
// the quotient to within one; with the right quotient x - q * y is the exact
// remainder, which a double can hold, so one fused multiply-add gives it
// unrounded, and its sign or size shows a quotient one off.
double remainder_of(double x, double y)
{
    const double q = std::floor(x / y);
    if (!(x >= 0 && y > 0 && q < 0x1p52))
        return std::fmod(x, y);
    const double r = std::fma(-q, y, x);
    if (r < 0)
        return std::fma(-(q - 1), y, x);
    if (r >= y)
        return std::fma(-(q + 1), y, x);
    return r;
}

// Heads mostly stay in one band, so the band found last is tried first.
template <typename Holds>
const DiskBand* find_band(const std::vector<DiskBand>& bands, size_t& recent, Holds holds)
{
    if (recent < bands.size() && holds(bands[recent]))
        return &bands[recent];
    for (size_t i = 0; i < bands.size(); ++i)
        if (holds(bands[i])) {
            recent = i;
            return &bands[i];
        }
    return nullptr;
}

} // namespace

const DiskBand* DiskGeometry::band_of_sector(uint64_t phySec) const
{
    return find_band(bands_, recent_,
                     [phySec](const DiskBand& b) { return b.cylSecS <= phySec && phySec <= b.cylSecE; });
}

const DiskBand* DiskGeometry::band_of_cylinder(long cylinder) const
{
    return find_band(bands_, recent_,
                     [cylinder](const DiskBand& b) { return b.cylS <= cylinder && cylinder <= b.cylE; });
}

uint64_t DiskGeometry::logsec_to_physec(uint64_t logSec) const
{
    if (l2pMap_ == 0)
        return logSec;
    const DiskBand* b = band_of_sector(logSec);
    if (!b)
        owner_->error("---> logsec_to_physec : missing myBand pointer");
    const uint64_t tkSec = static_cast<uint64_t>(b->tkSec);
    const uint64_t surface = tkSec * static_cast<uint64_t>(b->cylNum);
    const uint64_t r = logSec - b->cylSecS;
    const uint64_t head = r / surface;
    const uint64_t q = r % surface;
    return b->cylSecS + tkSec * (head + static_cast<uint64_t>(heads_) * (q / tkSec)) + q % tkSec;
}

SectorAttributes DiskGeometry::get_secattr_by_physec(uint64_t phySec) const
{
    const DiskBand* b = band_of_sector(phySec);
    if (!b)
        owner_->error("---> get_secattr_by_physec : missing myBand pointer");
    SectorAttributes a;
    a.secPerTrk = b->tkSec;
    a.secPerCyl = b->tkSec * heads_;
    const uint64_t r = phySec - b->cylSecS;
    a.cylinder = b->cylS + static_cast<long>(r / static_cast<uint64_t>(a.secPerCyl));
    a.cylSec = static_cast<long>(r % static_cast<uint64_t>(a.secPerCyl));
    a.head = static_cast<int>(a.cylSec / b->tkSec);
    a.trkSec = a.cylSec % b->tkSec;
    a.secTime = periodMs_ / b->tkSec;
    a.phySec = phySec;
    if (a.cylinder < 0 || a.cylinder >= cylinders_)
        owner_->error("---> get_secattr_by_physec : invalid cylinderID[%d] for sector[%d]",
                      static_cast<int>(a.cylinder), static_cast<int>(phySec));
    if (a.head < 0 || a.head >= heads_)
        owner_->error("---> get_secattr_by_physec : invalid headID[%d] for sector[%d]", a.head,
                      static_cast<int>(phySec));
    return a;
}

long DiskGeometry::sector_under_head(double ms, double periodMs, long secPerTrk)
{
    const double secTime = periodMs / secPerTrk;
    const long g = static_cast<long>(remainder_of(ms, periodMs) / secTime);
    // The division can round up to one past the end of the track.
    return g < secPerTrk ? g : secPerTrk - 1;
}

SectorAttributes DiskGeometry::get_secattr_of_currsec(long cylinder, int head, double nowMs) const
{
    const DiskBand* b = band_of_cylinder(cylinder);
    if (!b)
        owner_->error("---> get_secattr_of_currsec : missing myBand pointer");
    SectorAttributes a;
    a.head = head;
    a.cylinder = cylinder;
    a.secPerTrk = b->tkSec;
    a.secPerCyl = b->tkSec * heads_;
    a.secTime = periodMs_ / b->tkSec;
    a.trkSec = sector_under_head(nowMs, periodMs_, b->tkSec);
    a.cylSec = b->tkSec * head + a.trkSec;
    a.phySec = first_physec_of_track(*b, cylinder, head) + static_cast<uint64_t>(a.trkSec);
    return a;
}

uint64_t DiskGeometry::first_physec_of_track(const DiskBand& band, long cylinder, int head) const
{
    const uint64_t tkSec = static_cast<uint64_t>(band.tkSec);
    return band.cylSecS + static_cast<uint64_t>(cylinder - band.cylS) * tkSec * static_cast<uint64_t>(heads_) +
           tkSec * static_cast<uint64_t>(head);
}

uint64_t DiskGeometry::first_logsec_of_track(const DiskBand& band, long cylinder, int head) const
{
    if (l2pMap_ == 0)
        return first_physec_of_track(band, cylinder, head);
    const uint64_t tkSec = static_cast<uint64_t>(band.tkSec);
    return band.cylSecS + tkSec * static_cast<uint64_t>(cylinder - band.cylS) +
           tkSec * static_cast<uint64_t>(band.cylNum) * static_cast<uint64_t>(head);
}
