#pragma once

#include <cstdint>
#include <memory>

#include "fc4/Fc4Service.h"
#include "fc4/SequenceEnvelope.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"
#include "switch/SwIlsSb.h"

// The inter-switch link services of a switch port (`SwIls`), frame TYPE 0x22
// over Class F.
//
// It exchanges link parameters (ELP) with the switch port at the far end of
// the cable, which makes the port an E_Port: of two ports the one with the
// higher `portName` rejects the other's ELP, so only the lower one's accept
// counts, and the side whose ELP was accepted asks for the link reset. It
// sends state-change notifications (SW_RSCN) to other switches' domain
// controllers, wraps the control centre's FSPF packets into sequence
// envelopes and unwraps the SW_ILS and FSPF sequences that arrive.
//
// Every request from the FC-4 controller costs processor time from the
// port's FC-4 task timings and ends with one NEXT_MSG.
class SwitchInternalLinkService : public Fc4Service<SwIlsSb> {
  public:
    SwitchInternalLinkService(const char* name, cModule* parent, unsigned stackSize);
    ~SwitchInternalLinkService() override;

    void activity() override;
    void finish() override {}

  protected:
    virtual void issue_sw_rscn(cMessage* req);
    virtual void proc_recv_swils(cMessage* packet, FcSeqPayload* seq);
    virtual void request_ils_elp(unsigned cmdCode, unsigned long fc4MemAddr);
    virtual void acc_ils_elp(SwIlsPacket* packet, FcSeqPayload* seq);
    virtual void proc_acc_elp(SwIlsPacket* packet, FcSeqPayload* seq, SwIlsSb* sb);
    virtual void proc_sw_acc(SwIlsPacket* packet, FcSeqPayload* seq);
    virtual void rjt_ils_elp(unsigned cmdCode, unsigned long fc4MemAddr);
    virtual void proc_rjt_elp(SwIlsPacket* packet, FcSeqPayload* seq, SwIlsSb* sb);
    virtual void proc_sw_rjt(SwIlsPacket* packet, FcSeqPayload* seq);
    virtual void proc_msg_send(cMessage* cost);

    static std::uint32_t get_larger_value(std::uint32_t a, std::uint32_t b) { return a > b ? a : b; }

  private:
    // The values of one side of the link, as an ELP or its accept carries
    // them.
    struct LinkValues {
        std::uint32_t raTov = 0;
        std::uint32_t edTov = 0;
        std::uint32_t recvBufSize = 0;
        std::uint32_t conCurrSeq = 0;
    };

    void handle(cMessage* msg);
    void proc_recv_cost(cMessage* cost);
    void send_fspf_packet(cMessage* packet);
    SwIlsSb* open_osb(unsigned cmdCode, bool done);
    bool attached_to_node_port() const;
    void record_link_values(const SwIlsPacket* peer);
    void report_e_port(bool reqLr);
    void send_envelope(cMessage* packet, unsigned long key, const EnvelopeRoute& route);
    static EnvelopeRoute route(unsigned long sId, unsigned long dId, unsigned rCtl, bool firstSeq, bool lastSeq);

    cModule* switch_ = nullptr;
    LinkValues peer_;
    LinkValues own_;
};
