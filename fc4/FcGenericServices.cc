#include "fc4/FcGenericServices.h"

#include "device/FileNameString.h"
#include "fc4/ExchangeKeys.h"
#include "fc4/FcCodes.h"
#include "messages/MsgKinds.h"

using namespace fc4;

namespace {

const sDescrItem fcGsItems[] = {{'M', "default", nullptr, 0},
                                {'P', "currConCurrIu", "LDXFT", 0},
                                {'G', "from_fc4ctrl", nullptr, 'I'},
                                {'G', "to_fc4ctrl", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};

const PoolTexts fcGsTexts = {
    "ERROR: Couldn't get a free FcGs OSB!",
    "ERROR: Couldn't get a free FcGs RSB!",
    "ERROR: cost_a_cciu exceeded maximum allowable ConCurrIu value - %d !",
    "ERROR: Exceeded minimum allowable ConCurrIu value - 0!",
};

EnvelopeRoute answerRoute(unsigned long sId, unsigned long dId, bool xferSeqInit, int classOfSrv)
{
    EnvelopeRoute r;
    r.sId = sId;
    r.dId = dId;
    r.rCtl = RCTL_GS_REPLY;
    r.type = TYPE_GS;
    r.firstSeq = false;
    r.lastSeq = true;
    r.xferSeqInit = xferSeqInit;
    r.classOfSrv = classOfSrv;
    return r;
}

} // namespace

FcGenericServices::FcGenericServices(const char* name, cModule* parent, unsigned stackSize)
    : Fc4Service(name, parent, stackSize, fcGsTexts)
{
}

FcGenericServices::~FcGenericServices() = default;

void FcGenericServices::activity()
{
    locate();
    start_service(site_->defConCurrSeq());
    for (;;)
        handle(receive());
}

void FcGenericServices::handle(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    switch (msg->kind()) {
    case FC_SEQ_PAYLOAD: wrap_in_cost(msg, "FC_GS_RECV_COST", FC_GS_RECV_COST, timing_.recv); break;
    case REQ_RFF_ID:
    case REQ_GFF_ID:
    case ACC_GFF_ID:
    case RJT_GFF_ID:
    case REQ_GID_FT:
    case ACC_GID_FT: wrap_in_cost(msg, "FC_GS_SEND_COST", FC_GS_SEND_COST, timing_.send); break;
    case FC_GS_RECV_COST: proc_recv_cost(msg); break;
    case FC_GS_SEND_COST: proc_msg_send(msg); break;
    case OESB_FREE:
        // A request that got no answer ends with its exchange.
        free_block_of(msg);
        break;
    case INIT_FCGS:
        reset_service();
        delete msg;
        break;
    default: error("ERROR: No idea know how to handle message: %s !", msg->name());
    }
}

FcGsPacket* FcGenericServices::new_packet(const char* name, unsigned cmdCode, unsigned long msgLen) const
{
    // Link-service packets carry their frame TYPE as kind.
    auto* packet = new FcGsPacket(name, static_cast<int>(TYPE_GS));
    packet->setGsType(GS_TYPE_DIRECTORY);
    packet->setGsSubType(GS_SUBTYPE_NAME_SERVER);
    packet->setCmdCode(static_cast<std::uint16_t>(cmdCode));
    packet->setMsgLen(static_cast<std::uint32_t>(msgLen));
    packet->setLength(static_cast<long>(msgLen));
    return packet;
}

unsigned long FcGenericServices::domain_controller(long domain) const
{
    return DOMAIN_CONTROLLER_BASE + static_cast<unsigned long>(domain);
}

// ---- Requests ----------------------------------------------------------------------

void FcGenericServices::proc_msg_send(cMessage* cost)
{
    cMessage* req = cost->decapsulate();
    if (!req)
        error("ERROR: FC_GS_SEND_COST expected encapsulated message!");
    switch (req->kind()) {
    case REQ_RFF_ID:
        request_rff_id();
        delete req;
        break;
    case REQ_GFF_ID: request_gff_id(req); break;
    case ACC_GFF_ID:
    case RJT_GFF_ID: acc_gff_id(req); break;
    case REQ_GID_FT: request_gid_ft(req); break;
    case ACC_GID_FT: acc_gid_ft(req); break;
    default: error("ERROR: No idea know how to handle message: %s !", req->name());
    }
    delete cost;
    release_resource();
}

void FcGenericServices::open_request(FcGsPacket* packet, long destDom)
{
    FcGsSb* sb = obtain_an_osb();
    sb->fc4MemAddr = static_cast<std::uint32_t>(obtain_fc4_addr());
    sb->cmdCode = packet->getCmdCode();
    sb->gsType = packet->getGsType();
    sb->gsSubType = packet->getGsSubType();
    sb->sbOpen = true;
    sb->sbDone = false;
    cost_a_cciu();

    EnvelopeRoute r;
    r.rCtl = RCTL_GS_REQUEST;
    r.type = TYPE_GS;
    r.firstSeq = true;
    r.lastSeq = false;
    r.xferSeqInit = true;
    r.ssbSizes(1, 1, 1, 1);
    if (site_->isSwitchPort()) {
        r.sId = domain_controller(site_->port()->parentModule()->par("domainId").longValue());
        r.dId = domain_controller(destDom);
        r.classOfSrv = CLASS_F;
    } else {
        r.sId = static_cast<unsigned long>(site_->port()->par("addressId").longValue());
        r.dId = NAME_SERVER_ID;
        r.classOfSrv = CLASS_3;
    }
    to_controller(new_envelope(packet, sb->fc4MemAddr, *site_, r));
}

void FcGenericServices::request_rff_id()
{
    EV << "Initiating Name Server Registration ... \n";
    if (role_ != ROLE_NODE_PORT)
        error("ERROR: Switch Port can not request NS Registration!");
    cModule* port = site_->port();
    const long own = port->par("addressId").longValue();
    if (own == 0)
        error("ERROR: Address_ID should be assigned before regsitering to Name Server!");
    FcGsPacket* packet = new_packet("FC_GS_RFFID", CT_RFF_ID, 48);
    packet->setPortId(static_cast<std::uint32_t>(own));
    packet->setFcpIni(port->par("fcpIni").boolValue());
    open_request(packet, 0);
}

void FcGenericServices::request_gid_ft(cMessage* req)
{
    EV << "Requesting GID_FT to adjacent Switch Name Server ... \n";
    FcGsPacket* packet = new_packet("FC_GS_GIDFT", CT_GID_FT, 40);
    packet->setFc4Type(TYPE_SCSI_FCP);
    open_request(packet, req->hasPar("destDom") ? req->par("destDom").longValue() : 0);
    delete req;
}

void FcGenericServices::request_gff_id(cMessage* req)
{
    EV << "Requesting GFF_ID to adjacent Switch Name Server ... \n";
    FcGsPacket* packet = new_packet("FC_GS_GFFID", CT_GFF_ID, 40);
    packet->setPortId(static_cast<std::uint32_t>(req->par("portId").longValue()));
    open_request(packet, req->hasPar("destDom") ? req->par("destDom").longValue() : 0);
    delete req;
}

// ---- Switch side: requests received and the name server's answers ---------------------

FcGsSb* FcGenericServices::open_answer(FcGsPacket* packet, FcSeqPayload* seq, const char* nodePortText,
                                       const char* duplicateText)
{
    if (role_ != ROLE_SWITCH_PORT)
        error("%s", nodePortText);
    if (find_an_sb(seq->getFc4MemAddr()))
        error("%s", duplicateText);
    FcGsSb* sb = obtain_an_rsb();
    sb->gsType = packet->getGsType();
    sb->gsSubType = packet->getGsSubType();
    sb->cmdCode = packet->getCmdCode();
    sb->sbDone = false;
    sb->sbOpen = true;
    sb->fc4MemAddr = seq->getFc4MemAddr();
    return sb;
}

void FcGenericServices::acc_rff_id(FcGsPacket* packet, FcSeqPayload* seq)
{
    EV << "ACC a NS Registration ... \n";
    FcGsSb* sb = open_answer(packet, seq, "ERROR: N_Port can not ACC NS Registration!",
                             "ERROR: Found duplicate fc4MemAddr for NS Registration request!");
    FcGsPacket* accept = new_packet("FC_GS_RFFID_ACC", CT_ACCEPT, 32);
    accept->setGsType(sb->gsType);
    accept->setGsSubType(sb->gsSubType);
    to_controller(
        new_envelope(accept, sb->fc4MemAddr, *site_, answerRoute(NAME_SERVER_ID, seq->getSId(), true, CLASS_3)));
    cMessage* got = plain("GOT_RFF_ID", GOT_RFF_ID);
    got->encapsulate(packet);
    to_controller(got);
    delete seq;
    sb->finish();
}

void FcGenericServices::proc_gid_ft(FcGsPacket* packet, FcSeqPayload* seq)
{
    EV << "Received a GID_FT request ... \n";
    FcGsSb* sb = open_answer(packet, seq, "ERROR: N_Port can not receive GID_FT request!",
                             "ERROR: Found duplicate fc4MemAddr for GID_FT request!");
    cMessage* got = plain("GOT_GID_FT", GOT_GID_FT);
    got->addPar("sId").setLongValue(seq->getSId());
    got->addPar("dId").setLongValue(seq->getDId());
    got->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
    got->addPar("fc4Type").setLongValue(packet->getFc4Type());
    to_controller(got);
    delete packet;
    delete seq;
}

void FcGenericServices::proc_gff_id(FcGsPacket* packet, FcSeqPayload* seq)
{
    EV << "Received a GFF_ID request ... \n";
    FcGsSb* sb = open_answer(packet, seq, "ERROR: N_Port can not receive GFF_ID request!",
                             "ERROR: Found duplicate fc4MemAddr for GFF_ID request!");
    cMessage* got = plain("GOT_GFF_ID", GOT_GFF_ID);
    got->addPar("sId").setLongValue(seq->getSId());
    got->addPar("dId").setLongValue(seq->getDId());
    got->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
    got->encapsulate(packet);
    to_controller(got);
    delete seq;
}

FcGsSb* FcGenericServices::answered_block(cMessage* answer, const char* missingText)
{
    FcGsSb* sb = find_an_sb(static_cast<unsigned long>(answer->par("fc4MemAddr").longValue()));
    if (!sb)
        error("%s", missingText);
    return sb;
}

void FcGenericServices::acc_gid_ft(cMessage* answer)
{
    EV << "Switch Ctrl completed processing GID_FT request, now return an ACC ... \n";
    if (role_ != ROLE_SWITCH_PORT)
        error("ERROR: N_Port can not ACC GID_FT request!");
    FcGsSb* sb = answered_block(answer, "ERROR: Found no requested fc4MemAddr for GID_FT request!");
    const int entryNum = static_cast<int>(answer->par("entryNum").longValue());
    FcGsPacket* accept = new_packet("FC_GS_GIDFT_ACC", CT_ACCEPT, 16 + 4 * static_cast<unsigned long>(entryNum));
    accept->setGsType(sb->gsType);
    accept->setGsSubType(sb->gsSubType);
    accept->setEntryNum(entryNum);
    accept->setGidFtFileNamePtr(new_file_name_string(answer->par("gidFtFileName").stringValue()));
    const auto dId = static_cast<unsigned long>(answer->par("dId").longValue());
    const auto sId = static_cast<unsigned long>(answer->par("sId").longValue());
    to_controller(new_envelope(accept, sb->fc4MemAddr, *site_,
                               answerRoute(sId, dId, false, is_nport_id(dId) ? CLASS_3 : CLASS_F)));
    delete answer;
    sb->finish();
}

void FcGenericServices::acc_gff_id(cMessage* answer)
{
    EV << "Switch Ctrl completed processing GFF_ID request, now return an ACC/RJT ... \n";
    if (role_ != ROLE_SWITCH_PORT)
        error("ERROR: N_Port can not ACC/RJT GFF_ID request!");
    FcGsSb* sb = answered_block(answer, "ERROR: Found no requested fc4MemAddr for GFF_ID request!");
    const bool accepted = answer->kind() == ACC_GFF_ID;
    FcGsPacket* reply = new_packet("FC_GS_GFFID_ACC", accepted ? CT_ACCEPT : CT_REJECT, accepted ? 296 : 40);
    reply->setGsType(sb->gsType);
    reply->setGsSubType(sb->gsSubType);
    reply->setPortId(static_cast<std::uint32_t>(answer->par("portId").longValue()));
    if (accepted)
        reply->setFcpIni(answer->par("fcpFeature").longValue() == 1);
    const auto dId = static_cast<unsigned long>(answer->par("dId").longValue());
    const auto sId = static_cast<unsigned long>(answer->par("sId").longValue());
    to_controller(new_envelope(reply, sb->fc4MemAddr, *site_,
                               answerRoute(sId, dId, false, is_nport_id(dId) ? CLASS_3 : CLASS_F)));
    delete answer;
    sb->finish();
}

// ---- Receiving ----------------------------------------------------------------------

void FcGenericServices::proc_recv_cost(cMessage* cost)
{
    cMessage* inner = cost->decapsulate();
    if (!inner || inner->kind() != FC_SEQ_PAYLOAD)
        error("ERROR: FC_GS_RECV_COST expected FC_SEQ_PAYLOAD!");
    auto* seq = static_cast<FcSeqPayload*>(inner);
    if (!seq->getHasCtxPtr())
        error("ERROR: FcSeqPayload expecting context ptr to FcGsPacket.");
    auto* original = object_at<FcGsPacket>(seq->getCtxPtr());
    FcGsPacket* copy = original->dup();
    delete original;
    proc_recv_fcgs(copy, seq);
    delete cost;
    release_resource();
}

void FcGenericServices::proc_recv_fcgs(FcGsPacket* packet, FcSeqPayload* seq)
{
    if (packet->getGsType() != GS_TYPE_DIRECTORY || packet->getGsSubType() != GS_SUBTYPE_NAME_SERVER)
        error("ERROR: The combination of GS_Type and GS_SubType is unsupported! Currently we only support "
              "combination of DIR_SRV with NAME_SRV!");
    switch (packet->getCmdCode()) {
    case CT_GFF_ID: proc_gff_id(packet, seq); break;
    case CT_GID_FT: proc_gid_ft(packet, seq); break;
    case CT_RFF_ID: acc_rff_id(packet, seq); break;
    case CT_REJECT:
    case CT_ACCEPT: proc_ct_acc(packet, seq); break;
    default: error("ERROR: proc_recv_fcgs does not know how to handle %s !", packet->name());
    }
}

void FcGenericServices::proc_ct_acc(FcGsPacket* packet, FcSeqPayload* seq)
{
    EV << "ACC to NS request received ... \n";
    FcGsSb* sb = find_an_sb(seq->getFc4MemAddr());
    if (!sb)
        error("ERROR: Found no requested OSB for NS registration/query!");
    // What was asked decides, not the answer's name.
    switch (sb->cmdCode) {
    case CT_GFF_ID:
        if (role_ == ROLE_NODE_PORT) {
            cMessage* found;
            if (packet->getCmdCode() != CT_ACCEPT)
                found = plain("NPORT_LOST", NPORT_LOST);
            else if (packet->getFcpIni())
                found = plain("INITIATOR_FOUND", INITIATOR_FOUND);
            else
                found = plain("TARGET_FOUND", TARGET_FOUND);
            found->addPar("portId").setLongValue(packet->getPortId());
            to_controller(found);
        } else if (packet->getCmdCode() == CT_ACCEPT) {
            // The remote port is entered in this switch's name server as if
            // its registration had arrived here.
            FcGsPacket* reg = new_packet("NS_REG", CT_RFF_ID, 48);
            reg->setPortId(packet->getPortId());
            reg->setFcpIni(packet->getFcpIni());
            cMessage* got = plain("GOT_RFF_ID", GOT_RFF_ID);
            got->encapsulate(reg);
            to_controller(got);
        }
        delete packet;
        delete seq;
        break;
    case CT_GID_FT: {
        // The receiver owns the packet and the file name it carries.
        cMessage* list = plain("RECV_PID_LIST", RECV_PID_LIST);
        list->encapsulate(packet);
        to_controller(list);
        delete seq;
        break;
    }
    case CT_RFF_ID:
        if (role_ != ROLE_NODE_PORT)
            error("ERROR: Switch Port shouldn't receive ACC to RFF_ID request!");
        // Any answer, accept or reject, counts as registration.
        site_->layer()->par("nsRegDone").setBoolValue(true);
        delete packet;
        delete seq;
        to_controller(plain("REQ_GID_FT", REQ_GID_FT));
        break;
    default: error("ERROR: proc_ct_acc does not know how to handle ACC to message %s !", packet->name());
    }
    sb->finish();
    free_a_cciu();
}

Define_Module_Interface(FcGenericServices, fcGsItems);
Define_Module(FcGenericServices, 8192);
