#include "host/IoGenerator.h"

#include <cmath>

#include "device/WarningsLog.h"
#include "host/DistFunc.h"
#include "host/IoPhase.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

namespace {

constexpr int DIRECTION_RNG = 30;
constexpr unsigned long LARGEST_IO = 1048576;
constexpr double LINE_BYTES_PER_SECOND = 12500000;

// The share of a random block range's draws that fall at or past `blocks`,
// for a range that starts before it.
double share_beyond(const PatternRecord& p, double blocks)
{
    if (p.dist == "uniform")
        return p.Par2 > blocks ? (p.Par2 - blocks) / (p.Par2 - p.Par1) : 0;
    if (p.dist == "intuniform") {
        const double first = std::trunc(p.Par1);
        const double last = std::trunc(p.Par2);
        return last >= blocks ? (last - blocks + 1) / (last - first + 1) : 0;
    }
    return 0;
}

} // namespace

IoGenerator::IoGenerator(const char* name, cModule* parent, unsigned stackSize) : cSimpleModule(name, parent, stackSize)
{
}

void IoGenerator::initialize()
{
    root_ = find_root(this);
    skipScsiIo_ = &root_->par("skipScsiIo");
    simDone_ = &root_->par("simDone");
    ioDone_ = &root_->par("ioDone");
    evDone_ = &root_->par("evDone");
    netIoToGen_ = &root_->par("netIoToGen");
    netIoToGenFlag_ = &root_->par("netIoToGenFlag");
    rawIoNum_ = &root_->par("rawIoNum");
    netIoNum_ = &root_->par("netIoNum");
    netIoComp_ = &root_->par("netIoComp");

    init_ass_tbl();
    init_element_tbl();
    confFile_ = parentModule()->par("confFile").stringValue();
    assign_iogen_params();
    if (!tables_.empty())
        print_iogen_table();
    add_to(&root_->par("hostNum"), 1);
    period_ = time_scale_seconds(this, root_, "ioGenTimeScale");
    create_iogen_file();
}

void IoGenerator::activity()
{
    const bool skip = skipScsiIo_->boolValue();
    // With SCSI I/O skipped nothing is generated, so the I/O side of the run
    // is over from the start.
    if (skip)
        note_skipped();
    if (!tables_.empty())
        scheduleAt(simTime(), new cMessage("GEN_STAT", GEN_STAT, 0));
    for (;;) {
        // Held so that a fault while handling it does not lose it.
        HeldMessage<cMessage> msg(receive());
        EV << fullPath() << " --> " << msg->name() << "\n";
        if (skip)
            note_skipped();
        else
            handle(msg.get());
    }
}

void IoGenerator::finish()
{
    statFile_.finish();
    for (IoGenTable& t : tables_)
        t.workloadFile.finish();
}

void IoGenerator::note_skipped()
{
    ioDone_->setBoolValue(true);
    if (evDone_->boolValue())
        simDone_->setBoolValue(true);
}

void IoGenerator::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case LUN_IO_GEN_RDY: start_lun_io(msg); break;
    case FIRST_IO: gen_first_io(table_of(msg)); break;
    case NEXT_IO: gen_next_io(table_of(msg)); break;
    case GEN_STAT: write_iogen_file(); break;
    default: error("--->: No idea know how to handle message: %s", msg->name());
    }
}

IoGenTable* IoGenerator::table_of(cMessage* msg)
{
    return object_at<IoGenTable>(msg->par("thisIoGenTbl").longValue());
}

void IoGenerator::add_to(cPar* counter, long amount)
{
    long sum = 0;
    if (__builtin_add_overflow(counter->longValue(), amount, &sum))
        error("---> The run-wide count \"%s\" overflows. Please check section [3] of the file \"%s\"", counter->name(),
              confFile_.c_str());
    counter->setLongValue(sum);
}

void IoGenerator::start_lun_io(cMessage* msg)
{
    const std::string lunWwn = msg->par("lunWwn").stringValue();
    EV << "IOs for LUN (" << lunWwn << ") is being triggered ... \n";
    for (IoGenTable& t : tables_) {
        if (t.LUN_WWN != lunWwn)
            continue;
        t.activated = true;
        if (t.triggered)
            continue;
        add_to(netIoToGen_, t.IoNum);
        if (!netIoToGenFlag_->boolValue()) {
            add_to(netIoToGen_, -1);
            netIoToGenFlag_->setBoolValue(true);
        }
        add_to(rawIoNum_, t.IoNum);
        add_to(netIoNum_, t.IoNum);
        t.triggered = true;
        const long blkNum = msg->par("lunBlkNum").longValue();
        const long blkSize = msg->par("lunBlkSize").longValue();
        // A LUN without blocks has no address to give an I/O.
        if (blkNum < 1 || blkSize < 1)
            error("---> \"%s\" : LUN of %ld blocks of %ld bytes cannot take IO", lunWwn.c_str(), blkNum, blkSize);
        t.lunBlkNum = static_cast<unsigned long>(blkNum);
        t.lunBlkSize = static_cast<unsigned long>(blkSize);
        warn_of_blocks_beyond_lun(t);
        schedule_io("FIRST_IO", FIRST_IO, &t, t.StartTime / 1000);
    }
}

// Block ranges beyond the LUN's end are not refused (the workload may be
// meant for a larger LUN elsewhere), but they do not do what they say: the
// draws past the end all go to the last block.
void IoGenerator::warn_of_blocks_beyond_lun(const IoGenTable& t)
{
    const PatternRecord& p = t.block;
    const double blocks = static_cast<double>(t.lunBlkNum);
    const std::string where = "\"" + t.LUN_WWN + "\" : Block Pattern \"" + p.name + "\" ";
    const std::string check = " Please check section [3.1.2] of the file \"" + confFile_ + "\"";
    const std::string lunBlocks = std::to_string(t.lunBlkNum);
    if (p.dist == "seq_block" && p.Par1 >= blocks)
        user_warning(this, where + "starts beyond the last of the LUN's " + lunBlocks +
                               " blocks; none of its I/Os will be issued." + check);
    else if ((p.dist == "uniform" || p.dist == "intuniform") && p.Par1 >= blocks)
        user_warning(this, where + "lies beyond the last of the LUN's " + lunBlocks +
                               " blocks; all its I/Os will go to the last block." + check);
    else if (const double share = share_beyond(p, blocks); share > 0)
        user_warning(this, where + "reaches beyond the last of the LUN's " + lunBlocks + " blocks; " +
                               opp_format("%.3g", share * 100) + " % of its I/Os will go to the last block." + check);
}

void IoGenerator::schedule_io(const char* name, int kind, IoGenTable* t, double gap)
{
    auto* msg = new cMessage(name, kind, 0);
    msg->addPar("thisIoGenTbl").setLongValue(object_address(t));
    msg->addPar("ioGap").setDoubleValue(gap);
    msg->addPar("timer").setDoubleValue(simTime() + gap);
    scheduleAt(simTime() + gap, msg);
}

void IoGenerator::gen_first_io(IoGenTable* t)
{
    t->started = true;
    if (!t->activated)
        error("---> \"%s\" : IO Generation Table must be activated before issuing the first IO", t->LUN_WWN.c_str());
    gen_io(t);
}

void IoGenerator::gen_next_io(IoGenTable* t)
{
    t->pending = false;
    if (!t->activated)
        error("---> \"%s\" : IO Generation Table must be activated before issuing the next IO", t->LUN_WWN.c_str());
    gen_io(t);
}

void IoGenerator::gen_io(IoGenTable* t)
{
    if (t->issued == t->IoNum) {
        EV << "Complete generating IOs for this GenID[" << t->index << "].\n";
        return;
    }
    if (t->issued > t->IoNum)
        error("---> \"%s\" :  IO Generation Table issued IOs larger than expected ioNum", t->LUN_WWN.c_str());

    const int ioType = intuniform(0, 99, DIRECTION_RNG) < t->ratio ? SCSI_READ : SCSI_WRITE;
    unsigned long size = draw_size(t);
    const double drawnBlock = draw_block(t);
    unsigned long blkAddr = 0;
    if (t->block.dist == "seq_block") {
        if (!place_sequential(t, drawnBlock, size, blkAddr)) {
            end_sequential_stream(t);
            return;
        }
    } else {
        place_random(t, drawnBlock, size, blkAddr);
    }
    const double gap = draw_gap(t);

    construct_scsi_ioreq(ioType, size, blkAddr, t);
    add_to(netIoToGen_, -1);
    t->issued += 1;
    t->rowIos += 1;
    t->rowBytes += size;
    t->pending = true;
    schedule_io("NEXT_IO", NEXT_IO, t, gap);
}

unsigned long IoGenerator::draw_size(IoGenTable* t)
{
    const PatternRecord& p = t->size;
    // The parameters are in KB; the distribution draws with them as given and
    // the result is scaled, so that shapes and probabilities keep their
    // meaning.
    const double kb = std::fabs(gen_random_number(p.dist.c_str(), p.rng, p.Par1, p.Par2, p.Par3));
    if (std::isnan(kb))
        error("---> \"%s\" : size draw of Size Pattern \"%s\" is not a number", t->LUN_WWN.c_str(), p.name.c_str());
    const double bytes = kb * 1024;
    if (bytes >= static_cast<double>(LARGEST_IO))
        return LARGEST_IO;
    const auto size = static_cast<unsigned long>(bytes);
    return size == 0 ? 1 : size;
}

double IoGenerator::draw_block(IoGenTable* t)
{
    const PatternRecord& p = t->block;
    const double block = std::trunc(std::fabs(gen_random_number(p.dist.c_str(), p.rng, p.Par1, p.Par2, p.Par3)));
    if (std::isnan(block))
        error("---> \"%s\" : block draw of Block Pattern \"%s\" is not a number", t->LUN_WWN.c_str(), p.name.c_str());
    return block;
}

bool IoGenerator::place_sequential(IoGenTable* t, double drawn, unsigned long& size, unsigned long& blkAddr)
{
    const double first = drawn + static_cast<double>(t->seqNext);
    if (first >= static_cast<double>(t->lunBlkNum))
        return false;
    blkAddr = static_cast<unsigned long>(first);
    unsigned long blocks = (size + t->lunBlkSize - 1) / t->lunBlkSize;
    if (blkAddr + blocks >= t->lunBlkNum)
        blocks = t->lunBlkNum - blkAddr;
    size = blocks * t->lunBlkSize;
    t->seqNext += blocks;
    return true;
}

void IoGenerator::place_random(IoGenTable* t, double drawn, unsigned long& size, unsigned long& blkAddr)
{
    blkAddr = drawn >= static_cast<double>(t->lunBlkNum) ? t->lunBlkNum - 1 : static_cast<unsigned long>(drawn);
    const unsigned long blocks = (size + t->lunBlkSize - 1) / t->lunBlkSize;
    if (size > t->lunBlkSize && blkAddr + blocks >= t->lunBlkNum)
        size = t->lunBlkSize * (t->lunBlkNum - blkAddr);
}

void IoGenerator::end_sequential_stream(IoGenTable* t)
{
    const long unissued = t->IoNum - t->issued;
    add_to(netIoToGen_, -unissued);
    add_to(netIoNum_, -unissued);
    // Every I/O already issued may have completed: then no completion is left
    // to notice that the run's I/O is done. Before any I/O has completed,
    // though, the streams of LUNs not yet announced are still to come.
    const long completed = netIoComp_->longValue();
    if (completed >= netIoNum_->longValue() && (completed > 0 || every_stream_triggered()))
        end_io_phase(this, root_);
}

void IoGenerator::warn_unstarted_tables()
{
    for (const IoGenTable& t : tables_)
        if (!t.triggered)
            user_warning(this, "IO Generation Table Gen[" + std::to_string(t.index) + "] of host " +
                                   parentModule()->fullPath() + " names LUN \"" + t.LUN_WWN +
                                   "\", which no path announced: its " + std::to_string(t.IoNum) +
                                   " IOs were never generated");
}

double IoGenerator::draw_gap(IoGenTable* t)
{
    if (t->gap.selfSim) {
        // One packet of the aggregate per I/O: the gap is the time since the
        // previous packet.
        const double now = t->generator ? t->generator->currentTime() / LINE_BYTES_PER_SECOND : 0;
        const double gap = now - t->previousTime;
        t->previousTime = now;
        if (t->generator)
            t->generator->step();
        return gap;
    }
    const PatternRecord& p = t->gap;
    const double gap = std::fabs(gen_random_number(p.dist.c_str(), p.rng, p.Par1, p.Par2, p.Par3)) / 1000;
    if (!std::isfinite(gap))
        error("---> \"%s\" : gap draw of Gap Pattern \"%s\" is not finite in IO Generation Table Gen[%d]",
              t->LUN_WWN.c_str(), p.name.c_str(), t->index);
    return gap;
}

double IoGenerator::gen_random_number(const char* dist, int rng, double p1, double p2, double p3)
{
    const int index = dist_func_index(dist);
    if (index < 0)
        error("---> gen_random_number : found invalid FuncName \"%s\"", dist);
    if (index == DIST_SELF_SIM)
        error("---> gen_random_number : Self_Sim should be done separately");
    if (index >= DIST_FUNC_NUM)
        error("---> gen_random_number : invalid FuncID %d", index);
    return draw_dist_func(index, rng, p1, p2, p3);
}

void IoGenerator::construct_scsi_ioreq(int ioType, unsigned long size, unsigned long blkAddr, IoGenTable* t)
{
    if (ioType != SCSI_READ && ioType != SCSI_WRITE)
        error("---> IO Generator can only generate SCSI_READ or SCSI_WRITE");
    auto* msg = new cMessage("SCSI_RDWR_IO", SCSI_RDWR_IO, 0);
    msg->addPar("ioType").setLongValue(ioType);
    msg->addPar("ioSize").setLongValue(static_cast<long>(size));
    msg->addPar("blkAddr").setLongValue(static_cast<long>(blkAddr));
    msg->addPar("lunWwn").setStringValue(t->LUN_WWN.c_str());
    msg->addPar("ioGenId").setLongValue(t->index);
    msg->addPar("ioPatName").setStringValue(t->IoPattern.c_str());
    msg->addPar("sTime").setDoubleValue(simTime());
    write_wrkload_file(ioType, size, blkAddr, t);
    send(msg, "to_scsi");
}

namespace {

const sDescrItem ioGeneratorItems[] = {{'M', "default", nullptr, 0},
                                       {'G', "from_scsi", nullptr, 'I'},
                                       {'G', "to_scsi", nullptr, 'O'},
                                       {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(IoGenerator, ioGeneratorItems);
Define_Module(IoGenerator, 16384);
