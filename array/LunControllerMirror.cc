#include "array/LunController.h"
#include "device/WarningsLog.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"

// Copies of host writes for the LUN's remote copy in another array, sent
// through the host-interface board whose remote-mirror initiator found it.

void LunController::rmt_io_gen_rdy(cMessage* msg)
{
    if (lunWwn_ != msg->par("lunWwn").stringValue() || hasPar("rmtChipId"))
        return;
    check_partner(msg);
    addPar("rmtChipId").setLongValue(msg->par("chipId").longValue());
    rmtMirror_ = true;
}

// A copy must have room for every block of this LUN, in blocks of the same
// size: a smaller partner would end the run at its first copy past its end.
void LunController::check_partner(cMessage* msg)
{
    const long chipId = msg->par("chipId").longValue();
    if (!msg->hasPar("blkSize") || !msg->hasPar("blkNum"))
        error("---> LUN_WWN [%s] : the announcement of its remote copy through Chip[%ld] carries no blkSize and "
              "blkNum",
              lunWwn_.c_str(), chipId);
    const long blkSize = msg->par("blkSize").longValue();
    const long blkNum = msg->par("blkNum").longValue();
    if (blkSize != static_cast<long>(blkSize_) || blkNum < static_cast<long>(lunBlkNum_))
        error("---> LUN_WWN [%s] : its remote copy through Chip[%ld] has %ld blocks of %ld bytes, but mirroring "
              "needs at least %u blocks of %u bytes. Please check section [6] of the configuration files of both "
              "arrays",
              lunWwn_.c_str(), chipId, blkNum, blkSize, lunBlkNum_, blkSize_);
}

// A host write is copied only once the remote copy is known; those received
// before are never copied, and are counted for the end of the run to tell.
void LunController::mirror_write(const ScsiCdb& cdb)
{
    if (rmtMirror_)
        copy_write(cdb);
    else
        ++uncopiedWrites_;
}

void LunController::copy_write(const ScsiCdb& cdb)
{
    // The copy stays inside the LUN: it starts no later than the last block
    // and ends with it.
    uint64_t b = cdb.getBlkAddr();
    if (b >= lunBlkNum_)
        b = lunBlkNum_ - 1;
    uint64_t s = cdb.getDataLen();
    if (s > blkSize_ && b + (s / blkSize_ + (s % blkSize_ ? 1 : 0)) >= lunBlkNum_)
        s = (lunBlkNum_ - b) * blkSize_;
    auto* copy = new cMessage("SCSI_RDWR_IO", SCSI_RDWR_IO, 0);
    copy->addPar("ioType").setLongValue(SCSI_WRITE);
    copy->addPar("ioSize").setLongValue(static_cast<long>(s));
    copy->addPar("blkAddr").setLongValue(static_cast<long>(b));
    copy->addPar("lunWwn").setStringValue(lunWwn_.c_str());
    copy->addPar("ioGenId").setLongValue(-1);
    copy->addPar("ioPatName").setStringValue("RmtMirr");
    copy->addPar("chipId").setLongValue(par("rmtChipId").longValue());
    copy->addPar("sTime").setDoubleValue(simTime());
    send(copy, toCpu_);
    for (const char* counter : {"rawIoNum", "netIoNum"})
        root_->par(counter).setLongValue(root_->par(counter).longValue() + 1);
}

// Only a LUN whose remote copy was announced has writes that it lacks.
void LunController::warn_of_uncopied_writes()
{
    if (!rmtMirror_ || uncopiedWrites_ == 0)
        return;
    user_warning(this, "LUN_WWN [" + lunWwn_ + "] : " + std::to_string(uncopiedWrites_) +
                           " of its host writes came before its remote copy was announced and were never copied to "
                           "it");
}
