#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "host/IoGenTable.h"
#include "sim/cSimpleModule.h"

class ConfigFileReader;
class ConfigRow;

// The workload source `IoGen` of a client host. At set-up it reads the host's
// workload sections "[3]" to "[3.1.3]": I/O generation tables, each a stream
// of a number of I/Os to one LUN, and the IO, size, block and gap patterns
// they name, and resolves every table against its patterns. A stream starts
// when the SCSI layer reports its LUN ready; each I/O then draws its
// direction, size, first block and the gap to the next I/O, and goes down to
// the SCSI layer as a SCSI_RDWR_IO. It keeps the run-wide counts of I/Os to
// generate and to complete, a workload file per stream and a periodic
// statistics file.
class IoGenerator : public cSimpleModule {
  public:
    IoGenerator(const char* name, cModule* parent, unsigned stackSize);

    void initialize() override;
    void activity() override;
    void finish() override;

    const std::vector<IoGenTable>& tables() const { return tables_; }
    // A warning for each table whose LUN no path announced: its stream never
    // started, and its I/Os are missing from the run.
    void warn_unstarted_tables();

  protected:
    virtual void assign_iogen_params();
    virtual bool validate_dist_func(const char* dist);
    virtual bool validate_func_param(const char* dist, int parNum);
    virtual int get_func_parnum(const char* dist);
    virtual void assign_iogen_3xx(AssTbl* entry, ConfigFileReader& file);
    virtual void init_ass_tbl();
    virtual void init_element_tbl();
    virtual void start_lun_io(cMessage* msg);
    virtual void gen_first_io(IoGenTable* t);
    virtual void gen_next_io(IoGenTable* t);
    virtual void gen_io(IoGenTable* t);
    virtual double gen_random_number(const char* dist, int rng, double p1, double p2, double p3);
    virtual void construct_scsi_ioreq(int ioType, unsigned long size, unsigned long blkAddr, IoGenTable* t);
    virtual void write_wrkload_file(int ioType, unsigned long size, unsigned long blkAddr, IoGenTable* t);
    virtual void create_iogen_file();
    virtual void write_iogen_file();
    virtual void print_iogen_table();

  private:
    // Reading the sections.
    void read_row(int entry, const ConfigRow& row);
    void read_table_row(const ConfigRow& row);
    void read_io_pattern_row(const ConfigRow& row);
    void read_pattern_row(int entry, const ConfigRow& row);
    void check_field_count(const ConfigRow& row, int fields, const char* tooMany, const char* tooFew,
                           const std::string& rowName) const;
    void check_name(const std::string& name, const char* format, const std::string* rowName) const;
    // Resolving the tables against their patterns.
    void resolve_table(IoGenTable& t);
    void resolve_pattern(IoGenTable& t, PatternRecord& into, const std::string& patternName, int entry);
    static int leading_parameters(const PatternRecord& p);

    // Generating.
    void handle(cMessage* msg);
    IoGenTable* table_of(cMessage* msg);
    unsigned long draw_size(IoGenTable* t);
    double draw_block(IoGenTable* t);
    double draw_gap(IoGenTable* t);
    bool place_sequential(IoGenTable* t, double drawn, unsigned long& size, unsigned long& blkAddr);
    void place_random(IoGenTable* t, double drawn, unsigned long& size, unsigned long& blkAddr);
    void end_sequential_stream(IoGenTable* t);
    void schedule_io(const char* name, int kind, IoGenTable* t, double gap);
    void warn_of_blocks_beyond_lun(const IoGenTable& t);
    void note_io_done();
    void note_skipped();
    void add_to(cPar* counter, long amount);

    // The dump of the resolved tables.
    void print_pattern(std::ostream& out, const char* label, const PatternRecord& p);

    cModule* root_ = nullptr;
    std::string confFile_;
    long maxIoGen_ = 0;
    double period_ = 0; // seconds
    AssTbl assTbl_[5];
    std::vector<IoGenTable> tables_;
    std::vector<IoPatternRecord> ioPatterns_;
    std::vector<PatternRecord> patterns_[3]; // size, block, gap
    OutputStream statFile_;

    cPar* skipScsiIo_ = nullptr;
    cPar* simDone_ = nullptr;
    cPar* ioDone_ = nullptr;
    cPar* evDone_ = nullptr;
    cPar* netIoToGen_ = nullptr;
    cPar* netIoToGenFlag_ = nullptr;
    cPar* rawIoNum_ = nullptr;
    cPar* netIoNum_ = nullptr;
    cPar* netIoComp_ = nullptr;
};
