#include "disk/FcLoopPort.h"

#include <string>

#include "disk/DiskDrive.h"
#include "disk/DiskStatFinish.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

namespace {

// The port's processing costs, in seconds.
constexpr double BLK_REQ_SEG_DELAY = 1.5e-6; // cutting a block request into sectors
constexpr double SEC_REQ_TXI_DELAY = 1.5e-7; // handing one sector request to the loop
constexpr double SEC_COM_RXU_DELAY = 1.5e-7; // taking in a sector completion that is not a block's last
constexpr double BLK_COM_ASM_DELAY = 1.5e-6; // assembling a block's completion

// What a sector's frame adds to its data on the loop, in bytes.
constexpr long SECTOR_FRAME_BYTES = 52;

// Loop byte rates of the two port speeds: 1.0625 and 2.125 Gbaud at ten bits
// a byte.
double port_byte_speed(long portSpeed)
{
    return portSpeed == 1 ? 106.25e6 : 212.5e6;
}

bool is_cost(int kind)
{
    return kind == BLK_REQ_SEG_COST || kind == SEC_REQ_TXI_COST || kind == SEC_COM_RXU_COST || kind == BLK_COM_ASM_COST;
}

} // namespace

FcLoopPort::FcLoopPort(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), loopArbiQue_("LOOP_ARBI_QUE")
{
}

// Sector I/Os still on the loop or in a disk when the run is torn down only
// carry the addresses of their blocks; the blocks go with the port.
FcLoopPort::~FcLoopPort() = default;

// ---- Set-up ----------------------------------------------------------------------

void FcLoopPort::initialize()
{
    root_ = find_root(this);
    group_ = parentModule();
    board_ = group_->parentModule();
    device_ = board_->parentModule();
    groupIndex_ = group_->index();
    boardIndex_ = board_->index();
    load_group_row();
    create_disks();
}

void FcLoopPort::load_group_row()
{
    const std::string confFile = device_->par("confFile").stringValue();
    groupRow_ = read_array_group_row(this, confFile, boardIndex_, groupIndex_);
    const ArrayGroupRow& row = groupRow_;
    if (row.portSpeed != 1 && row.portSpeed != 2)
        error("---> Acp[%d].ArrGrp[%d] : missing or invalid portSpeed. Please check section [5] of the file \"%s\"",
              boardIndex_, groupIndex_, confFile.c_str());
    portByteSpeed_ = port_byte_speed(row.portSpeed);
    if (row.diskCount < 1)
        error("---> Acp[%d].ArrGrp[%d] : at least one disk must be installed. Please check section [5] of the file "
              "\"%s\"",
              boardIndex_, groupIndex_, confFile.c_str());
    diskCount_ = static_cast<int>(row.diskCount);
}

void FcLoopPort::create_disks()
{
    setGateSize("from_disk", diskCount_);
    setGateSize("to_disk", diskCount_);
    toDisk_ = OutputGates(this, "to_disk");
    cModuleType* type = findModuleType("DiskDrive");
    if (!type)
        error("Simple module type definition %s not found", "DiskDrive");
    for (int i = 0; i < diskCount_; ++i) {
        cModule* disk = type->create("Disk", group_);
        disk->setIndex(i, diskCount_);
        if (auto* drive = dynamic_cast<DiskDrive*>(disk))
            drive->use_group_row(groupRow_);
        gate("to_disk", i)->connectTo(disk->gate("from_fcal"));
        disk->gate("to_fcal")->connectTo(gate("from_disk", i));
        disk->par("inUse").setBoolValue(false);
        disk->par("inUse").setInput(false);
        disk->setDisplayString("i=disk;p=60,80,row;b=35,45");
        disk->buildInside();
        simulation.startCreatedModules(disk);
    }
}

// The disks have been initialised by now, so their model values are there.
void FcLoopPort::set_up_run()
{
    loopFree_ = true;
    server_.set_busy(false);
    disks_.clear();
    for (int i = 0; i < diskCount_; ++i) {
        DiskSlot slot;
        slot.bufSizInSec = group_->submodule("Disk", i)->par("bufSizInSec").longValue();
        slot.secReqQue = std::make_unique<cQueue>(("DISK[" + std::to_string(i) + "]_SEC_REQ_QUE").c_str());
        disks_.push_back(std::move(slot));
    }
    cModule* first = group_->submodule("Disk", 0);
    fcalDly_ = first->par("fcalDlyUS").doubleValue() / 1e6;
    dskSecSiz_ = first->par("dskSecSiz").longValue();
    WATCH(phyBlkRdReq_);
    WATCH(phyBlkRdCom_);
    WATCH(phyBlkWrReq_);
    WATCH(phyBlkWrCom_);
}

// ---- Dispatch --------------------------------------------------------------------

void FcLoopPort::activity()
{
    set_up_run();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << "-->" << msg->name() << "\n";
        if (portByteSpeed_ == 0)
            refuse(msg, "---> unable to process message %s since its portByteSpeed is zero");
        handle(msg);
    }
}

void FcLoopPort::handle(cMessage* msg)
{
    const int kind = msg->kind();
    if (is_cost(kind)) {
        feed_disk(msg);
        return;
    }
    switch (kind) {
    case REQ_PHY_BLK_READ:
        ++phyBlkRdReq_;
        take_for_processing(msg);
        break;
    case REQ_PHY_BLK_WRITE:
        ++phyBlkWrReq_;
        take_for_processing(msg);
        break;
    case SEC_IO_COMP:
        // The completion has crossed the loop.
        scheduleAt(simTime(), new cMessage("LOOP_FREE", LOOP_FREE, 0));
        take_for_processing(msg);
        break;
    case REQ_LOOP_ARBI: {
        cMessage* io = msg->encapsulatedMsg() ? msg->decapsulate() : nullptr;
        if (!io)
            refuse(msg, "---> REQ_LOOP_ARBI should encapsulate a DskSecIo message");
        delete msg;
        loopArbiQue_.insert(io);
        proc_loop_req();
        break;
    }
    case LOOP_FREE:
        delete msg;
        loopFree_ = true;
        proc_loop_req();
        break;
    case NEXT_MSG:
        delete msg;
        server_.release();
        break;
    default: refuse(msg, "---> No idea know how to handle message: %s");
    }
}

void FcLoopPort::take_for_processing(cMessage* msg)
{
    server_.submit(msg);
}

void FcLoopPort::refuse(cMessage* msg, const char* format)
{
    const std::string name = msg->name();
    discard_message(msg);
    error(format, name.c_str());
}

void FcLoopPort::release_resource()
{
    schedule_next_msg(this);
}

void FcLoopPort::schedule_cost(const char* name, int kind, int diskId, double delay)
{
    auto* cost = new cMessage(name, kind, 0);
    cost->addPar("diskId").setLongValue(diskId);
    scheduleAt(simTime() + delay, cost);
}

// ---- Processing: segmentation, hand-over, reassembly --------------------------------

void FcLoopPort::proc_request()
{
    if (server_.empty())
        error("---> proc_request : FCAL Request_Processing Queue shouldn't be empty");
    cMessage* msg = server_.take_next();
    switch (msg->kind()) {
    case REQ_PHY_BLK_READ:
        if (static_cast<LunBlkIo*>(msg)->getIoType() != SCSI_READ)
            refuse(msg, "---> proc_request : REQ_PHY_BLK_READ fault");
        proc_blk_req(HeldMessage<LunBlkIo>(static_cast<LunBlkIo*>(msg)).get());
        break;
    case REQ_PHY_BLK_WRITE:
        if (static_cast<LunBlkIo*>(msg)->getIoType() != SCSI_WRITE)
            refuse(msg, "---> proc_request : REQ_PHY_BLK_WRITE fault");
        proc_blk_req(HeldMessage<LunBlkIo>(static_cast<LunBlkIo*>(msg)).get());
        break;
    case SEC_IO_COMP: proc_sec_comp(HeldMessage<DskSecIo>(static_cast<DskSecIo*>(msg)).get()); break;
    default: refuse(msg, "---> proc_request : FCAL doesn't know how to handle message %s");
    }
}

void FcLoopPort::proc_blk_req(LunBlkIo* req)
{
    auto owned = std::make_unique<BlockIoState>();
    BlockIoState& block = *owned;
    const bool read = req->getIoType() == SCSI_READ;
    block.lunId = req->getLunId();
    block.lunBlk = req->getLunBlk();
    block.blkSize = req->getBlkSize();
    block.ioType = req->getIoType();
    block.ioId = req->getIoId();
    block.lunBlkLoc = req->getLunBlkLoc();
    block.reqIndex = read;
    block.pbIndex = read ? req->getPbIndex() : -1;
    block.sTime = req->par("sTime").doubleValue();
    block.thisCchTbl = read ? 0 : req->par("thisCchTbl").longValue();

    const unsigned long secSize = static_cast<unsigned long>(dskSecSiz_);
    if (block.blkSize % secSize != 0)
        error("---> proc_blk_req : expecting blkSize[%lu] a multiple of DSK_SEC_SIZE[%ld]", block.blkSize, dskSecSiz_);
    block.secNum = block.blkSize / secSize;
    if (block.secNum < 1)
        error("ERROR: DISK BLK segmentation fault!");
    const int d = block.lunBlkLoc.dskId;
    if (d < 0 || d >= diskCount_)
        error("---> proc_blk_req : Invalid DISK_ID [%d]", d);
    const unsigned long b = block.lunBlkLoc.dskBlk;

    const long address = object_address(&block);
    for (unsigned long i = 0; i < block.secNum; ++i) {
        auto* io = new DskSecIo("SEC_IO_REQ", SEC_IO_REQ);
        io->setLength(read ? 0 : dskSecSiz_ + SECTOR_FRAME_BYTES);
        io->setBlkIoSbPtr(address);
        io->setDskSec(b * block.secNum + i);
        io->setIoType(static_cast<unsigned char>(block.ioType));
        io->setDstDskId(d);
        io->setSrcDskId(diskCount_);
        io->setLunBlk(block.lunBlk);
        io->setDskBlk(b);
        disks_[static_cast<size_t>(d)].secReqQue->insert(io);
    }
    blocks_.emplace(&block, std::move(owned));
    schedule_cost("BLK_REQ_SEG_COST", BLK_REQ_SEG_COST, d, BLK_REQ_SEG_DELAY);
}

// Hands the named disk its next sector request while the disk has buffer
// room; the port stays busy until there is nothing more it may send.
void FcLoopPort::feed_disk(cMessage* cost)
{
    const long d = cost->par("diskId").longValue();
    delete cost;
    if (d < 0 || d >= diskCount_)
        error("---> %s names no disk of the group: diskId %ld", "feed_disk", d);
    DiskSlot& slot = disks_[static_cast<size_t>(d)];
    if (slot.secReqQue->empty() || slot.outstanding >= slot.bufSizInSec) {
        release_resource();
        return;
    }
    auto* arbi = new cMessage("REQ_LOOP_ARBI", REQ_LOOP_ARBI, 0);
    arbi->encapsulate(static_cast<cMessage*>(slot.secReqQue->pop()));
    scheduleAt(simTime(), arbi);
    ++slot.outstanding;
    schedule_cost("SEC_REQ_TXI_COST", SEC_REQ_TXI_COST, static_cast<int>(d), SEC_REQ_TXI_DELAY);
}

BlockIoState& FcLoopPort::block_of(const DskSecIo& io)
{
    auto* block = object_at<BlockIoState>(io.getBlkIoSbPtr());
    auto found = blocks_.find(block);
    if (found == blocks_.end())
        error("---> proc_sec_comp : SEC_IO_COMP blkIoSb fault");
    return *found->second;
}

void FcLoopPort::proc_sec_comp(DskSecIo* comp)
{
    if (comp->getDstDskId() != diskCount_)
        error("---> proc_sec_comp : SEC_IO_COMP blkIoSb fault");
    BlockIoState& block = block_of(*comp);
    if (comp->getIoType() != block.ioType)
        error("---> proc_sec_comp : SEC_IO_COMP blkIoSb ioType fault");
    const int from = comp->getSrcDskId();
    if (from < 0 || from >= diskCount_)
        error("---> proc_sec_comp : SEC_IO_COMP from no disk of the group: srcDskId %d", from);
    --disks_[static_cast<size_t>(from)].outstanding;
    ++block.completed;
    if (block.completed < block.secNum) {
        schedule_cost("SEC_COM_RXU_COST", SEC_COM_RXU_COST, from, SEC_COM_RXU_DELAY);
        return;
    }
    schedule_cost("BLK_COM_ASM_COST", BLK_COM_ASM_COST, from, BLK_COM_ASM_DELAY);
    send_block_completion(block);
}

void FcLoopPort::send_block_completion(BlockIoState& block)
{
    const bool read = block.ioType == SCSI_READ;
    auto* done = new LunBlkIo(read ? "BLK_READ_DATA" : "PHY_BLK_WRITE_COMP", read ? BLK_READ_DATA : PHY_BLK_WRITE_COMP);
    done->setLunId(block.lunId);
    done->setLunBlk(block.lunBlk);
    done->setBlkSize(block.blkSize);
    done->setIoId(block.ioId);
    done->setIoType(block.ioType);
    done->setLunBlkLoc(block.lunBlkLoc);
    if (read) {
        if (!block.reqIndex) {
            delete done;
            error("---> proc_sec_comp : BLK_COM_ASM blkIoSb reqIndex fault");
        }
        done->setLength(static_cast<long>(block.blkSize));
        done->setFromCsw(false);
        done->setReqIndex(true);
        done->setPbIndex(block.pbIndex);
        ++phyBlkRdCom_;
    } else {
        if (block.thisCchTbl == 0) {
            delete done;
            error("---> proc_sec_comp : BLK_COM_ASM blkIoSb thisCchTbl fault");
        }
        done->setLength(0);
        done->addPar("thisCchTbl").setLongValue(block.thisCchTbl);
        ++phyBlkWrCom_;
    }
    done->addPar("sTime").setDoubleValue(block.sTime);
    blocks_.erase(&block);
    send(done, "to_driver");
}

// ---- The loop --------------------------------------------------------------------

void FcLoopPort::proc_loop_req()
{
    if (loopArbiQue_.empty() || !loopFree_)
        return;
    loopFree_ = false;
    auto* io = static_cast<DskSecIo*>(loopArbiQue_.pop());
    const int s = io->getSrcDskId();
    const int t = io->getDstDskId();
    const int hops = s == diskCount_ ? t : diskCount_ - s - 1;
    const double delay = fcalDly_ * hops + io->length() / portByteSpeed_;
    if (t == diskCount_) {
        if (io->kind() != SEC_IO_COMP)
            refuse(io, "---> proc_loop_req : SEC_IO_COMP fault");
        scheduleAt(simTime() + delay, io);
        return;
    }
    if (io->kind() != SEC_IO_REQ)
        refuse(io, "---> proc_loop_req : SEC_IO_REQ fault");
    toDisk_.send(io, t, delay);
}

// ---- End of the run --------------------------------------------------------------

void FcLoopPort::write_dskstat_finish()
{
    ::write_dskstat_finish(this, root_, group_, diskCount_, dskSecSiz_);
}

void FcLoopPort::finish()
{
    write_dskstat_finish();
}

namespace {

const sDescrItem loopPortItems[] = {{'M', "default", nullptr, 0},     {'G', "from_driver", nullptr, 'I'},
                                    {'G', "to_driver", nullptr, 'O'}, {'G', "from_disk[]", nullptr, 'I'},
                                    {'G', "to_disk[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(FcLoopPort, loopPortItems);
Define_Module(FcLoopPort, 8192);
