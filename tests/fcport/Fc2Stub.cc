#include "tests/fcport/Fc2Stub.h"

#include <algorithm>
#include <cstring>

#include "messages/MsgKinds.h"
#include "network/CompoundBuilder.h"
#include "network/RootModule.h"

std::vector<StubRecord> Fc2Stub::of(int kind) const
{
    std::vector<StubRecord> out;
    for (const StubRecord& r : got)
        if (r.kind == kind)
            out.push_back(r);
    return out;
}

std::vector<double> Fc2Stub::times(int kind) const
{
    std::vector<double> out;
    for (const StubRecord& r : got)
        if (r.kind == kind)
            out.push_back(r.time);
    return out;
}

void Fc2Stub::sendFrames(double t, int count, FrameShape shape)
{
    at(t, [count, shape](Fc2Stub& self) {
        for (int i = 0; i < count; ++i)
            self.toSend_.push_back(shape);
        self.try_send();
    });
}

void Fc2Stub::requestLinkReset(double t)
{
    at(t, [](Fc2Stub& self) { self.send(new cMessage("REQ_LINK_RESET", REQ_LINK_RESET, 0), "to_fc1"); });
}

void Fc2Stub::after(double delay, std::function<void()> f)
{
    auto* timer = new cMessage("STUB_TIMER");
    timers_[timer] = std::move(f);
    scheduleAt(simTime() + delay, timer);
}

void Fc2Stub::activity()
{
    for (auto& step : script_) {
        auto action = step.second;
        after(step.first - simTime(), [this, action] { action(*this); });
    }
    for (;;) {
        cMessage* msg = receive();
        if (msg->isSelfMessage()) {
            auto it = timers_.find(msg);
            std::function<void()> f = std::move(it->second);
            timers_.erase(it);
            delete msg;
            f();
            continue;
        }
        take(msg);
    }
}

void Fc2Stub::take(cMessage* msg)
{
    StubRecord r{simTime(), msg->kind(), msg->name()};
    cPar& mode = port()->par("portMode");
    switch (msg->kind()) {
    case LINK_UP:
        up_ = true;
        if (std::strcmp(port()->name(), "NxPort") == 0 && mode.longValue() == 0)
            mode.setLongValue(1);
        try_send();
        break;
    case LINK_DOWN:
        up_ = false;
        sending_ = false;
        toSend_.clear();
        port()->par("currBbCnt").setLongValue(0);
        break;
    case FRAME_TX_OK:
        sending_ = false;
        try_send();
        break;
    case R_RDY: {
        cPar& cnt = port()->par("currBbCnt");
        cnt.setLongValue(cnt.longValue() - 1);
        if (cnt.longValue() < 0)
            creditWentNegative = true;
        try_send();
        break;
    }
    case REQ_FRM_RX:
    case REQ_FRM_FWD: {
        auto* head = dynamic_cast<FcFrameHead*>(msg->encapsulatedMsg());
        if (head) {
            r.frmGid = head->getFrmGid();
            r.dId = head->getDId();
        }
        receivingForward_ = msg->kind() == REQ_FRM_FWD;
        if (receivingForward_) {
            r.srcPort = msg->par("srcPort").longValue();
            r.destId = msg->par("destId").longValue();
            if (rejectForwards)
                send(new cMessage("RJT_FRM_FWD", RJT_FRM_FWD, 0), "to_fc1");
            else
                send(new cMessage("ACK_FRM_FWD", ACK_FRM_FWD, 0), "to_fc1");
        } else {
            send(new cMessage("ACK_FRM_RX", ACK_FRM_RX, 0), "to_fc1");
        }
        break;
    }
    case FC_FRAME_PAYLOAD: {
        auto* pay = dynamic_cast<FcFramePayload*>(msg);
        r.frmGid = pay->getFrmGid();
        r.payLen = pay->getPayLen();
        r.fakePay = pay->getFakePay();
        break;
    }
    case FC_FRAME_TAIL: {
        auto* tail = dynamic_cast<FcFrameTail*>(msg);
        r.frmGid = tail->getFrmGid();
        r.eof = tail->getEof();
        const bool forward = receivingForward_;
        after(holdTime, [this, forward] {
            if (forward)
                send(new cMessage("COM_FRM_FWD", COM_FRM_FWD, 0), "to_fc1");
            else
                send(new cMessage("COM_FRM_RX", COM_FRM_RX, 0), "to_fc1");
        });
        break;
    }
    default: break;
    }
    got.push_back(r);
    delete msg;
}

void Fc2Stub::try_send()
{
    cPar& cnt = port()->par("currBbCnt");
    if (!up_ || sending_ || toSend_.empty() || cnt.longValue() >= port()->par("currBbCredit").longValue())
        return;
    cnt.setLongValue(cnt.longValue() + 1);
    mostOutstanding = std::max(mostOutstanding, cnt.longValue());
    sending_ = true;
    const FrameShape f = toSend_.front();
    toSend_.pop_front();

    const unsigned long gid = static_cast<unsigned long>(take_a_number(find_root(this), "frmGid"));
    FrameQualifier q{};
    q.sId = static_cast<unsigned long>(port()->par("addressId").longValue());
    q.dId = f.dId;
    auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
    head->setLength(36);
    head->setHeadLen(36);
    head->setSof(f.sof);
    head->setDId(f.dId);
    head->setSId(q.sId);
    head->setEndSeq(true);
    head->setFfq(q);
    head->setFrmGid(gid);
    auto* pay = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
    pay->setLength(0);
    pay->setPayLen(static_cast<unsigned short>(f.payLen));
    pay->setFfq(q);
    pay->setFrmGid(gid);
    auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
    tail->setLength(0);
    tail->setTailLen(16);
    tail->setEof(EOFt);
    tail->setFfq(q);
    tail->setFrmGid(gid);

    send(head, "to_fc1");
    if (f.splitAfter < 0) {
        send(pay, "to_fc1");
        send(tail, "to_fc1");
    } else {
        after(f.splitAfter, [this, pay, tail] {
            send(pay, "to_fc1");
            send(tail, "to_fc1");
        });
    }
}

namespace {

const sDescrItem stubItems[] = {{'M', "default", nullptr, 0},
                                {'G', "from_fc1", nullptr, 'I'},
                                {'G', "to_fc1", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};

const sDescrItem portItems[] = {{'M', "default", nullptr, 0},
                                {'G', "link_in", nullptr, 'I'},
                                {'G', "link_out", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};

const sDescrItem deviceItems[] = {{'M', "default", nullptr, 0},
                                  {'G', "link_in[]", nullptr, 'I'},
                                  {'G', "link_out[]", nullptr, 'O'},
                                  {'E', nullptr, nullptr, 0}};

const CompoundDescription testPortDesc = {
    {
        {"Fc1", "Fc1Layer", {}, {}, {}, "i=ctrl;p=255,140;b=50,50"},
        {"Fc2", "Fc2Stub", {}, {}, {}, "i=ctrl;p=255,60;b=50,50"},
    },
    {
        {GateRef::self("link_in"), GateRef::sub("Fc1", "link_in"), "o=#ffffff"},
        {GateRef::sub("Fc1", "link_out"), GateRef::self("link_out"), "o=#ffffff"},
        {GateRef::sub("Fc2", "to_fc1"), GateRef::sub("Fc1", "from_fc2")},
        {GateRef::sub("Fc1", "to_fc2"), GateRef::sub("Fc2", "from_fc1")},
    },
    "o=#ffffff;p=10,10;b=355,245",
    true,
};

CompoundDescription device_desc(const char* portName)
{
    return {
        {{portName, "TestPort", Expr(1), {}, {}, "i=port;p=100,100;b=40,40"}},
        {
            {GateRef::self("link_in", 0), GateRef::element(portName, 0, "link_in"), "o=#008080"},
            {GateRef::element(portName, 0, "link_out"), GateRef::self("link_out", 0), "o=#008080"},
        },
        "o=#ffffff;p=10,10;b=200,200",
        false,
    };
}

const CompoundDescription testHostDesc = device_desc("NxPort");
const CompoundDescription testSwitchDesc = device_desc("SwPort");

} // namespace

Define_Module_Interface(Fc2Stub, stubItems);
Define_Module(Fc2Stub, 65536);
Define_Module_Interface(TestPort, portItems);
Define_Described_Compound(TestPort, testPortDesc);
Define_Module_Interface(TestHost, deviceItems);
Define_Described_Compound(TestHost, testHostDesc);
Define_Module_Interface(TestSwitch, deviceItems);
Define_Described_Compound(TestSwitch, testSwitchDesc);
