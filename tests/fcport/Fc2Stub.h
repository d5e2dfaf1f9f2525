#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// FC-2 as the FC-1 tests play it: a small module on the from_fc2/to_fc2
// side of an Fc1Layer that sends frames under buffer-to-buffer credit, one
// frame at a time until FRAME_TX_OK, answers every received frame
// (ACK_FRM_RX or ACK_FRM_FWD, then COM_FRM_RX or COM_FRM_FWD after
// `holdTime`), follows LINK_UP and LINK_DOWN like the real controller, and
// records everything FC-1 hands it.
//
// It sits in the test port types "TestPort" (Fc1 and Fc2, like a node port),
// which the test devices "TestHost" (port "NxPort[0]") and "TestSwitch"
// (port "SwPort[0]") hold.

struct StubRecord {
    double time;
    int kind;
    std::string name;
    unsigned long frmGid = 0;
    unsigned long dId = 0;
    unsigned payLen = 0;
    bool fakePay = false;
    unsigned long eof = 0;
    long srcPort = -1; // REQ_FRM_FWD
    long destId = -1;  // REQ_FRM_FWD
};

struct FrameShape {
    unsigned long dId = 0x010100;
    unsigned long sof = SOFi3;
    unsigned payLen = 2048;
    // When not negative, the head goes alone and payload and tail follow
    // after this many seconds.
    double splitAfter = -1;
};

class Fc2Stub : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "Fc2Stub"; }

    // Script, set before the run.
    void at(double t, std::function<void(Fc2Stub&)> action) { script_.push_back({t, std::move(action)}); }
    void sendFrames(double t, int count, FrameShape shape = {});
    void requestLinkReset(double t);

    double holdTime = 0;
    bool rejectForwards = false;

    // What came from FC-1.
    std::vector<StubRecord> got;
    std::vector<StubRecord> of(int kind) const;
    std::vector<double> times(int kind) const;
    bool creditWentNegative = false;
    long mostOutstanding = 0;

    cModule* port() const { return parentModule(); }

  protected:
    void activity() override;

  private:
    void after(double delay, std::function<void()> f);
    void take(cMessage* msg);
    void try_send();

    std::vector<std::pair<double, std::function<void(Fc2Stub&)>>> script_;
    std::map<cMessage*, std::function<void()>> timers_;
    std::deque<FrameShape> toSend_;
    bool up_ = false;
    bool sending_ = false;
    bool receivingForward_ = false;
};
