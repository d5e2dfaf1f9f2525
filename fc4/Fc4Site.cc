#include "fc4/Fc4Site.h"

#include <cstring>

#include "fc4/FcCodes.h"
#include "fcport/FcPortTiming.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "sim/cModule.h"

Fc4Site::Fc4Site(const cModule* module)
    : module_(module), root_(find_root(module)), layer_(module->parentModule()), device_(layer_->parentModule())
{
    switchPort_ = std::strcmp(device_->name(), "SwPort") == 0;
    if (switchPort_) {
        port_ = device_;
    } else {
        port_ = device_->submodule("NxPort", fc4Index());
        if (!port_)
            module->error("---> Found no NxPort[%d] beside %s", fc4Index(), layer_->fullPath().c_str());
    }
}

int Fc4Site::role() const
{
    return switchPort_ ? fc4::ROLE_SWITCH_PORT : fc4::ROLE_NODE_PORT;
}

int Fc4Site::fc4Index() const
{
    return layer_->isVector() ? layer_->index() : 0;
}

bool Fc4Site::isChip() const
{
    return std::strcmp(device_->name(), "Chip") == 0;
}

long Fc4Site::defConCurrSeq() const
{
    return def_con_curr_seq(module_, root_);
}

cModule* Fc4Site::processor() const
{
    const char* name = isChip() ? "ChipCpu" : "Cpu";
    cModule* cpu = device_->submodule(name);
    if (!cpu)
        module_->error("---> Found no processor %s in %s", name, device_->fullPath().c_str());
    return cpu;
}

ServiceTiming Fc4Site::timing(const char* sendTask, const char* recvTask) const
{
    ServiceTiming t;
    if (switchPort_) {
        const FcPortTiming* block = fc_port_timing(module_, port_);
        t.cpuClock = block->cpuClock;
        t.memClock = block->memClock;
        t.send = block->fc4IuSend;
        t.recv = block->fc4IuRecv;
        return t;
    }
    cModule* cpu = processor();
    t.cpuClock = cpu->par("cpuClock").doubleValue();
    t.memClock = cpu->par("memClock").doubleValue();
    t.send = object_at<TaskTiming>(cpu->par(sendTask).longValue());
    t.recv = object_at<TaskTiming>(cpu->par(recvTask).longValue());
    return t;
}

unsigned long Fc4Site::take_exchange_key() const
{
    if (!exchangeKeys_)
        exchangeKeys_ = &root_->par("fc4MemAddr");
    return static_cast<unsigned long>(take_a_number(*exchangeKeys_));
}

unsigned long Fc4Site::take_iu_index() const
{
    if (!iuIndexes_)
        iuIndexes_ = &root_->par("fc4IuIndex");
    return static_cast<unsigned long>(take_a_number(*iuIndexes_));
}
