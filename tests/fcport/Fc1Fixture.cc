#include "tests/fcport/Fc1Fixture.h"

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "network/CompoundBuilder.h"
#include "network/SiteLayout.h"
#include "tests/fcport/Fc1RootParameters.h"

void Fc1Test::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_fc1_XXXXXX", VELMORA_TEST_DATA));

    simulation.deleteNetwork();
    simulation.setSimTimeLimit(MAXTIME);
    initialized_ = false;
    cables_.clear();
    evLog.str("");
    root = newVelmoraRoot();
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("simDone").setBoolValue(false);
    root->addPar("warningsCnt").setLongValue(0);
    root->addPar("frmGid").setLongValue(0);
    root->addPar("warningsFile").setStringValue("Warnings.log");
    root->addPar("progDataDir").setStringValue("out/");
    addFc1RootParameters(root);

    oldEvStream_ = &ev.stream();
    ev.setStream(&evLog);
}

void Fc1Test::TearDown()
{
    simulation.deleteNetwork();
    simulation.setSimTimeLimit(MAXTIME);
    ev.setStream(oldEvStream_);
    scratch_.leave();
}

void Fc1Test::addCable(const char* a, const char* typeA, const char* b, const char* typeB, double delay)
{
    cables_.push_back({a, typeA, b, typeB, delay});
}

void Fc1Test::build(const PortSetup& setup)
{
    CompoundDescription bed;
    std::vector<Cable> links;
    for (const CablePlan& c : cables_) {
        for (const auto& [name, type] : {std::pair(c.a, c.typeA), std::pair(c.b, c.typeB)})
            bed.submodules.push_back({name, type, {}, {}, {{"link_in", 1}, {"link_out", 1}}, "i=device"});
        links.push_back({c.a.c_str(), 0, c.b.c_str(), 0, "o=#0080ff", Expr(c.delay)});
    }
    bed.connections = cables(links);
    build_compound(root, bed);
    for (const CablePlan& c : cables_) {
        setPort(c.a.c_str(), setup);
        setPort(c.b.c_str(), setup);
    }
}

void Fc1Test::setPort(const char* device, const PortSetup& s)
{
    cModule* p = port(device);
    p->addPar("maxPortSpeed").setLongValue(s.speed);
    p->addPar("currPortSpeed").setDoubleValue(baudOf(s.speed));
    p->addPar("rtTov").setDoubleValue(s.rtTov);
    p->addPar("rxBufSize").setLongValue(s.rxBuf);
    p->addPar("currBbCredit").setLongValue(s.bbCredit);
    p->addPar("currBbCnt").setLongValue(0);
    p->addPar("addressId").setLongValue(s.addressId);
}

cModule* Fc1Test::port(const char* device) const
{
    cModule* dev = root->submodule(device);
    if (!dev)
        return nullptr;
    cModule* p = dev->submodule("NxPort", 0);
    return p ? p : dev->submodule("SwPort", 0);
}

Fc2Stub* Fc1Test::stub(const char* device) const
{
    return dynamic_cast<Fc2Stub*>(port(device)->submodule("Fc2"));
}

cModule* Fc1Test::fc1(const char* device, const char* sub) const
{
    return port(device)->submodule("Fc1")->submodule(sub);
}

RunOutcome Fc1Test::run(double limit)
{
    if (!initialized_) {
        simulation.callInitialize();
        initialized_ = true;
    }
    simulation.setSimTimeLimit(limit);
    return simulation.run();
}

std::vector<std::string> Fc1Test::states(const char* device) const
{
    // Between two receives only the module that received runs, so every
    // line after a module's trace line ("<path> --> <message>") is its own.
    const std::string psm = port(device)->fullPath() + ".Fc1.Psm";
    std::istringstream in(evLog.str());
    std::string line, current;
    std::vector<std::string> out;
    while (std::getline(in, line)) {
        const size_t arrow = line.find(" --> ");
        if (arrow != std::string::npos && line.find(' ') == arrow)
            current = line.substr(0, arrow);
        if (current != psm)
            continue;
        for (size_t at = line.find("transition to "); at != std::string::npos; at = line.find("transition to ", at)) {
            at += 14;
            out.push_back(line.substr(at, line.find(" !", at) - at));
        }
    }
    return out;
}

void Probe::activity()
{
    for (size_t i = 0; i < script_.size(); ++i) {
        auto* timer = new cMessage("PROBE_TIMER");
        timer->setContextPointer(&script_[i]);
        scheduleAt(script_[i].first, timer);
    }
    for (;;) {
        cMessage* msg = receive();
        if (msg->isSelfMessage()) {
            auto* step = static_cast<std::pair<double, std::function<void(Probe&)>>*>(msg->contextPointer());
            delete msg;
            step->second(*this);
            continue;
        }
        got.push_back({simTime(), msg->arrivalGate()->name(), std::shared_ptr<cMessage>(msg)});
    }
}

std::vector<std::string> Probe::namesOn(const char* gate) const
{
    std::vector<std::string> out;
    for (const ProbeArrival& a : got)
        if (a.gate == gate)
            out.push_back(a.msg->name());
    return out;
}

const ProbeArrival* Probe::first(const char* gate, int kind) const
{
    for (const ProbeArrival& a : got)
        if (a.gate == gate && a.msg->kind() == kind)
            return &a;
    return nullptr;
}

cModule* Fc1UnitTest::unit(const char* type, const PortSetup& setup, long portStat, const char* portName)
{
    cModule* dev = new cCompoundModule("Dev", root);
    unitPort = new cCompoundModule(portName, dev);
    unitPort->setIndex(0, 1);
    cModule* layer = new cCompoundModule("Fc1", unitPort);
    cModule* mod = findModuleType(type)->create("Unit", layer);
    for (int i = 0; i < mod->params(); ++i) {
        if (mod->par(i).isInput()) {
            mod->par(i).setLongValue(0);
            mod->par(i).setInput(false);
        }
    }
    probe = new Probe("Probe", layer, 65536);
    for (cGate* g : mod->allGates()) {
        if (g->isOutput()) {
            probe->addGate(g->name(), 'I');
            g->connectTo(probe->gate(g->name()));
            g->setDisplayString("o=#ffffff");
        } else {
            probe->addGate(g->name(), 'O');
            probe->gate(g->name())->connectTo(g);
        }
    }
    unitPort->addPar("maxPortSpeed").setLongValue(setup.speed);
    unitPort->addPar("currPortSpeed").setDoubleValue(baudOf(setup.speed));
    unitPort->addPar("rtTov").setDoubleValue(setup.rtTov);
    unitPort->addPar("rxBufSize").setLongValue(setup.rxBuf);
    unitPort->addPar("addressId").setLongValue(setup.addressId);
    unitPort->addPar("portMode").setLongValue(0);
    if (portStat >= 0)
        unitPort->addPar("portStat").setLongValue(portStat);
    return mod;
}

FcFrameHead* make_head(unsigned long gid, unsigned long dId, unsigned long sof)
{
    auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
    head->setLength(36);
    head->setHeadLen(36);
    head->setSof(sof);
    head->setDId(dId);
    head->setFrmGid(gid);
    return head;
}

FcFramePayload* make_payload(unsigned long gid, unsigned payLen)
{
    auto* pay = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
    pay->setLength(0);
    pay->setPayLen(static_cast<unsigned short>(payLen));
    pay->setFrmGid(gid);
    return pay;
}

FcFrameTail* make_tail(unsigned long gid)
{
    auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
    tail->setLength(0);
    tail->setTailLen(16);
    tail->setEof(EOFt);
    tail->setFrmGid(gid);
    return tail;
}
