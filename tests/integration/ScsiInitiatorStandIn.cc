#include "tests/integration/ScsiInitiatorStandIn.h"

#include <algorithm>

#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"

namespace {

const sDescrItem scsiItems[] = {{'M', "default", nullptr, 0},
                                {'G', "from_llp", nullptr, 'I'},
                                {'G', "to_llp", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};

long cdb_length(unsigned char code)
{
    if (code == SCSI_READ || code == SCSI_WRITE)
        return 16;
    return code == SCSI_RPTLUNS ? 12 : 6;
}

} // namespace

ScsiInitiatorStandIn::~ScsiInitiatorStandIn()
{
    if (issueTimer_)
        delete cancelEvent(issueTimer_);
}

void ScsiInitiatorStandIn::activity()
{
    root_ = find_root(this);
    issueTimer_ = new cMessage("ISSUE_NEXT", 0, 0);
    for (;;) {
        cMessage* msg = receive();
        if (msg == issueTimer_) {
            issue_next();
            continue;
        }
        switch (msg->kind()) {
        case CREATE_IT_PATH:
            paths.push_back({simTime(), msg->par("fc4Index").longValue(), msg->par("fcpIndex").longValue(),
                             msg->par("iniAddrId").longValue(), msg->par("tarAddrId").longValue(),
                             msg->par("recTov").longValue(), msg->par("maxSioTry").longValue()});
            if (!pathOpen_) {
                pathOpen_ = true;
                fc4Index_ = paths.back().fc4Index;
                fcpIndex_ = paths.back().fcpIndex;
                if (next_ < plan.size() && !issueTimer_->isScheduled())
                    scheduleAt(std::max(simTime(), simtime_t(startAt)), issueTimer_);
            }
            break;
        case REMOVE_IT_PATH:
            if (msg->par("fcpIndex").longValue() == fcpIndex_)
                pathOpen_ = false;
            break;
        case DEV_DOWN:
            devDowns.push_back(simTime());
            pathOpen_ = false;
            windowFull_ = false;
            cancelEvent(issueTimer_);
            lost += static_cast<int>(outstanding_.size());
            outstanding_.clear();
            // Their exchanges went with the port: no FREE_LUNPT_SIO follows.
            confirmed_.clear();
            check_done();
            break;
        case FREE_LUNPT_SIO:
            if (confirmed_.empty()) {
                ++unexpectedFrees;
            } else {
                confirmed_.pop_front();
                ++freed;
                reopen_window();
            }
            break;
        case CMD_COMP_RECVD: take_completion(static_cast<CmdCompRecvd*>(msg)); break;
        default: error("SCSI initiator stand-in got %s", msg->name());
        }
        delete msg;
    }
}

void ScsiInitiatorStandIn::issue_next()
{
    if (!pathOpen_ || next_ >= plan.size())
        return;
    if (blocksHeld() >= window) {
        windowFull_ = true; // the next sub-I/O to end issues it
        return;
    }
    const Command& c = plan[next_++];
    auto cdb = std::make_unique<ScsiCdb>("SCSI_CMD", SCSI_CMD);
    cdb->setCmdCode(c.code);
    cdb->setDataLen(static_cast<std::uint32_t>(c.dataLen));
    cdb->setLength(cdb_length(c.code));
    auto* cmd = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
    cmd->setLength(0);
    cmd->setFc4Index(static_cast<int>(fc4Index_));
    cmd->setFcpIndex(static_cast<int>(fcpIndex_));
    cmd->setLun(0);
    const auto ioId = static_cast<unsigned long>(take_a_number(root_, "ioId"));
    cmd->setIoId(static_cast<std::uint32_t>(ioId));
    cmd->setCdbPtr(object_address(cdb.get()));
    outstanding_[ioId] = {std::move(cdb), simTime()};
    send(cmd, "to_llp");
    if (next_ < plan.size())
        scheduleAt(simTime() + spacing, issueTimer_);
}

void ScsiInitiatorStandIn::take_completion(CmdCompRecvd* comp)
{
    auto it = outstanding_.find(comp->getIoId());
    if (it == outstanding_.end())
        error("SCSI initiator stand-in: completion of unknown sub-I/O %lu",
              static_cast<unsigned long>(comp->getIoId()));
    const unsigned char code = it->second.cdb->getCmdCode();
    completions.push_back({simTime(), comp->getIoId(), code, comp->getStatus(), it->second.issuedAt});
    if (code != SCSI_WRITE) {
        auto* conf = new CmdCompConf("CMD_COMP_CONF", CMD_COMP_CONF);
        conf->setLength(0);
        conf->setFc4Index(comp->getFc4Index());
        conf->setFcpIndex(comp->getFcpIndex());
        conf->setLun(comp->getLun());
        conf->setIoId(comp->getIoId());
        send(conf, "to_llp");
        confirmed_.push_back(std::move(it->second.cdb));
    }
    outstanding_.erase(it);
    if (code == SCSI_WRITE)
        reopen_window();
    check_done();
}

void ScsiInitiatorStandIn::reopen_window()
{
    if (windowFull_) {
        windowFull_ = false;
        issue_next();
    }
}

void ScsiInitiatorStandIn::check_done()
{
    if (ioDoneAt >= 0 || completions.size() + static_cast<size_t>(lost) < plan.size() || next_ < plan.size())
        return;
    ioDoneAt = simTime();
    root_->par("ioDone").setBoolValue(true);
    if (root_->par("evDone").boolValue())
        root_->par("simDone").setBoolValue(true);
}

Define_Module_Interface(ScsiInitiatorStandIn, scsiItems);
Define_Module(ScsiInitiatorStandIn, 32768);
