#include "tests/shared/TestProcessor.h"

#include <fstream>
#include <map>
#include <memory>

#include "device/FileNameString.h"
#include "fc4/SequenceEnvelope.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"

TestProcessor::TestProcessor(const char* name, cModule* parent, int fc4Count, const TaskTiming* fc4Send,
                             const TaskTiming* fc4Recv, const TaskTiming* fcpSend, const TaskTiming* fcpRecv,
                             double clock)
    : cSimpleModule(name, parent, 65536)
{
    addPar("cpuClock").setDoubleValue(clock);
    addPar("memClock").setDoubleValue(clock);
    addPar("FC4_IU_SEND").setLongValue(object_address(fc4Send));
    addPar("FC4_IU_RECV").setLongValue(object_address(fc4Recv));
    addPar("FCP_IU_SEND").setLongValue(object_address(fcpSend));
    addPar("FCP_IU_RECV").setLongValue(object_address(fcpRecv));
    addGate("driver_in", 'I', true);
    addGate("driver_out", 'O', true);
    setGateSize("driver_in", fc4Count);
    setGateSize("driver_out", fc4Count);
}

TestProcessor::~TestProcessor()
{
    for (Upper& u : upper)
        delete u.msg;
}

void TestProcessor::sendDown(cMessage* msg, int fc4, double delay)
{
    sendDelayed(msg, delay, "driver_out", fc4);
}

void TestProcessor::grantNext()
{
    if (busy_ || waiting_.empty())
        return;
    auto [fc4, anx] = waiting_.front();
    waiting_.pop_front();
    busy_ = true;
    auto* ack = new cMessage("ACK_PROC_REQ", ACK_PROC_REQ, 0);
    ack->addPar("fc4Anx").setBoolValue(anx);
    handshakes.push_back({simTime(), fc4, ACK_PROC_REQ, anx});
    sendDown(ack, fc4);
}

void TestProcessor::activity()
{
    for (;;) {
        cMessage* msg = receive();
        const int fc4 = msg->arrivalGate()->index();
        switch (msg->kind()) {
        case REQ_CPU_PROC: {
            const bool anx = msg->par("fc4Anx").boolValue();
            handshakes.push_back({simTime(), fc4, REQ_CPU_PROC, anx});
            if (fc4 == 0 && requests_++ == phantomAnnexBefore)
                waiting_.emplace_back(0, true);
            waiting_.emplace_back(fc4, anx);
            grantNext();
            break;
        }
        case COMP_CPU_PROC:
            handshakes.push_back({simTime(), fc4, COMP_CPU_PROC, false});
            busy_ = false;
            grantNext();
            break;
        default:
            upper.push_back({simTime(), fc4, msg->dup()});
            if (onUpper)
                onUpper(*this, msg, fc4);
            break;
        }
        delete msg;
    }
}

std::vector<const TestProcessor::Upper*> TestProcessor::upperOfKind(int kind) const
{
    std::vector<const Upper*> found;
    for (const Upper& u : upper)
        if (u.msg->kind() == kind)
            found.push_back(&u);
    return found;
}

int TestProcessor::count(int kind) const
{
    int n = 0;
    for (const Handshake& h : handshakes)
        n += h.kind == kind;
    return n;
}

bool TestProcessor::grantsBalanced() const
{
    int open = -1;
    for (const Handshake& h : handshakes) {
        if (h.kind == ACK_PROC_REQ) {
            if (open >= 0)
                return false;
            open = h.fc4;
        } else if (h.kind == COMP_CPU_PROC) {
            if (open != h.fc4)
                return false;
            open = -1;
        }
    }
    return open < 0;
}

namespace {

// The answer files and the names of one board's LUN side.
struct LunSide {
    struct Io {
        int fcpIndex;
        unsigned long lun;
        bool hasLunList = false, hasLunWwn = false;
        long lunListPtr = 0, lunWwnPtr = 0;
        unsigned long blkLen = 0, blkNum = 0;
        double delay = 0;
    };
    std::map<unsigned long, Io> ios;
    std::vector<long> names;
    bool hasTarget = false;
    TestProcessor::LunTarget target;

    ~LunSide()
    {
        for (long name : names)
            free_file_name_string(name);
    }
    long answer_file(cModule* mod, const char* counter, const char* prefix, const std::string& text)
    {
        const std::string path = take_temp_file_name(find_root(mod), counter, prefix);
        std::ofstream(path) << text;
        names.push_back(new_file_name_string(path));
        return names.back();
    }
};

} // namespace

void TestProcessor::answerAsLunControllers(const LunTarget* target)
{
    auto side = std::make_shared<LunSide>();
    if (target) {
        side->hasTarget = true;
        side->target = *target;
    }
    onUpper = [side](TestProcessor& self, cMessage* msg, int fc4) {
        auto complete = [&](unsigned long ioId) {
            const LunSide::Io io = side->ios[ioId];
            auto* comp = new SendCmdComp("SEND_CMD_COMP", SEND_CMD_COMP);
            comp->setLength(0);
            comp->setFc4Index(fc4);
            comp->setFcpIndex(io.fcpIndex);
            comp->setLun(io.lun);
            comp->setIoId(static_cast<std::uint32_t>(ioId));
            comp->setHasLunListPtr(io.hasLunList);
            comp->setLunListPtr(io.lunListPtr);
            comp->setHasLunWwnPtr(io.hasLunWwn);
            comp->setLunWwnPtr(io.lunWwnPtr);
            comp->setLunBlkLen(io.blkLen);
            comp->setLunBlkNum(io.blkNum);
            self.sendDown(comp, fc4, io.delay);
        };
        switch (msg->kind()) {
        case SCSI_CMD_RECVD: {
            auto* cmd = static_cast<ScsiCmdRecvd*>(msg);
            auto* cdb = object_at<ScsiCdb>(cmd->getCdbPtr());
            const unsigned char code = cdb->getCmdCode();
            self.commands.push_back(
                {self.simTime(), code, cmd->getIoId(), cmd->getLun(), cdb->getBlkAddr(), cdb->getDataLen()});
            const LunTarget& t = side->target;
            if (side->hasTarget && t.drop && t.drop(*cdb, cmd->getIoId())) {
                ++self.dropped;
                break;
            }
            LunSide::Io io{cmd->getFcpIndex(), cmd->getLun()};
            io.delay = side->hasTarget && t.delay ? t.delay(*cdb, cmd->getIoId()) : 0;
            long answerLength = 12;
            if (side->hasTarget && code == SCSI_RPTLUNS) {
                std::string list;
                for (unsigned long lun : t.luns)
                    list += (list.empty() ? "" : "\n") + std::to_string(lun);
                io.hasLunList = true;
                io.lunListPtr = side->answer_file(&self, "lunListFileId", "LunList", list);
                answerLength = 8 * static_cast<long>(t.luns.size()) + 8;
            } else if (side->hasTarget && code == SCSI_INQUIRY) {
                auto wwn = t.wwns.find(cmd->getLun());
                io.hasLunWwn = true;
                io.lunWwnPtr = side->answer_file(&self, "lunWwnFileId", "LunWwn",
                                                 wwn == t.wwns.end() ? std::string() : wwn->second);
            } else if (side->hasTarget && code == SCSI_MODSNS) {
                io.blkLen = cmd->getLun() == 0 ? 0 : t.blkSize;
                io.blkNum = cmd->getLun() == 0 ? 0 : t.blkNum;
                answerLength = 8;
            }
            side->ios[cmd->getIoId()] = io;
            if (code == SCSI_WRITE) {
                auto* rdo = new RecvDataOut("RECV_DATA_OUT", RECV_DATA_OUT);
                rdo->setLength(0);
                rdo->setFc4Index(fc4);
                rdo->setFcpIndex(cmd->getFcpIndex());
                rdo->setLun(cmd->getLun());
                rdo->setIoId(cmd->getIoId());
                rdo->setBurstLen(cdb->getDataLen());
                self.sendDown(rdo, fc4);
            } else {
                auto* data = new SendDataIn("SEND_DATA_IN", SEND_DATA_IN);
                const bool read = code == SCSI_READ;
                data->setLength(read ? static_cast<long>(cdb->getDataLen()) : answerLength);
                data->setReqSize(read ? cdb->getDataLen() : 0);
                data->setFc4Index(fc4);
                data->setFcpIndex(cmd->getFcpIndex());
                data->setLun(cmd->getLun());
                data->setIoId(cmd->getIoId());
                self.sendDown(data, fc4, io.delay);
                side->ios[cmd->getIoId()].delay = 0;
            }
            break;
        }
        case REQ_CMD_COMP: complete(static_cast<unsigned long>(msg->par("ioId").longValue())); break;
        case DATA_OUT_RECVD: complete(static_cast<DataOutRecvd*>(msg)->getIoId()); break;
        default: break;
        }
    };
}
