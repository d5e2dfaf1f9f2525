#pragma once

#include "fc4/Fc4Service.h"
#include "fc4/FcGsSb.h"
#include "fc4/SequenceEnvelope.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// The generic services (common transport, TYPE 0x20) of one port (`FcGs`),
// for the directory service's name server only.
//
// On a node port it is the name-server client: it registers the port's FC-4
// feature (RFF_ID), asks for the SCSI-FCP ports it may see (GID_FT) and for
// the feature of each (GFF_ID), and tells the FC-4 controller what it
// learned. On a switch port it is the front end of the switch's name server:
// it hands the requests arriving on the port to the switch and sends back
// the accept or reject the switch decides, and it carries the switch's own
// GID_FT and GFF_ID queries to other switches' domain controllers.
class FcGenericServices : public Fc4Service<FcGsSb> {
  public:
    FcGenericServices(const char* name, cModule* parent, unsigned stackSize);
    ~FcGenericServices() override;

    void activity() override;
    void finish() override {}

  protected:
    virtual void proc_recv_fcgs(FcGsPacket* packet, FcSeqPayload* seq);
    virtual void request_rff_id();
    virtual void acc_rff_id(FcGsPacket* packet, FcSeqPayload* seq);
    virtual void proc_ct_acc(FcGsPacket* packet, FcSeqPayload* seq);
    virtual void request_gff_id(cMessage* req);
    virtual void proc_gff_id(FcGsPacket* packet, FcSeqPayload* seq);
    virtual void acc_gff_id(cMessage* answer);
    virtual void request_gid_ft(cMessage* req);
    virtual void proc_gid_ft(FcGsPacket* packet, FcSeqPayload* seq);
    virtual void acc_gid_ft(cMessage* answer);
    virtual void proc_msg_send(cMessage* cost);

  private:
    void handle(cMessage* msg);
    void proc_recv_cost(cMessage* cost);
    FcGsPacket* new_packet(const char* name, unsigned cmdCode, unsigned long msgLen) const;
    void open_request(FcGsPacket* packet, long destDom);
    FcGsSb* open_answer(FcGsPacket* packet, FcSeqPayload* seq, const char* nodePortText, const char* duplicateText);
    FcGsSb* answered_block(cMessage* answer, const char* missingText);
    unsigned long domain_controller(long domain) const;
};
