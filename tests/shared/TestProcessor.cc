#include "tests/shared/TestProcessor.h"

#include <map>
#include <memory>

#include "fc4/SequenceEnvelope.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
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

void TestProcessor::answerAsLunControllers()
{
    struct Io {
        int fcpIndex;
        unsigned long lun;
    };
    auto ios = std::make_shared<std::map<unsigned long, Io>>();
    onUpper = [ios](TestProcessor& self, cMessage* msg, int fc4) {
        auto complete = [&](unsigned long ioId) {
            const Io io = (*ios)[ioId];
            auto* comp = new SendCmdComp("SEND_CMD_COMP", SEND_CMD_COMP);
            comp->setLength(0);
            comp->setFc4Index(fc4);
            comp->setFcpIndex(io.fcpIndex);
            comp->setLun(io.lun);
            comp->setIoId(static_cast<std::uint32_t>(ioId));
            self.sendDown(comp, fc4);
        };
        switch (msg->kind()) {
        case SCSI_CMD_RECVD: {
            auto* cmd = static_cast<ScsiCmdRecvd*>(msg);
            auto* cdb = object_at<ScsiCdb>(cmd->getCdbPtr());
            (*ios)[cmd->getIoId()] = {cmd->getFcpIndex(), cmd->getLun()};
            if (cdb->getCmdCode() == SCSI_WRITE) {
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
                const bool read = cdb->getCmdCode() == SCSI_READ;
                data->setLength(read ? static_cast<long>(cdb->getDataLen()) : 12);
                data->setReqSize(read ? cdb->getDataLen() : 0);
                data->setFc4Index(fc4);
                data->setFcpIndex(cmd->getFcpIndex());
                data->setLun(cmd->getLun());
                data->setIoId(cmd->getIoId());
                self.sendDown(data, fc4);
            }
            break;
        }
        case REQ_CMD_COMP:
            complete(static_cast<unsigned long>(msg->par("ioId").longValue()));
            break;
        case DATA_OUT_RECVD:
            complete(static_cast<DataOutRecvd*>(msg)->getIoId());
            break;
        default:
            break;
        }
    };
}
