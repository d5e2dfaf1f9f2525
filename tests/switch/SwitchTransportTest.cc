// The port transport between three scripted ends that stand where the port's
// FC-2 controller, FC-4 controller and the switch centre are.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "messages/MsgKinds.h"
#include "sim/Sim.h"
#include "tests/shared/TestHelpers.h"

namespace {

// Sends its script at time 0, in order, and records what it sent and what
// reaches it.
class TransportEnd : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void activity() override
    {
        for (const auto& [name, kind] : script) {
            auto* msg = new cMessage(name.c_str(), kind, 0);
            sent.push_back(msg);
            send(msg, "out");
        }
        for (;;) {
            cMessage* msg = receive();
            got.push_back({simTime(), msg->kind(), msg});
            delete msg;
        }
    }
    struct Got {
        double time;
        int kind;
        const cMessage* msg; // for identity only; already deleted
    };
    std::vector<std::pair<std::string, int>> script;
    std::vector<const cMessage*> sent; // for identity only
    std::vector<Got> got;
};

const sDescrItem endItems[] = {
    {'M', "default", nullptr, 0}, {'G', "in", nullptr, 'I'}, {'G', "out", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

class SwitchTransportTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ev.setDisabled(true);
        simulation.deleteNetwork();
        cModule* root = newVelmoraRoot();
        trans = findModuleType("SwitchTransport")->create("SwTrans", root);
        for (const char* side : {"fc2", "fc4", "swctrl"}) {
            auto* end = static_cast<TransportEnd*>(findModuleType("TransportEnd")->create(side, root));
            end->gate("out")->connectTo(trans->gate((std::string("from_") + side).c_str()));
            trans->gate((std::string("to_") + side).c_str())->connectTo(end->gate("in"));
            ends[side] = end;
        }
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        ev.setDisabled(false);
    }
    void from(const char* side, const char* name, int kind) { ends[side]->script.push_back({name, kind}); }
    const std::vector<const cMessage*>& sentBy(const char* side) { return ends[side]->sent; }
    std::string run()
    {
        return errorOf([] {
            simulation.callInitialize();
            simulation.run();
        });
    }
    // A run meant to stop: the message in the transport's hands stays there.
    std::string runToError()
    {
#if defined(__SANITIZE_ADDRESS__)
        __lsan::ScopedDisabler leaksOfTheStoppedRun;
#endif
        return errorOf([] {
            simulation.callInitialize();
            simulation.run();
        });
    }
    // The kinds that reached `side`, in order, each the very message sent.
    std::vector<int> kindsAt(const char* side, const std::vector<const cMessage*>& expected)
    {
        std::vector<int> kinds;
        const auto& got = ends[side]->got;
        for (size_t i = 0; i < got.size(); ++i) {
            kinds.push_back(got[i].kind);
            EXPECT_EQ(got[i].time, 0.0);
            if (i < expected.size()) {
                EXPECT_EQ(got[i].msg, expected[i]) << side << " " << i;
            }
        }
        return kinds;
    }

    cModule* trans = nullptr;
    std::map<std::string, TransportEnd*> ends;
};

TEST_F(SwitchTransportTest, FramesGoBetweenFc2AndTheCentreRoutingBetweenFc4AndTheCentre)
{
    // What a port's FC-2 controller hands the centre, and what comes back.
    for (int kind : {REQ_FRM_FWD, FC_FRAME_PAYLOAD, FC_FRAME_TAIL, ACK_FRM_FWD, COM_FRM_FWD})
        from("fc2", msgKindName(kind), kind);
    for (int kind : {REQ_FRM_FWD, FC_FRAME_PAYLOAD, FC_FRAME_TAIL, ACK_FRM_FWD, RJT_FRM_FWD, COM_FRM_FWD})
        from("swctrl", msgKindName(kind), kind);
    // The FC-4 controller's reports and routing packets, and the centre's
    // requests and answers for the FC-4 services.
    from("fc4", "FSPF_LSU", 76);
    for (int kind : {E_PORT_UP, F_PORT_UP, GOT_RFF_ID, GOT_GFF_ID, GOT_GID_FT, GOT_SW_RSCN, RECV_PID_LIST, DEV_DOWN})
        from("fc4", msgKindName(kind), kind);
    from("swctrl", "FSPF_HELLO", 76);
    for (int kind : {REQ_GFF_ID, ACC_GFF_ID, RJT_GFF_ID, REQ_GID_FT, ACC_GID_FT, ISSUE_RSCN, ISSUE_SW_RSCN})
        from("swctrl", msgKindName(kind), kind);
    // A report that comes in on the FC-2 side still goes to the centre.
    from("fc2", "DEV_DOWN", DEV_DOWN);
    ASSERT_EQ(run(), "");

    // The centre got everything FC-2 sent, then everything FC-4 sent; FC-2
    // and FC-4 got the centre's messages in the order sent.
    std::vector<const cMessage*> atCentre = sentBy("fc2");
    atCentre.insert(atCentre.end(), sentBy("fc4").begin(), sentBy("fc4").end());
    EXPECT_EQ(kindsAt("swctrl", atCentre),
              (std::vector<int>{58, 52, 53, 59, 61, 89, 76, 92, 93, 104, 116, 120, 125, 129, 89}));
    const auto& fromCentre = sentBy("swctrl");
    std::vector<const cMessage*> atFc2(fromCentre.begin(), fromCentre.begin() + 6);
    EXPECT_EQ(kindsAt("fc2", atFc2), (std::vector<int>{58, 52, 53, 59, 60, 61}));
    std::vector<const cMessage*> atFc4(fromCentre.begin() + 6, fromCentre.end());
    EXPECT_EQ(kindsAt("fc4", atFc4), (std::vector<int>{76, 115, 117, 118, 119, 121, 123, 124}));
}

TEST_F(SwitchTransportTest, AForwardingMessageFromTheFc4SideStopsTheRun)
{
    from("fc4", "ACK_FRM_FWD", ACK_FRM_FWD);
    EXPECT_EQ(runToError(), "---> ACK_FRM_FWD came from wrong place");
    EXPECT_TRUE(ends["swctrl"]->got.empty());
}

TEST_F(SwitchTransportTest, AnFspfPacketFromTheFc2SideStopsTheRun)
{
    from("fc2", "FSPF_HELLO", 76);
    EXPECT_EQ(runToError(), "---> FSPF_PACKET came from wrong place");
}

TEST_F(SwitchTransportTest, AKindItDoesNotCarryStopsTheRun)
{
    from("fc2", "PORT_UP", PORT_UP);
    EXPECT_EQ(runToError(), "---> No idea know how to handle message: PORT_UP");
}

} // namespace

Define_Module_Interface(TransportEnd, endItems);
Define_Module(TransportEnd, 32768);
