#include "fcport/Fc2EeStat.h"

#include "device/OutputFile.h"
#include "fcport/EeStatTable.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"

Fc2EeStat::Fc2EeStat(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), eeStatQue_("EE_STAT_QUE")
{
    own_eestat_tables(eeStatQue_);
}

void Fc2EeStat::initialize()
{
    eeStatQue_.setName("EE_STAT_QUE");
    addPar("eeStatQuePtr").setLongValue(object_address(&eeStatQue_));
    device_ = parentModule();
}

void Fc2EeStat::activity()
{
    root_ = find_root(this);
    period_ = time_scale_seconds(this, root_, "eeStatTimeScale");
    simDone_ = &root_->par("simDone");
    scheduleAt(simTime() + period_, new cMessage("EE_STAT", EE_STAT, 0));
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        switch (msg->kind()) {
        case EE_STAT:
            delete msg;
            write_eestat_files();
            break;
        default: {
            const std::string name = msg->name();
            delete msg;
            error("---> No idea know how to handle message: %s", name.c_str());
        }
        }
    }
}

void Fc2EeStat::write_eestat_files()
{
    for (void* item : eeStatQue_) {
        auto* table = static_cast<EeStatTable*>(item);
        if (table->fileOpen) {
            write_eestat_file(table);
        } else if (table->exchCom != 0 || table->exchNew != 0 || table->frmRcvd != 0) {
            table->fileOpen = true;
            create_eestat_file(table);
            write_eestat_file(table);
        }
        table->clear_sums();
    }
    if (simDone_->boolValue())
        return;
    scheduleAt(simTime() + period_, new cMessage("EE_STAT", EE_STAT, 0));
}

void Fc2EeStat::create_eestat_file(EeStatTable* table)
{
    const std::string path = output_path(root_, "fc2EeStatDir", eestat_file_name(*table), "");
    table->file = open_output_file(this, path, true);
    write_eestat_header(table->file);
}

void Fc2EeStat::write_eestat_file(EeStatTable* table)
{
    const bool known = is_known_pair(*table);
    write_eestat_row(table->file, *table, simTime(), period_, known);
    if (!known)
        table->route.clear();
    table->file.end_row();
}

bool Fc2EeStat::is_known_pair(const EeStatTable& table) const
{
    const long ports = device_->par("nxPortNum").longValue();
    for (int i = 0; i < ports; ++i) {
        cModule* port = device_->submodule("NxPort", i);
        if (!port || static_cast<std::uint32_t>(port->par("addressId").longValue()) != table.localId)
            continue;
        cModule* fc2 = port->submodule("Fc2");
        const long pairs = port->par("maxEePair").longValue();
        for (int j = 1; fc2 && j <= pairs; ++j) {
            cModule* pair = fc2->submodule("EePair", j);
            if (pair && static_cast<std::uint32_t>(pair->par("peerAddrId").longValue()) == table.remoteId)
                return true;
        }
    }
    return false;
}

void Fc2EeStat::finish()
{
    for (void* item : eeStatQue_) {
        auto* table = static_cast<EeStatTable*>(item);
        if (table->fileOpen)
            table->file.finish();
    }
}

cLinkedList* eestat_queue_of(cModule* eeStat)
{
    if (!eeStat || !eeStat->hasPar("eeStatQuePtr"))
        return nullptr;
    return object_at<cLinkedList>(eeStat->par("eeStatQuePtr").longValue());
}

static const sDescrItem fc2EeStatItems[] = {{'M', "default", nullptr, 0}, {'E', nullptr, nullptr, 0}};

Define_Module_Interface(Fc2EeStat, fc2EeStatItems);
Define_Module(Fc2EeStat, 16384);
