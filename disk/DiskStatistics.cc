#include "disk/DiskStatistics.h"

#include <iomanip>
#include <string>

#include "device/OutputFile.h"
#include "sim/cModule.h"

namespace {

const char* const totalNames[] = {"rdSecReq",  "wrSecReq",    "rdSecCom",        "wrSecCom",  "queLenSum",
                                  "queActCnt", "zeroCylMove", "noneZeroCylMove", "headSwSec", "cylSwSec"};

} // namespace

void DiskStatistics::publish_on(cModule* disk)
{
    for (int c = 0; c < COUNTERS; ++c) {
        totals_[c] = disk->hasPar(totalNames[c]) ? &disk->par(totalNames[c]) : &disk->addPar(totalNames[c]);
        totals_[c]->setLongValue(0);
        interval_[c] = 0;
    }
    secRespSum_ = disk->hasPar("secRespSum") ? &disk->par("secRespSum") : &disk->addPar("secRespSum");
    secRespSum_->setDoubleValue(0.0);
    intervalSecResp_ = 0;
    allRequests_ = allCompletions_ = 0;
}

void DiskStatistics::count_request(bool write)
{
    add(write ? WR_SEC_REQ : RD_SEC_REQ);
    ++allRequests_;
}

void DiskStatistics::count_completion(bool write, double secRespSeconds)
{
    add(write ? WR_SEC_COM : RD_SEC_COM);
    ++allCompletions_;
    secRespSum_->setDoubleValue(secRespSum_->doubleValue() + secRespSeconds);
    intervalSecResp_ += secRespSeconds;
}

void DiskStatistics::count_batch(long queLen)
{
    add(QUE_LEN_SUM, queLen);
    add(QUE_ACT_CNT);
}

void DiskStatistics::count_move(HeadMove move)
{
    switch (move) {
    case HeadMove::SAME_TRACK: add(ZERO_CYL_MOVE); break;
    case HeadMove::SEEK: add(NONE_ZERO_CYL_MOVE); break;
    case HeadMove::HEAD_SWITCH: add(HEAD_SW_SEC); break;
    case HeadMove::CYLINDER_SWITCH: add(CYL_SW_SEC); break;
    }
}

void DiskStatistics::write_header(std::ostream& out)
{
    out << field(18) << "SimTime(ms)";
    for (const char* h : {"SecRdReq", "SecRdCom", "SecWrReq", "SecWrCom"})
        out << field(12) << h;
    out << field(10) << "QueAct" << field(10) << "QueLen" << field(15) << "Perf(MBps)" << field(12) << "NZ_Cyl"
        << field(12) << "Z_Cyl" << field(10) << "HdSw" << field(10) << "CylSw" << '\n'
        << std::string(145, '-') << '\n';
}

void DiskStatistics::write_row(std::ostream& out, double nowMs, long dskSecSize)
{
    const long* n = interval_;
    out << std::setprecision(4) << field(18) << nowMs << field(12) << n[RD_SEC_REQ] << field(12) << n[RD_SEC_COM]
        << field(12) << n[WR_SEC_REQ] << field(12) << n[WR_SEC_COM] << field(10) << n[QUE_ACT_CNT];
    if (n[QUE_ACT_CNT] > 0)
        out << std::setprecision(2) << field(10) << static_cast<double>(n[QUE_LEN_SUM]) / n[QUE_ACT_CNT];
    else
        out << field(10) << 0;
    const long completed = n[RD_SEC_COM] + n[WR_SEC_COM];
    double perf = 0;
    if (completed > 0 && intervalSecResp_ > 0)
        perf = static_cast<double>(completed) * dskSecSize / (intervalSecResp_ * 1024 * 1024);
    out << std::setprecision(6) << field(15) << perf << field(12) << n[NONE_ZERO_CYL_MOVE] << field(12)
        << n[ZERO_CYL_MOVE] << field(10) << n[HEAD_SW_SEC] << field(10) << n[CYL_SW_SEC] << '\n';
    for (long& c : interval_)
        c = 0;
    intervalSecResp_ = 0;
}
