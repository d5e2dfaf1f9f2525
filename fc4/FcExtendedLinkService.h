#pragma once

#include "fc4/Fc4Service.h"
#include "fc4/FcElsSb.h"
#include "fc4/SequenceEnvelope.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// The extended link services of one port (`FcEls`): fabric login, N_Port
// login, abort exchange and state-change notification.
//
// On a node port it sends FLOGI and PLOGI and takes their accepts, answers
// PLOGI on a target port, sends and answers ABTX, and turns a received RSCN
// into a feature query. On a switch port it accepts the attached N_Port's
// fabric login, giving it its address, and sends RSCN for the switch centre.
//
// Each piece of work costs processor time and ends with NEXT_MSG to the FC-4
// controller, which closes the processor grant; time-outs and the end of an
// originator exchange reported by FC-2 are handled at once.
class FcExtendedLinkService : public Fc4Service<FcElsSb> {
  public:
    FcExtendedLinkService(const char* name, cModule* parent, unsigned stackSize);
    ~FcExtendedLinkService() override;

    void activity() override;
    void finish() override {}

  protected:
    virtual void proc_recv_fcels(FcElsPacket* packet, FcSeqPayload* seq);
    virtual void proc_els_acc(FcElsPacket* packet, FcSeqPayload* seq);
    virtual void request_fabric_login();
    virtual void acc_fabric_login(FcElsPacket* packet, FcSeqPayload* seq);
    virtual void proc_flogi_acc(FcElsPacket* packet, FcSeqPayload* seq, FcElsSb* sb);
    virtual void request_nport_login(cMessage* req);
    virtual void acc_nport_login(FcElsPacket* packet, FcSeqPayload* seq);
    virtual void proc_plogi_acc(FcElsPacket* packet, FcSeqPayload* seq, FcElsSb* sb);
    virtual void issue_rscn(cMessage* req);
    virtual void proc_rscn(FcElsPacket* packet, FcSeqPayload* seq);
    virtual void proc_msg_send(cMessage* cost);
    virtual void proc_plogi_timeout(cMessage* msg);
    virtual void proc_abtx_timeout(cMessage* msg);
    virtual void request_abtx(cMessage* req);
    virtual void acc_abtx(FcElsPacket* packet, FcSeqPayload* seq);
    virtual void proc_abtx_acc(FcElsPacket* packet, FcSeqPayload* seq, FcElsSb* sb);

  private:
    void handle(cMessage* msg);
    void proc_recv_cost(cMessage* cost);
    void send_envelope(cMessage* packet, unsigned long key, const EnvelopeRoute& route);
    FcElsPacket* new_plogi_packet(const char* name, unsigned long cmdCode);
    void send_req_eepair(FcElsPacket* packet, unsigned long peer);
    long port_long(const char* name) const;
    bool isInitiator() const;
};
