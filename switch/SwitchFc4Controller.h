#pragma once

#include <cstdint>
#include <string>

#include "device/RequestServer.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

// The FC-4 dispatcher of a switch port (`Fc4Ctrl`), between the port's FC-2
// layer, its three FC-4 services (`FcGs`, `FcEls`, `SwIls`) and the switch
// control centre.
//
// It hands the services one request at a time, each held until the service
// answers NEXT_MSG, and holds back the requests that would open an exchange
// while the services together have `defConCurrSeq` exchanges open. It brings
// the port up: on the first PORT_UP it resets the services and asks for link
// parameters a little later; once a fabric login (F_PORT_FOUND) or the link
// parameters (E_PORT_FOUND) fix the port's role, the PORT_UP after the link
// reset makes it report F_PORT_UP or E_PORT_UP to the centre. A switch port
// has no processor model: the services charge their own time, and this
// controller only adds up how long it stays busy in `asicUtilDelta`.
class SwitchFc4Controller : public cSimpleModule {
  public:
    SwitchFc4Controller(const char* name, cModule* parent, unsigned stackSize);
    ~SwitchFc4Controller() override;
    void activity() override;

  protected:
    virtual void proc_request();
    virtual void delete_message(cMessage* msg);
    virtual void proc_recv_seq(cMessage* msg);
    virtual void clear_fc4_resource();
    virtual void release_resource();
    virtual void warnings(LogKind kind, const char* text);

  private:
    void start();
    void handle(cMessage* msg);
    void queue(cMessage* msg);
    void end_of_request(cMessage* msg);
    void seq_from_fc2(cMessage* msg);
    void seq_from_service(cMessage* msg);
    void oesb_free(cMessage* msg);
    void fspf_packet(cMessage* msg);
    void port_down(cMessage* msg);
    void service_result(cMessage* msg);
    void centre_request(cMessage* msg);
    void dispatch(cMessage* msg);
    void dispatch_oesb_free(cMessage* msg);
    void open_exchange(cMessage* msg);
    void proc_port_up(cMessage* msg);
    void proc_port_down(cMessage* msg);
    void fabric_login(cMessage* msg);
    void elp_outcome(cMessage* msg);
    void port_up(cMessage* msg);
    void e_port_up();
    void f_port_up();
    long open_exchanges() const;
    cMessage* plain(const char* name, int kind) const;
    static void empty_into(cQueue& queue, SwitchFc4Controller& owner);

    cQueue heldQue_;
    // Held requests count as work: a release looks whether one may now open.
    RequestServer server_{"REQ_PROC_QUE", [this] { proc_request(); },
                          [this] { return !server_.empty() || !heldQue_.empty(); }};
    bool devDown_ = true;
    simtime_t startTime_ = 0;
    long defConCurrSeq_ = 0;
    std::string requestName_;

    std::uint32_t portId_ = 0;
    std::uint32_t nodeName_ = 0;
    std::uint32_t portName_ = 0;
    std::uint32_t newBbCredit_ = 0;
    std::uint32_t newEdTov_ = 0;
    std::uint32_t newRaTov_ = 0;
    std::uint32_t newConCurrSeq_ = 0;

    cModule* layer_ = nullptr;
    cModule* port_ = nullptr;
    cModule* root_ = nullptr;
    cPar* asicUtilDelta_ = nullptr;
    cPar* elpDone_ = nullptr;
    cPar* elpLrDone_ = nullptr;
    cPar* portMode_ = nullptr;
    const cPar* openCount_[3] = {nullptr, nullptr, nullptr};

    cGate* fromFc2_ = nullptr;
    cGate* fromSwctrl_ = nullptr;
    cGate* fromSwils_ = nullptr;
    cGate* toFc2_ = nullptr;
    cGate* toFcgs_ = nullptr;
    cGate* toFcels_ = nullptr;
    cGate* toSwils_ = nullptr;
    cGate* toSwctrl_ = nullptr;
};
