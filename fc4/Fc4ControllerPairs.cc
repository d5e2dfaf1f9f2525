// The controller's FCP pairs: one per logged-in peer, allocated and
// removed through the processor, and the primitives that name them.

#include "device/WarningsLog.h"
#include "fc4/Fc4Controller.h"
#include "fc4/FcCodes.h"
#include "messages/MsgKinds.h"

void Fc4Controller::initFcpPairTbl()
{
    pairs_.initFcpPairTbl();
}

FcpPair* Fc4Controller::query_fcppair_by_fcpidx(int k)
{
    return pairs_.query_fcppair_by_fcpidx(k);
}

bool Fc4Controller::lookup_fcp_index(int k)
{
    return pairs_.lookup_fcp_index(k);
}

int Fc4Controller::get_fcpindex_by_eeindex(int eeIndex)
{
    return pairs_.get_fcpindex_by_eeindex(eeIndex);
}

unsigned long Fc4Controller::peer_of(const FcpPair& pair) const
{
    const cPar* peer = eePeers_.find(port_, pair.eeIndex);
    if (!peer)
        error("---> Found no Fc2.EePair[%d] in %s", pair.eeIndex, port_->fullPath().c_str());
    return static_cast<unsigned long>(peer->longValue());
}

FcpPair* Fc4Controller::query_fcppair(unsigned long id)
{
    return pairs_.query_fcppair(id, [this](const FcpPair& p) { return peer_of(p); });
}

void Fc4Controller::alloc_fcppair(cMessage* msg)
{
    const int eeIndex = static_cast<int>(msg->par("eeIndex").longValue());
    const int portIndex = static_cast<int>(msg->par("portIndex").longValue());
    const int maxConCurrIu = static_cast<int>(msg->par("maxConCurrIu").longValue());
    const int recTov = static_cast<int>(msg->par("newRecTov").longValue());
    FcpPair* pair = pairs_.take(eeIndex, portIndex, maxConCurrIu, recTov);
    delete msg;
    if (!pair)
        error("ERROR: Couldn't allocate an FcpPair. Please enlarge maxFcpPair parameter!");
    cMessage* alloc = plain("ALLOC_FCPPAIR", ALLOC_FCPPAIR);
    alloc->addPar("maxConCurrIu").setLongValue(pair->maxConCurrIu);
    alloc->addPar("eeIndex").setLongValue(pair->eeIndex);
    alloc->addPar("portIndex").setLongValue(pair->portIndex);
    alloc->addPar("fcpIndex").setLongValue(pair->fcpIdx);
    alloc->addPar("recTov").setLongValue(pair->recTov);
    req_cpu_proc(alloc, false);
}

void Fc4Controller::remove_fcppair(cMessage* msg)
{
    FcpPair* pair = pairs_.find(static_cast<int>(msg->par("eeIndex").longValue()),
                                static_cast<int>(msg->par("portIndex").longValue()));
    delete msg;
    if (!pair) {
        warnings(LogKind::WARNING, "Couldn't remove an FcpPair!");
        return;
    }
    const int k = pair->fcpIdx;
    pair->release();
    cMessage* remove = plain("REMOVE_FCPPAIR", REMOVE_FCPPAIR);
    remove->addPar("fcpIndex").setLongValue(k);
    req_cpu_proc(remove, false);
}

void Fc4Controller::proc_oesb_free(cMessage* msg)
{
    const int eeIndex = static_cast<int>(msg->par("eeIndex").longValue());
    if (eeIndex == 0) {
        // The link-service pair: the block belongs to one of the two link
        // services, and each looks for it.
        for (unsigned type : {TYPE_GS, TYPE_ELS}) {
            cMessage* copy = msg->dup();
            copy->addPar("type").setLongValue(type);
            req_cpu_proc(copy, true);
        }
        delete msg;
        return;
    }
    FcpPair* pair = pairs_.find(eeIndex, static_cast<int>(msg->par("portIndex").longValue()));
    if (!pair)
        error("ERROR: Found no expected FCP for OESB_FREE!");
    cMessage* free = plain("FREE_LUNPT_SIO", FREE_LUNPT_SIO);
    free->addPar("initiator").setLongValue(site_->fc4Index());
    free->addPar("target").setLongValue(pair->fcpIdx);
    send(free, toUlp_);
    delete msg;
}

void Fc4Controller::pass_with_ee_index(cMessage* msg, const char* missingText)
{
    FcpPair* pair = query_fcppair_by_fcpidx(static_cast<int>(msg->par("fcpIdx").longValue()));
    if (!pair) {
        // The peer logged out while the engine worked on the exchange; its
        // removal in FC-2 took the exchange with it.
        warnings(LogKind::WARNING, missingText);
        delete_message(msg);
        return;
    }
    msg->addPar("eeIdx").setLongValue(pair->eeIndex);
    send(msg, toFc2_);
}

void Fc4Controller::pass_path_message(cMessage* msg)
{
    msg->addPar("fc4Index").setLongValue(site_->fc4Index());
    if (msg->kind() == CREATE_IT_PATH && !fcpIni()) {
        delete msg; // only initiators build I-T paths
        return;
    }
    send(msg, toUlp_);
}
