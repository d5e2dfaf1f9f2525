#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "messages/MsgKinds.h"
#include "sim/Sim.h"
#include "tests/shared/RunTest.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

// Each test runs in a fresh directory holding copies of the array data files
// (array.conf and the board CPU model ChipCpu), under a root "Velmora" with
// the run-wide parameters of the array's modules. A storage device "Dev1"
// carries the data-bus settings that its control memory would publish, and a
// stand-in "CtrlMemCch" its `allDone`; test ends ("ends") are small modules
// with one input and one output that send what they are told and record
// what reaches them.
class ArrayTest : public RunTest {
  public:
    // What reached a test end: where, what and when it arrived (an end that
    // is still sending takes its arrivals afterwards).
    struct Arrival {
        std::string at;
        std::string name;
        int kind;
        double time;
        cMessage* msg; // kept until the test ends
    };
    // What a test end sends: when and what (made at that moment).
    struct Outgoing {
        double time;
        std::function<cMessage*()> make;
    };

  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_array_XXXXXX", VELMORA_TESTS_DIR "/array/data"));
        ev.setStream(&console);
        newNetwork();
    }
    // A fresh root and storage device, replacing whatever was built before.
    void newNetwork()
    {
        simulation.deleteNetwork();
        // Periodic writers stop only on their flags; a test that forgets one
        // ends here instead of running for ever.
        simulation.setSimTimeLimit(100);
        newDeviceRoot(100.0);
        device = new cCompoundModule("Dev1", root);
        device->addPar("confFile").setStringValue("array.conf");
        device->addPar("cswBusWidth").setDoubleValue(64);
        device->addPar("cswBusClock").setDoubleValue(100);
        device->addPar("cswDlyUS").setDoubleValue(2);
    }
    void TearDown() override
    {
        for (Arrival& a : arrivals)
            delete a.msg;
        arrivals.clear();
        simulation.deleteNetwork();
        ev.setStream(nullptr);
        scratch.leave();
    }

    // The stand-in control memory's `allDone`, for devices that have none.
    cModule* addCtrlMemFlag(bool allDone = false)
    {
        cModule* cm = new cCompoundModule("CtrlMemCch", device);
        cm->addPar("allDone").setBoolValue(allDone);
        return cm;
    }

    // A test end `name`[index] under `parent`.
    LambdaModule* end(const char* name, cModule* parent, std::vector<Outgoing> out = {}, int index = -1, int size = 8)
    {
        auto* m = new LambdaModule(name, parent, [this, out](LambdaModule& self) {
            for (const Outgoing& o : out) {
                self.wait(o.time - self.simTime());
                self.send(o.make(), "out");
            }
            for (;;) {
                cMessage* msg = self.receive();
                arrivals.push_back({self.fullName(), msg->name(), msg->kind(), msg->arrivalTime(), msg});
                if (onArrival)
                    onArrival(self, msg);
            }
        });
        if (index >= 0)
            m->setIndex(index, size);
        m->addGate("in", 'I');
        m->addGate("out", 'O');
        return m;
    }
    std::vector<const Arrival*> at(const std::string& where) const
    {
        std::vector<const Arrival*> found;
        for (const Arrival& a : arrivals)
            if (a.at == where)
                found.push_back(&a);
        return found;
    }

    ScratchDirectory scratch;
    std::ostringstream console;
    cModule* device = nullptr;
    std::vector<Arrival> arrivals;
    // Called for each arrival at an end, which may answer.
    std::function<void(LambdaModule&, cMessage*)> onArrival;
};
