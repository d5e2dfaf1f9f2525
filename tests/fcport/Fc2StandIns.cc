#include "tests/fcport/Fc2StandIns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>

#include "fcport/NodePort.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "network/CompoundBuilder.h"
#include "sim/ObjectAddress.h"

std::map<std::string, Fc1Record> fc1Records;
std::map<std::string, Fc1Script> fc1Scripts;
std::map<std::string, Script> scripts;
std::map<std::string, std::vector<Arrival>> arrivals;
std::vector<std::string> deletedContexts;

void reset_stand_ins()
{
    deletedContexts.clear();
    fc1Records.clear();
    fc1Scripts.clear();
    scripts.clear();
    arrivals.clear();
}

namespace {

template <class Part>
std::vector<Part*> parts_of(const std::vector<std::unique_ptr<cMessage>>& sent)
{
    std::vector<Part*> out;
    for (const auto& m : sent)
        if (auto* p = dynamic_cast<Part*>(m.get()))
            out.push_back(p);
    return out;
}

// Self-message kinds of the stand-in FC-1, outside the model's table.
enum { STAND_IN_LINK_UP = 10000, STAND_IN_LINK_DOWN };

class StandInFc1Link : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    ~StandInFc1Link() override
    {
        for (cMessage* m : buffer_)
            discard_message(m);
    }

    void initialize() override
    {
        port_ = parentModule()->parentModule();
        if (!port_->hasPar("portMode"))
            port_->addPar("portMode").setLongValue(0);
        port_->addPar("portStat").setLongValue(0);
    }

    void activity() override
    {
        record_ = &fc1Records[port_->fullPath()];
        const Fc1Script script = fc1Scripts[port_->fullPath()];
        switchPort_ = std::strcmp(port_->name(), "SwPort") == 0;
        if (script.linkUpAt >= 0)
            scheduleAt(script.linkUpAt, new cMessage("UP", STAND_IN_LINK_UP, 0));
        if (script.linkDownAt >= 0)
            scheduleAt(script.linkDownAt, new cMessage("DOWN", STAND_IN_LINK_DOWN, 0));
        if (script.linkUpAgainAt >= 0)
            scheduleAt(script.linkUpAgainAt, new cMessage("UP", STAND_IN_LINK_UP, 0));
        for (;;) {
            cMessage* msg = receive();
            if (msg->isSelfMessage()) {
                if (msg->kind() == STAND_IN_LINK_UP)
                    send(new cMessage("LINK_UP", LINK_UP, 0), "to_fc2");
                else
                    link_down();
                delete msg;
            } else if (msg->arrivedOn("from_fc2")) {
                from_fc2(msg);
            } else {
                from_link(msg);
            }
        }
    }

  private:
    void from_fc2(cMessage* msg)
    {
        switch (msg->kind()) {
        case FC_FRAME_HEAD:
            ++record_->framesInFlight;
            record_->maxFramesInFlight = std::max(record_->maxFramesInFlight, record_->framesInFlight);
            [[fallthrough]];
        case FC_FRAME_PAYLOAD:
        case FC_FRAME_TAIL:
            record_->sent.emplace_back(msg->dup());
            transmit(msg);
            break;
        case ACK_FRM_RX:
        case ACK_FRM_FWD:
            delete msg;
            acked_ = true;
            pump();
            break;
        case COM_FRM_RX:
        case COM_FRM_FWD:
            delete msg;
            complete_frame();
            break;
        default:
            ADD_FAILURE() << port_->fullPath() << " FC-1 got " << msg->name() << " from FC-2";
            discard_message(msg);
        }
    }

    void from_link(cMessage* msg)
    {
        switch (msg->kind()) {
        case R_RDY:
            --record_->framesInFlight;
            send(msg, "to_fc2");
            return;
        case FC_FRAME_HEAD: static_cast<FcFrameHead*>(msg)->setFrmFwdStime(simTime()); break;
        case FC_FRAME_TAIL:
            if (!switchPort_)
                static_cast<FcFrameTail*>(msg)->setNetEtime(simTime());
            break;
        default: break;
        }
        buffer_.push_back(msg);
        pump();
    }

    void transmit(cMessage* msg)
    {
        const double now = simTime();
        const double start = std::max(now, lineFree_);
        long bytes = msg->length();
        if (auto* head = dynamic_cast<FcFrameHead*>(msg)) {
            if (!switchPort_)
                head->setNetStime(start);
        } else if (auto* payload = dynamic_cast<FcFramePayload*>(msg)) {
            bytes = payload->getPayLen();
        } else if (auto* tail = dynamic_cast<FcFrameTail*>(msg)) {
            bytes = tail->getTailLen();
        }
        lineFree_ = start + bytes * 10 / port_->par("currPortSpeed").doubleValue();
        const bool isTail = msg->kind() == FC_FRAME_TAIL;
        if (gate("link_out")->isRouteOK())
            sendDelayed(msg, start - now, "link_out");
        else
            discard_message(msg);
        if (isTail) {
            record_->frameTxOkTimes.push_back(start);
            sendDelayed(new cMessage("FRAME_TX_OK", FRAME_TX_OK, 0), start - now, "to_fc2");
        }
    }

    // Hands FC-2 the next frame, one at a time: the head in a coat, then,
    // once FC-2 has acknowledged it, payload and tail as they come.
    void pump()
    {
        while (!buffer_.empty()) {
            cMessage* front = buffer_.front();
            if (!out_) {
                auto* head = dynamic_cast<FcFrameHead*>(front);
                if (!head) {
                    ADD_FAILURE() << port_->fullPath() << " FC-1 buffer does not start with a head";
                    return;
                }
                buffer_.pop_front();
                out_ = true;
                acked_ = false;
                admit(head);
                continue;
            }
            if (!acked_)
                return;
            const bool payload = front->kind() == FC_FRAME_PAYLOAD, tail = front->kind() == FC_FRAME_TAIL;
            if (!payload && !tail)
                return;
            buffer_.pop_front();
            if (payload)
                static_cast<FcFramePayload*>(front)->setFrameFlag(forwarding_ ? 1 : 0);
            else
                static_cast<FcFrameTail*>(front)->setFrameFlag(forwarding_ ? 1 : 0);
            send(front, "to_fc2");
        }
    }

    void admit(FcFrameHead* head)
    {
        forwarding_ = switchPort_;
        head->setFrameFlag(forwarding_ ? 1 : 0);
        if (!forwarding_) {
            auto* coat = new cMessage("REQ_FRM_RX", REQ_FRM_RX, 0);
            coat->encapsulate(head);
            send(coat, "to_fc2");
            return;
        }
        auto* coat = new cMessage("REQ_FRM_FWD", REQ_FRM_FWD, 0);
        coat->addPar("srcPort").setLongValue(port_->index());
        coat->addPar("frmFlag").setLongValue(1);
        coat->addPar("frmGid").setLongValue(head->getFrmGid());
        coat->addPar("destId").setLongValue(head->getDId());
        coat->addPar("trunkId").setLongValue(head->getTrunkId());
        coat->addPar("trunkEnd").setBoolValue(head->getEndSeq());
        coat->encapsulate(head);
        send(coat, "to_fc2");
    }

    void complete_frame()
    {
        out_ = false;
        transmit(new cMessage("R_RDY", R_RDY, 4));
        pump();
    }

    void link_down()
    {
        for (cMessage* m : buffer_)
            discard_message(m);
        buffer_.clear();
        out_ = acked_ = false;
        send(new cMessage("LINK_DOWN", LINK_DOWN, 0), "to_fc2");
    }

    cModule* port_ = nullptr;
    Fc1Record* record_ = nullptr;
    bool switchPort_ = false;
    double lineFree_ = 0;
    std::deque<cMessage*> buffer_;
    bool out_ = false, acked_ = false, forwarding_ = false;
};

const sDescrItem linkItems[] = {{'M', "default", nullptr, 0},    {'G', "link_in", nullptr, 'I'},
                                {'G', "link_out", nullptr, 'O'}, {'G', "from_fc2", nullptr, 'I'},
                                {'G', "to_fc2", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

const sDescrItem scriptedItems[] = {{'M', "default", nullptr, 0},
                                    {'G', "in[]", nullptr, 'I'},
                                    {'G', "out[]", nullptr, 'O'},
                                    {'E', nullptr, nullptr, 0}};

const CompoundDescription standInFc1Desc = {
    {{"Tx", "StandInFc1Link", {}, {}, {}, ""}},
    {
        {GateRef::self("link_in"), GateRef::sub("Tx", "link_in"), "o=#ffffff"},
        {GateRef::sub("Tx", "link_out"), GateRef::self("link_out"), "o=#ffffff"},
        {GateRef::self("from_fc2"), GateRef::sub("Tx", "from_fc2")},
        {GateRef::sub("Tx", "to_fc2"), GateRef::self("to_fc2")},
    },
    "",
    false,
};

// A node port as NodePort builds it, with the stand-in in place of FC-1.
const CompoundDescription standInNodePortDesc = [] {
    CompoundDescription desc = node_port_description();
    for (SubmoduleDescription& sub : desc.submodules) {
        if (sub.name == "Fc1")
            sub.type = "StandInFc1";
        sub.displayString.clear();
    }
    desc.displayString.clear();
    return desc;
}();

const sDescrItem switchPortItems[] = {{'M', "default", nullptr, 0},     {'G', "link_in", nullptr, 'I'},
                                      {'G', "link_out", nullptr, 'O'},  {'G', "from_swctrl", nullptr, 'I'},
                                      {'G', "to_swctrl", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// A switch port's FC-1 and FC-2, its FC-4 layer played by a script.
const CompoundDescription standInSwitchPortDesc = {
    {
        {"Fc1", "StandInFc1", {}, {}, {}, ""},
        {"Fc2", "Fc2Layer", {}, {set_long("currOxId", 0), set_long("currRxId", 0)}, {}, ""},
        {"Fc4", "Scripted", {}, {}, {{"in", 1}, {"out", 1}}, ""},
    },
    {
        {GateRef::self("link_in"), GateRef::sub("Fc1", "link_in"), "o=#ffffff"},
        {GateRef::sub("Fc1", "link_out"), GateRef::self("link_out"), "o=#ffffff"},
        {GateRef::sub("Fc2", "to_fc1"), GateRef::sub("Fc1", "from_fc2")},
        {GateRef::sub("Fc1", "to_fc2"), GateRef::sub("Fc2", "from_fc1")},
        {GateRef::sub("Fc2", "to_fc4"), GateRef::sub("Fc4", "in", 0)},
        {GateRef::sub("Fc4", "out", 0), GateRef::sub("Fc2", "from_fc4")},
        {GateRef::self("from_swctrl"), GateRef::sub("Fc2", "from_swctrl")},
        {GateRef::sub("Fc2", "to_swctrl"), GateRef::self("to_swctrl")},
    },
    "",
    false,
};

const sDescrItem hostItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// A device with `nxPortNum` ports of `portType`, an FC-4 script per port and
// the device's end-to-end statistics.
CompoundDescription device_desc(const char* portType)
{
    const Expr n = Expr::par("nxPortNum");
    const Expr i = Expr::index();
    return CompoundDescription{
        {
            {"NxPort", portType, n, {set_long("sFact", 1)}, {}, ""},
            {"Fc4", "Scripted", n, {}, {{"in", 1}, {"out", 1}}, ""},
            {"EeStat", "Fc2EeStat", {}, {}, {}, ""},
        },
        {
            {GateRef::self("link_in", i), GateRef::element("NxPort", i, "link_in"), "o=#ffffff", {}, 0, n - 1},
            {GateRef::element("NxPort", i, "link_out"), GateRef::self("link_out", i), "o=#ffffff", {}, 0, n - 1},
            {GateRef::element("NxPort", i, "to_fc4"), GateRef::element("Fc4", i, "in", 0), "", {}, 0, n - 1},
            {GateRef::element("Fc4", i, "out", 0), GateRef::element("NxPort", i, "from_fc4"), "", {}, 0, n - 1},
        },
        "",
        false,
    };
}

const CompoundDescription standInHostDesc = device_desc("StandInNodePort");
const CompoundDescription nodeHostDesc = device_desc("NodePort");

const sDescrItem arrayItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                 {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                 {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// A storage device with one board "Chip[0]" that holds the ports.
const CompoundDescription standInArrayDesc = {
    {{"Chip",
      "StandInChip",
      1,
      {copy_par("nxPortNum")},
      {{"link_in", Expr::par("nxPortNum")}, {"link_out", Expr::par("nxPortNum")}},
      ""}},
    {
        {GateRef::self("link_in", Expr::index()),
         GateRef::element("Chip", 0, "link_in", Expr::index()),
         "o=#ffffff",
         {},
         0,
         Expr::par("nxPortNum") - 1},
        {GateRef::element("Chip", 0, "link_out", Expr::index()),
         GateRef::self("link_out", Expr::index()),
         "o=#ffffff",
         {},
         0,
         Expr::par("nxPortNum") - 1},
    },
    "",
    false,
};

const sDescrItem chipItems[] = {{'M', "default", nullptr, 0},
                                {'P', "nxPortNum", "LDXFT", 0},
                                {'G', "link_in[]", nullptr, 'I'},
                                {'G', "link_out[]", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};

const sDescrItem switchItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                  {'P', "swPortNum", "LDXFT", 0},    {'P', "raTov", "LDXFT", 0},
                                  {'P', "edTov", "LDXFT", 0},        {'G', "link_in[]", nullptr, 'I'},
                                  {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// A switch whose centre is a script with one gate pair per port.
const CompoundDescription standInSwitchDesc = {
    {
        {"SwPort", "StandInSwitchPort", Expr::par("swPortNum"), {}, {}, ""},
        {"Centre", "Scripted", {}, {}, {{"in", Expr::par("swPortNum")}, {"out", Expr::par("swPortNum")}}, ""},
    },
    {
        {GateRef::self("link_in", Expr::index()),
         GateRef::element("SwPort", Expr::index(), "link_in"),
         "o=#ffffff",
         {},
         0,
         Expr::par("swPortNum") - 1},
        {GateRef::element("SwPort", Expr::index(), "link_out"),
         GateRef::self("link_out", Expr::index()),
         "o=#ffffff",
         {},
         0,
         Expr::par("swPortNum") - 1},
        {GateRef::element("SwPort", Expr::index(), "to_swctrl"),
         GateRef::sub("Centre", "in", Expr::index()),
         "",
         {},
         0,
         Expr::par("swPortNum") - 1},
        {GateRef::sub("Centre", "out", Expr::index()),
         GateRef::element("SwPort", Expr::index(), "from_swctrl"),
         "",
         {},
         0,
         Expr::par("swPortNum") - 1},
    },
    "",
    false,
};

} // namespace

std::vector<FcFrameHead*> Fc1Record::heads() const
{
    return parts_of<FcFrameHead>(sent);
}
std::vector<FcFramePayload*> Fc1Record::payloads() const
{
    return parts_of<FcFramePayload>(sent);
}
std::vector<FcFrameTail*> Fc1Record::tails() const
{
    return parts_of<FcFrameTail>(sent);
}

void Scripted::activity()
{
    auto it = scripts.find(fullPath());
    if (it != scripts.end()) {
        const Script script = it->second;
        script(*this);
    }
    for (;;)
        take(receive());
}

void Scripted::out(cMessage* msg)
{
    send(msg, "out", 0);
}

const Arrival& Scripted::await(int kind)
{
    for (;;) {
        const Arrival& a = take(receive());
        if (a.kind == kind)
            return a;
    }
}

const Arrival& Scripted::take(cMessage* msg)
{
    std::vector<Arrival>& log = arrivals[fullPath()];
    Arrival a{msg->kind(), msg->name(), simTime(), std::unique_ptr<cMessage>(msg->dup()), ""};
    if (auto* env = dynamic_cast<FcSeqPayload*>(msg))
        if (env->getHasCtxPtr() && env->getCtxPtr())
            a.contextName = object_at<cObject>(env->getCtxPtr())->name();
    // The copy shares the addresses of what the message brought; it must not
    // be followed once the original is gone.
    discard_message(msg);
    log.push_back(std::move(a));
    return log.back();
}

namespace {

class TrackedContext : public cMessage {
  public:
    using cMessage::cMessage;
    ~TrackedContext() override { deletedContexts.push_back(name()); }
};

} // namespace

cMessage* context_object(const char* name)
{
    return new TrackedContext(name);
}

FcSeqPayload* Envelope::make() const
{
    auto* env = new FcSeqPayload("FC_SEQ_PAYLOAD", FC_SEQ_PAYLOAD);
    env->setLength(length);
    env->setSId(static_cast<std::uint32_t>(sId));
    env->setDId(static_cast<std::uint32_t>(dId));
    env->setType(static_cast<std::uint8_t>(type));
    env->setRCtl(static_cast<std::uint8_t>(rCtl));
    env->setFirstSeq(firstSeq);
    env->setLastSeq(lastSeq);
    env->setXferSeqInit(xferSeqInit);
    env->setClassOfSrv(classOfSrv);
    env->setRoPresent(roPresent);
    env->setParams(static_cast<std::uint32_t>(params));
    env->setFc4MemAddr(static_cast<std::uint32_t>(fc4MemAddr));
    env->setFc4IuIndex(static_cast<std::uint32_t>(fc4IuIndex));
    env->setOrigInitSsbSize(static_cast<std::uint16_t>(origInitSsbSize));
    env->setOrigRecpSsbSize(static_cast<std::uint16_t>(origRecpSsbSize));
    env->setRespInitSsbSize(static_cast<std::uint16_t>(respInitSsbSize));
    env->setRespRecpSsbSize(static_cast<std::uint16_t>(respRecpSsbSize));
    if (context) {
        env->setHasCtxPtr(true);
        env->setCtxPtr(object_address(context));
    }
    return env;
}

cMessage* req_eepair(unsigned long peer, long conCurrSeq, long recTov)
{
    auto* msg = new cMessage("REQ_EEPAIR", REQ_EEPAIR, 0);
    msg->addPar("peerAddrId").setLongValue(static_cast<long>(peer));
    msg->addPar("newC3ConCurrSeq").setLongValue(conCurrSeq);
    msg->addPar("newRecTov").setLongValue(recTov);
    return msg;
}

Define_Module_Interface(StandInFc1Link, linkItems);
Define_Module(StandInFc1Link, 16384);
Define_Module_Interface(Scripted, scriptedItems);
Define_Module(Scripted, 65536);
Define_Module_Interface(StandInFc1, linkItems);
Define_Described_Compound(StandInFc1, standInFc1Desc);
Define_Module_Interface(StandInNodePort, nodePortItems);
Define_Described_Compound(StandInNodePort, standInNodePortDesc);
Define_Module_Interface(StandInSwitchPort, switchPortItems);
Define_Described_Compound(StandInSwitchPort, standInSwitchPortDesc);
Define_Module_Interface(StandInHost, hostItems);
Define_Described_Compound(StandInHost, standInHostDesc);
Define_Module_Interface(NodeHost, hostItems);
Define_Described_Compound(NodeHost, nodeHostDesc);
Define_Module_Interface(StandInArray, arrayItems);
Define_Described_Compound(StandInArray, standInArrayDesc);
Define_Module_Interface(StandInChip, chipItems);
Define_Described_Compound(StandInChip, standInHostDesc);
Define_Module_Interface(StandInSwitch, switchItems);
Define_Described_Compound(StandInSwitch, standInSwitchDesc);
