#include "switch/SwitchNameServer.h"

#include <cstdio>
#include <fstream>

#include "device/FileNameString.h"
#include "device/InputFile.h"
#include "device/OutputFile.h"
#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "network/TempFileRecycling.h"
#include "sim/Sim.h"
#include "switch/FspfProtocol.h"
#include "switch/SwitchPortTable.h"

namespace {

constexpr unsigned RFF_ID_CODE = 0x021F;
constexpr long FC4_TYPE_SCSI_FCP = 8;

} // namespace

SwitchNameServer::SwitchNameServer(const cModule* owner, const SwitchPortTable& ports, const FspfProtocol& fspf)
    : owner_(owner), ports_(ports), fspf_(fspf)
{
}

void SwitchNameServer::initNsDb(cModule* root, std::uint32_t domain)
{
    root_ = root;
    domainId_ = domain;
    const long size = root_long_setting(owner_, root_, "maxNsDbEntry");
    if (size < 1)
        owner_->error("---> maxNsDbEntry must >= 1. Please check the file \"omnetpp.ini\"");
    if (size < root_->par("realNxPortNum").longValue())
        owner_->error("---> Maximum %ld NxPorts can be installed. Please consider a larger value for \"maxNsDbEntry\" "
                      "in the file \"omnetpp.ini\"",
                      size);
    nsDb_.create(static_cast<int>(size));
}

void SwitchNameServer::add_n_port(std::uint32_t portId)
{
    if (!nsDb_.add(portId))
        owner_->error("---> Couldn't get a free NsDB record");
}

// ---- Registration and queries --------------------------------------------------------------

void SwitchNameServer::proc_rff_id(FcGsPacket* packet, int port)
{
    EV << "Received a new NS entry, checking and updating NsDb ... \n";
    if (packet->getCmdCode() != RFF_ID_CODE)
        owner_->error("---> proc_rff_id : currently we only support RFF_ID registration operation");
    const auto portId = static_cast<std::uint32_t>(packet->getPortId());
    NsDbEntry* entry = nsDb_.find(portId);
    if (!entry) {
        warnings(owner_, LogKind::WARNING, "Expecting an NsDb entry presented for RFF_ID", OpenFailText::QUOTED);
    } else if (entry->fcpFeature == NameServerDatabase::UNIDENTIFIED) {
        entry->fcpFeature = packet->getFcpIni() ? 1 : 0;
        nsDb_.count_registration();
        flood_rscn(port, portId, true);
    } else {
        EV << "RFF_ID operation already done. Nothing to do here.\n";
    }
    discard_message(packet);
}

cMessage* SwitchNameServer::gs_answer(const char* name, int kind, cMessage* query) const
{
    auto* answer = new cMessage(name, kind, 0);
    answer->addPar("sId").setLongValue(query->par("dId").longValue());
    answer->addPar("dId").setLongValue(query->par("sId").longValue());
    answer->addPar("fc4MemAddr").setLongValue(query->par("fc4MemAddr").longValue());
    return answer;
}

std::string SwitchNameServer::create_gidft_file()
{
    return take_temp_file_name(root_, "gidFtFileId", "GidFt");
}

void SwitchNameServer::proc_gid_ft(cMessage* msg, int port)
{
    EV << "Received a new GID_FT query, checking ... \n";
    if (msg->par("fc4Type").longValue() != FC4_TYPE_SCSI_FCP)
        owner_->error("---> proc_gid_ft : we only support GID_FT for SCSI_FCP");
    const std::string path = create_gidft_file();
    OutputStream out = OutputStream::overwriting(owner_, path);
    if (!out)
        owner_->error("---> proc_gid_ft : couldn't open file \"%s\": %s", path.c_str(), out.openFailure().c_str());
    const bool fromNPort = ports_.f_port(port);
    const auto asker = static_cast<std::uint32_t>(msg->par("sId").longValue());
    long count = 0;
    for (const NsDbEntry& e : nsDb_.entries()) {
        if (!e.used || (fromNPort && !check_zone_conf(asker, e.portId)))
            continue;
        out << e.portId << "\n";
        ++count;
    }
    out.finish();
    cMessage* acc = gs_answer("ACC_GID_FT", ACC_GID_FT, msg);
    acc->addPar("entryNum").setLongValue(count);
    acc->addPar("gidFtFileName").setStringValue(path.c_str());
    out_.to_port(acc, port);
    delete msg;
}

void SwitchNameServer::proc_gff_id(FcGsPacket* packet, cMessage* msg, int port)
{
    EV << "Received a new GFF_ID query, checking ... \n";
    const auto portId = static_cast<std::uint32_t>(packet->getPortId());
    const NsDbEntry* entry = nsDb_.find(portId);
    bool accept = entry && entry->fcpFeature != NameServerDatabase::UNIDENTIFIED;
    if (accept && ports_.f_port(port))
        accept = check_zone_conf(static_cast<std::uint32_t>(msg->par("sId").longValue()), portId);
    cMessage* answer;
    if (accept) {
        answer = new cMessage("ACC_GFF_ID", ACC_GFF_ID, 0);
        answer->addPar("fcpFeature").setLongValue(entry->fcpFeature);
    } else {
        answer = new cMessage("RJT_GFF_ID", RJT_GFF_ID, 0);
    }
    answer->addPar("portId").setLongValue(static_cast<long>(portId));
    answer->addPar("sId").setLongValue(msg->par("dId").longValue());
    answer->addPar("dId").setLongValue(msg->par("sId").longValue());
    answer->addPar("fc4MemAddr").setLongValue(msg->par("fc4MemAddr").longValue());
    out_.to_port(answer, port);
    discard_message(packet);
    delete msg;
}

void SwitchNameServer::ask_features(std::uint32_t portId, int port)
{
    auto* req = new cMessage("REQ_GFF_ID", REQ_GFF_ID, 0);
    req->addPar("portId").setLongValue(static_cast<long>(portId));
    req->addPar("destDom").setLongValue(fspf_.get_dest_dom(port));
    out_.to_port(req, port);
}

// ---- What the neighbour switches tell and ask ----------------------------------------------

void SwitchNameServer::proc_sw_rscn(SwIlsPacket* packet, int port)
{
    EV << "Processing SW_RSCN received from port[" << port << "] ... \n";
    const auto portId = static_cast<std::uint32_t>(packet->getPortId());
    if (!packet->getPortOnline()) {
        if (nsDb_.drop_first_registered(portId))
            flood_rscn(port, portId, false);
    } else if (NsDbEntry* entry = nsDb_.find(portId)) {
        if (entry->fcpFeature == NameServerDatabase::UNIDENTIFIED)
            ask_features(portId, port);
        EV << "Not a new NS entry. Don't care.\n";
    } else {
        add_n_port(portId);
        ask_features(portId, port);
    }
    discard_message(packet);
}

void SwitchNameServer::recv_pid_list(FcGsPacket* packet, int port)
{
    const std::string path = take_file_name_string(packet->getGidFtFileNamePtr());
    packet->setGidFtFileNamePtr(0);
    std::ifstream in = open_input_file(owner_, path, "---> recv_pid_list : couldn't open file \"%s\"");
    for (int k = 0; k < packet->getEntryNum(); ++k) {
        unsigned long id = 0;
        if (!(in >> id))
            break;
        const auto portId = static_cast<std::uint32_t>(id);
        NsDbEntry* entry = nsDb_.find(portId);
        if (!entry) {
            add_n_port(portId);
            ask_features(portId, port);
        } else if (entry->fcpFeature == NameServerDatabase::UNIDENTIFIED) {
            ask_features(portId, port);
        }
    }
    in.close();
    remove_temp_file(root_, path);
    discard_message(packet);
}

void SwitchNameServer::ask_port_lists()
{
    for (int i = 0; i < ports_.size(); ++i) {
        if (!fspf_.adjacent_e_port(i))
            continue;
        auto* req = new cMessage("REQ_GID_FT", REQ_GID_FT, 0);
        req->addPar("destDom").setLongValue(fspf_.get_dest_dom(i));
        out_.to_port(req, i);
    }
}

// ---- State-change notification ------------------------------------------------------------

void SwitchNameServer::flood_rscn(int skipPort, std::uint32_t portId, bool online)
{
    for (int j = 0; j < ports_.size(); ++j) {
        if (j == skipPort)
            continue;
        if (ports_.f_port(j)) {
            const auto dest =
                static_cast<std::uint32_t>((domainId_ & 0xFF) << 16 | (ports_.area_of(j) & 0xFF) << 8 | j);
            issue_rscn(j, portId, dest);
        } else if (fspf_.adjacent_e_port(j)) {
            issue_sw_rscn(j, portId, online, fspf_.get_dest_dom(j));
        }
    }
}

void SwitchNameServer::issue_rscn(int port, std::uint32_t portId, std::uint32_t destAddrId)
{
    EV << "About to issue RSCN to port[" << port << "] ... \n";
    auto* rscn = new cMessage("ISSUE_RSCN", ISSUE_RSCN, 0);
    rscn->addPar("portId").setLongValue(static_cast<long>(portId));
    rscn->addPar("destAddrId").setLongValue(static_cast<long>(destAddrId));
    out_.to_port(rscn, port);
}

void SwitchNameServer::issue_sw_rscn(int port, std::uint32_t portId, bool online, int destDom)
{
    EV << "About to issue SW_RSCN to port[" << port << "] ... \n";
    auto* rscn = new cMessage("ISSUE_SW_RSCN", ISSUE_SW_RSCN, 0);
    rscn->addPar("portId").setLongValue(static_cast<long>(portId));
    rscn->addPar("portOnline").setBoolValue(online);
    rscn->addPar("destDom").setLongValue(destDom);
    out_.to_port(rscn, port);
}

void SwitchNameServer::lose_f_port(int port)
{
    const auto id = static_cast<std::uint32_t>(domainId_ << 16 | ports_.area_of(port) << 8 | port);
    nsDb_.drop_registered(id);
    flood_rscn(port, id, false);
}

void SwitchNameServer::drop_domain(std::uint32_t domain)
{
    for (const NsDbEntry& e : nsDb_.entries()) {
        if (!e.used || (e.portId >> 16) != domain || e.fcpFeature == NameServerDatabase::UNIDENTIFIED)
            continue;
        const std::uint32_t portId = e.portId;
        nsDb_.drop_first_registered(portId);
        flood_rscn(-1, portId, false);
    }
}
