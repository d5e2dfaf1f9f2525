#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/Sim.h"
#include "tests/fcport/Fc2Stub.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

// The port parameters that FC-2 would take from the configuration.
struct PortSetup {
    long speed = 1; // maxPortSpeed code; currPortSpeed starts at its rate
    double rtTov = 100;
    long rxBuf = 4;
    long bbCredit = 4;
    long addressId = 0;
};

// Each FC-1 test runs in a fresh working directory holding copies of the test
// data, under a root module "Velmora" with the run-wide parameters that FC-1
// uses, with module output captured so that the state sequences of the port
// state machines can be read back.
class Fc1Test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Two-port beds: devices of type "TestHost" or "TestSwitch" under the
    // root, port 0 of `a` cabled to port 0 of `b` with `delay` seconds each
    // way. build() makes every cable added and sets every port up as
    // `setup` says; setPort() changes one port afterwards.
    void addCable(const char* a, const char* typeA, const char* b, const char* typeB, double delay);
    void build(const PortSetup& setup = {});
    void setPort(const char* device, const PortSetup& setup);
    cModule* port(const char* device) const;
    Fc2Stub* stub(const char* device) const;
    cModule* fc1(const char* device, const char* sub) const;

    // The run from initialisation on; a limit stops it at that time and a
    // later call goes on from there.
    RunOutcome run(double limit = MAXTIME);

    // The states the port state machine of `device` entered, in order.
    std::vector<std::string> states(const char* device) const;
    // True when the module output holds `text`.
    bool logged(const std::string& text) const { return evLog.str().find(text) != std::string::npos; }

    // The seconds that `bytes` hold a line of `baud`.
    static double lineTime(long bytes, double baud) { return bytes * 10.0 / baud; }
    // The line rates of the two speed settings.
    static constexpr double oneGigBaud = 1.0625e9, twoGigBaud = 2.125e9;
    static double baudOf(long speed) { return speed == 2 ? twoGigBaud : oneGigBaud; }

    cModule* root = nullptr;
    std::ostringstream evLog;

  private:
    struct CablePlan {
        std::string a, typeA, b, typeB;
        double delay;
    };
    std::vector<CablePlan> cables_;
    ScratchDirectory scratch_;
    std::ostream* oldEvStream_ = nullptr;
    bool initialized_ = false;
};

// One FC-1 module alone, every gate of it wired to a gate of the same name on
// a probe that plays all its neighbours: the probe sends on the module's
// input gates by script and keeps what arrives from its output gates.
struct ProbeArrival {
    double time;
    std::string gate;
    std::shared_ptr<cMessage> msg;
};

class Probe : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void at(double t, std::function<void(Probe&)> action) { script_.push_back({t, std::move(action)}); }
    // Sends `msg` into the module's input gate `gate`.
    void put(cMessage* msg, const char* gate) { send(msg, gate); }

    std::vector<ProbeArrival> got;
    std::vector<std::string> namesOn(const char* gate) const;
    const ProbeArrival* first(const char* gate, int kind) const;

  protected:
    void activity() override;

  private:
    std::vector<std::pair<double, std::function<void(Probe&)>>> script_;
};

class Fc1UnitTest : public Fc1Test {
  protected:
    // Creates the module of `type` as "Unit" inside Velmora.Dev.<portName>[0].Fc1,
    // with its parameters at 0, and its probe. The port gets `setup` and, when
    // `portStat` is not negative, that state.
    cModule* unit(const char* type, const PortSetup& setup = {}, long portStat = 0, const char* portName = "NxPort");
    cModule* unitPort = nullptr;
    Probe* probe = nullptr;
};

// Frame parts as FC-2 builds them.
FcFrameHead* make_head(unsigned long gid, unsigned long dId, unsigned long sof = SOFi3);
FcFramePayload* make_payload(unsigned long gid, unsigned payLen);
FcFrameTail* make_tail(unsigned long gid);
