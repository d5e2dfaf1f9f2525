// A tiny network of two simple modules that bounce one message across a
// cable with a delay: the default simulation until the storage network
// model is in place.

#include <memory>

#include "sim/Sim.h"

namespace {

class Ping : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;

    void activity() override
    {
        long rounds = par("rounds").longValue();
        simtime_t start = simTime();
        send(new cMessage("PING", 1, 64), "out");
        for (long i = 1; i < rounds; ++i) {
            cMessage* reply = receive();
            EV << fullPath() << " --> " << reply->name() << " at " << simTime() << "\n";
            delete reply;
            send(new cMessage("PING", 1, 64), "out");
        }
        delete receive();
        std::printf("%s: %ld round trips in %.6f s of simulated time\n", fullPath().c_str(), rounds, simTime() - start);
    }
};

class Pong : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;

    void activity() override
    {
        simtime_t service = par("serviceTime").doubleValue();
        for (;;) {
            // Held by a unique_ptr while waiting: a run torn down meanwhile
            // must not leave it behind.
            std::unique_ptr<cMessage> msg(receive());
            EV << fullPath() << " --> " << msg->name() << " at " << simTime() << "\n";
            wait(service);
            msg->setName("PONG");
            send(msg.release(), "out");
        }
    }
};

class PingPongNet : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;

    void doBuildInside() override
    {
        cModule* ping = findModuleType("Ping")->create("Ping", this);
        ping->readInputParams();
        cModule* pong = findModuleType("Pong")->create("Pong", this);
        pong->readInputParams();
        double delay = par("cableDelay").doubleValue();
        connect(ping->gate("out"), pong->gate("in"), delay);
        connect(pong->gate("out"), ping->gate("in"), delay);
    }

  private:
    static void connect(cGate* from, cGate* to, double delay)
    {
        auto* channel = new cChannel("cable");
        channel->setDelay(delay);
        from->connectTo(to, channel);
    }
};

const sDescrItem pingItems[] = {{'M', "default", nullptr, 0},
                                {'P', "rounds", "L", 0},
                                {'G', "in", nullptr, 'I'},
                                {'G', "out", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};
const sDescrItem pongItems[] = {{'M', "default", nullptr, 0},
                                {'P', "serviceTime", "LD", 0},
                                {'G', "in", nullptr, 'I'},
                                {'G', "out", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};
const sDescrItem netItems[] = {{'M', "default", nullptr, 0}, {'P', "cableDelay", "LD", 0}, {'E', nullptr, nullptr, 0}};

void setupPingPong()
{
    cModule* root = findModuleType("PingPongNet")->create("PingPong", nullptr);
    simulation.setSystemModule(root);
    root->readInputParams();
    root->buildInside();
}

} // namespace

Define_Module_Interface(Ping, pingItems);
Define_Module(Ping, 8192);
Define_Module_Interface(Pong, pongItems);
Define_Module(Pong, 8192);
Define_Module_Interface(PingPongNet, netItems);
Define_Compound_Module(PingPongNet);
Define_Network(PingPong, setupPingPong);
