#pragma once

#include <iostream>
#include <sstream>
#include <string>

#include "fcport/EndToEndPair.h"
#include "fcport/Fc2Controller.h"
#include "messages/MsgKinds.h"
#include "sim/cIniFile.h"
#include "tests/fcport/Fc1RootParameters.h"
#include "tests/fcport/Fc2StandIns.h"
#include "tests/shared/DeviceFixture.h"

// Devices with FC-2 ports under a root with the run-wide parameters that the
// port stack uses, in a fresh directory holding the test data.
class Fc2Test : public DeviceTest {
  protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        reset_stand_ins();
        for (const char* counter : {"realNxPortNum", "trunkId", "frmGid"})
            root->addPar(counter).setLongValue(0);
        root->addPar("eeStatTimeScale").setLongValue(1);
        root->addPar("fc2EeStatDir").setStringValue("ee/");
        root->addPar("simDone").setBoolValue(false);
        addFc1RootParameters(root);
        simulation.setSimTimeLimit(0.002);
        setIni("");
        ev.setStream(&console);
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
        simulation.setSimTimeLimit(MAXTIME);
        reset_stand_ins();
        ev.setStream(&std::cout);
        DeviceTest::TearDown();
    }

    // "omnetpp.ini" lines ahead of the defaults: ports start without an address.
    void setIni(const std::string& lines)
    {
        ini.clear();
        ini.readText("[Parameters]\n" + lines + "\n**.addressId = 0\n");
        simulation.setIniFile(&ini);
    }

    // A device of `type` with `ports` ports and its configuration file.
    cModule* device(const char* type, const char* name, const char* confFile, int ports = 1)
    {
        cModule* d = findModuleType(type)->create(name, root);
        d->par("confFile").setStringValue(confFile);
        d->par(d->hasPar("nxPortNum") ? "nxPortNum" : "swPortNum").setLongValue(ports);
        d->readInputParams();
        d->setGateSize("link_in", ports);
        d->setGateSize("link_out", ports);
        d->buildInside();
        return d;
    }
    cModule* host(const char* name, int ports = 1) { return device("StandInHost", name, "fc2_host.conf", ports); }
    cModule* switchDevice(const char* name, int ports = 2)
    {
        cModule* sw = findModuleType("StandInSwitch")->create(name, root);
        sw->par("confFile").setStringValue("fc2_switch.conf");
        sw->par("swPortNum").setLongValue(ports);
        sw->par("raTov").setLongValue(10000);
        sw->par("edTov").setLongValue(2000);
        sw->setGateSize("link_in", ports);
        sw->setGateSize("link_out", ports);
        sw->buildInside();
        return sw;
    }
    // A script module outside any device, with one gate pair.
    cModule* scriptedPeer(const char* name)
    {
        cModule* m = findModuleType("Scripted")->create(name, root);
        m->setGateSize("in", 1);
        m->setGateSize("out", 1);
        return m;
    }

    // Both directions of a cable between link gates `i` of `a` and `j` of `b`
    // (a scripted module's gates are "in"/"out").
    static void cable(cModule* a, int i, cModule* b, int j, double delay)
    {
        connectOne(a, i, b, j, delay);
        connectOne(b, j, a, i, delay);
    }

    // Runs and, after a normal end, finishes the network, so that the files
    // read afterwards are those a finished run leaves.
    RunOutcome run()
    {
        simulation.callInitialize();
        const RunOutcome outcome = simulation.run();
        simulation.callFinish();
        return outcome;
    }
    std::string runError()
    {
        return errorOf([&] { run(); });
    }

    // Hosts A and B of `type` on a cable, their ports at ADDR_A and ADDR_B.
    void twoHosts(double cableDelay = 1e-6, const char* confFile = "fc2_host.conf", const char* type = "StandInHost")
    {
        setIni("**.HostA.NxPort[0].addressId = 65792\n**.HostB.NxPort[0].addressId = 66048");
        a = device(type, "HostA", confFile);
        b = device(type, "HostB", confFile);
        cable(a, 0, b, 0, cableDelay);
    }
    // FC-4 of a port: waits for the link, asks for a pair for `peer`, then
    // goes on with `then`.
    static Script loggedIn(unsigned long peer, const Script& then = {})
    {
        return [peer, then](Scripted& s) {
            s.await(PORT_UP);
            s.out(req_eepair(peer));
            s.await(PLOGI_SUCC);
            if (then)
                then(s);
        };
    }

    static cModule* port(cModule* device, int i = 0) { return device->submodule("NxPort", i); }
    static Fc2Controller* ctrl(cModule* port)
    {
        return static_cast<Fc2Controller*>(port->moduleByRelativePath("Fc2.Fc2Ctrl"));
    }
    static EndToEndPair* pair(cModule* port, int i)
    {
        return static_cast<EndToEndPair*>(port->submodule("Fc2")->submodule("EePair", i));
    }
    static std::string fc4(cModule* device, int i = 0) { return device->submodule("Fc4", i)->fullPath(); }
    static std::vector<Arrival>& got(cModule* device, int i = 0) { return arrivals[fc4(device, i)]; }
    static Fc1Record& fc1(cModule* port) { return fc1Records[port->fullPath()]; }
    // The arrivals of one kind at a script, in order.
    static std::vector<const Arrival*> ofKind(const std::vector<Arrival>& log, int kind)
    {
        std::vector<const Arrival*> out;
        for (const Arrival& a : log)
            if (a.kind == kind)
                out.push_back(&a);
        return out;
    }
    bool warned(const std::string& text) const { return readFile("logs/Warnings.log").find(text) != std::string::npos; }

    cIniFile ini;
    std::ostringstream console; // the modules' console lines
    cModule* a = nullptr;
    cModule* b = nullptr;

  private:
    static void connectOne(cModule* from, int i, cModule* to, int j, double delay)
    {
        cGate* out = from->hasGate("link_out", i) ? from->gate("link_out", i) : from->gate("out", i);
        cGate* in = to->hasGate("link_in", j) ? to->gate("link_in", j) : to->gate("in", j);
        auto* ch = new cChannel("cable");
        ch->setDelay(delay);
        out->connectTo(in, ch);
        out->setDisplayString("o=#ffffff");
    }
};

// Addresses the tests give their ports.
constexpr unsigned long ADDR_A = 0x010100;
constexpr unsigned long ADDR_B = 0x010200;
