#pragma once

#include <vector>

#include "fcport/EsbTable.h"
#include "fcport/RecurringSelfMessage.h"
#include "fcport/StatusBlocks.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

struct FcPortTiming;
struct TaskTiming;

// The FC-2 exchange and sequence engine of a port towards one peer: pair 0
// carries the port's link-service exchanges, pairs 1 and up the SCSI-FCP
// exchanges with one logged-in peer N_Port each. It keeps the status blocks
// of the exchanges the port originates (OESB) and answers (RESB), hands out
// OX_ID, RX_ID and SEQ_ID, cuts outgoing sequences into frames and rebuilds
// incoming ones, and adds what it sees to the device's end-to-end
// statistics. It talks only to its FC-2 controller, which gives it one work
// item at a time and waits for its NEXT_MSG.
class EndToEndPair : public cSimpleModule {
  public:
    EndToEndPair(const char* name, cModule* parent, unsigned stackSize);
    ~EndToEndPair() override;
    const char* className() const override { return "EndToEndPair"; }
    void activity() override;
    void finish() override {}

    // What the inspector watches show.
    int oesbSize() const { return oesb_.size(); }
    int resbSize() const { return resb_.size(); }
    int oesbInUse() const { return oesb_.inUse(); }
    int resbInUse() const { return resb_.inUse(); }
    bool oesbAllocFlag() const { return oesb_.allocated(); }
    bool resbAllocFlag() const { return resb_.allocated(); }
    long oesbUsed() const { return oesb_.used(); }
    long resbUsed() const { return resb_.used(); }
    long esbByFfqFF() const { return esbByFfqFF_; }
    long esbByAddrFF() const { return esbByAddrFF_; }
    const std::vector<ESB>& oesbTable() const { return oesb_.blocks(); }
    const std::vector<ESB>& resbTable() const { return resb_.blocks(); }

  protected:
    virtual void set_watch();
    virtual void init_eepair();
    virtual void frame_out();
    virtual bool validate_exch_comp(ESB* esb);
    virtual bool update_an_esb(int direction);
    virtual ESB* find_an_esb_by_ffq(const FrameQualifier& ffq, int direction);
    virtual SSB* find_an_ssb(ESB* esb, int recipient, unsigned char seqId);
    virtual void proc_fc_seq(FcSeqPayload* env);
    virtual void alloc_oesb(int n);
    virtual void alloc_resb(int n);
    virtual void reset_oesb();
    virtual void reset_resb();
    virtual void dealloc_oesb();
    virtual void dealloc_resb();
    virtual void alloc_init_ssb(ESB* esb, int n);
    virtual void alloc_recp_ssb(ESB* esb, int n);
    virtual void dealloc_init_ssb(ESB* esb);
    virtual void dealloc_recp_ssb(ESB* esb);
    virtual void fc_seq_assem(SSB* ssb, ESB* esb);
    virtual void fc_seq_frag(ESB* esb, FcSeqPayload* env);
    virtual ESB* find_an_esb_by_fc4Addr(unsigned long key);
    virtual ESB* open_an_oesb(FcSeqPayload* env);
    virtual ESB* open_an_resb();
    virtual void reset_an_esb(ESB* esb);
    virtual SSB* open_an_initssb(ESB* esb);
    virtual SSB* open_an_recpssb(ESB* esb);
    virtual void delete_an_esb(ESB* esb, bool notify);
    virtual void create_frame_qualifier(FrameQualifier& ffq, FcFrameHead* head);
    virtual unsigned long assign_sof(FcFrameHead* head, int classOfSrv);
    virtual unsigned long assign_eof(FcFrameHead* head, int classOfSrv);
    virtual void warnings(LogKind kind, const char* text);
    virtual void write_eestat_data(unsigned long remote, unsigned long local, long exchNew, long exchCom, long frmRcvd,
                                   double eeLat, long frmLen, double netDly, int hopNum, const long* rtPath);

    unsigned short alloc_oxid();
    unsigned short alloc_rxid();
    double load_timing(const TaskTiming* task) const;
    void delete_message(cMessage* msg);

  private:
    enum Direction { FRAME_TX_ACTIVE = 0, FRAME_RX_ACTIVE = 1 };

    void start();
    void dispatch(cMessage* msg);
    void proc_alloc_eepair(cMessage* msg);
    void proc_remove_eepair();
    void proc_resb_free(cMessage* msg);
    void proc_abt_sio_req(cMessage* msg);
    void proc_abort_exchange(cMessage* msg);
    void proc_hold_init(cMessage* msg);
    void proc_timed_out_oesb(cMessage* msg);
    void proc_seq_seg_cost();
    void proc_frm_txi_cost();
    void proc_frm_txu_cost(cMessage* msg);
    void proc_frm_rxu_cost(cMessage* msg);

    void send_to_ctrl(cMessage* msg) { send(msg, toCtrl_); }
    void send_next_msg();
    // `blocks` names the table's blocks in the log ("OESBs"), `longName` in
    // full ("OriginatorESBs").
    void alloc_table(EsbTable& table, int n, const char* blocks, const char* longName);
    void reset_table(EsbTable& table, const char* blocks);
    // Frees every block of a table with the contexts its SSBs hold.
    void free_table(EsbTable& table, const char* longName);
    // The first free block of a table, reset; none stops the run with `noneFree`.
    ESB* take_free_esb(EsbTable& table, const char* noneFree);
    // The next OX_ID or RX_ID from the layer's counter; an open block of the
    // table that still bears it is aborted.
    unsigned short take_xid(cPar* counter, EsbTable& table, std::uint16_t ESB::*field, const char* obtained,
                            const char* overlap);
    bool is_oesb(const ESB* esb) const { return oesb_.holds(esb); }
    void free_ssbs(std::vector<SSB>& ssbs, const char* contextWarning);
    // The two paths of update_an_esb: false when the frame was not applied.
    bool update_sent_frame();
    bool update_received_frame();
    // The qualifier of the received frame's exchange; the first frame of an
    // exchange opens its RESB.
    FrameQualifier received_qualifier();
    // The recipient SSB of the received frame: opened by a sequence's first
    // frame, which hands it the context object; null when none is found.
    SSB* received_ssb(ESB* esb);
    // The exchange's last sequence is done: the exchange ends normally and
    // gives its block back. `way` ("TX" or "RX") names the direction in the
    // error for an exchange with a sequence still open.
    void end_exchange(ESB* esb, const LocalFrameActive& f, const char* way, unsigned long remote, unsigned long local,
                      bool notify);
    // FC-4 is told to send the exchange's next sequence when we still hold
    // the sequence initiative.
    void keep_initiative(ESB* esb, const LocalFrameActive& f);
    // The open RESB of a first sequence whose frames carry no RX_ID yet.
    ESB* find_first_seq_resb(unsigned long origId, unsigned short oxId);
    // The frame parts of a sequence, appended to FRM_TX_QUE.
    void queue_frame(ESB* esb, SSB* ssb, FcSeqPayload* env, unsigned n, unsigned count, unsigned long offset,
                     unsigned long trunkId);

    cModule* root_ = nullptr;
    cModule* fc2Layer_ = nullptr;
    cModule* port_ = nullptr;
    bool swPort_ = false;
    int defConCurrSeq_ = 0;
    cPar* currOxId_ = nullptr;
    cPar* currRxId_ = nullptr;
    cPar* trunkId_ = nullptr;
    cPar* frmGid_ = nullptr;
    int toCtrl_ = -1;

    EsbTable oesb_;
    EsbTable resb_;
    long esbByFfqFF_ = 0;
    long esbByAddrFF_ = 0;

    cQueue frmTxQue_;
    double frmTxInterval_ = 1.5e-7;
    // The records of the sent or received frame being applied, inside the
    // frame's completion message; null between frames.
    const LocalFrameActive* lastTx_ = nullptr;
    LocalFrameActive* lastRx_ = nullptr;

    const FcPortTiming* timing_ = nullptr;
    cLinkedList* eeStatQue_ = nullptr;

    // The processing costs the pair waits out, one self-message each.
    RecurringSelfMessage seqSegCost_{"SEQ_SEG_COST", SEQ_SEG_COST};
    RecurringSelfMessage frmTxiCost_{"FRM_TXI_COST", FRM_TXI_COST};
    RecurringSelfMessage frmTxuCost_{"FRM_TXU_COST", FRM_TXU_COST};
    RecurringSelfMessage frmRxuCost_{"FRM_RXU_COST", FRM_RXU_COST};
};
