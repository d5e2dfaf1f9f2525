#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/ConfigText.h"
#include "network/CompoundDescription.h"

// Larger variants of a configuration of the shipped test bed (such as
// examples/default), written as copies for the benchmarks that measure how
// the whole model's cost grows. Every function throws std::runtime_error
// when the configuration does not have the shape it expects.

// Copies the configuration's files from `from` into `to`: the inputs only,
// not what a run there left in its folders (progData/).
void copy_inputs(const std::filesystem::path& from, const std::filesystem::path& to);

// A copy of `from` in `to` with every host's I/O counts (the IoNum column of
// section "[3]") multiplied by `factor`. The run then lasts about `factor`
// times as long in simulated time, so the copy's sim-time-limit and
// cpu-time-limit are multiplied too; the link events keep their times.
void write_io_scaled_copy(const std::filesystem::path& from, const std::filesystem::path& to, int factor);

// The test bed with every host of DataCtr1 and DataCtr2 given `k` times its
// node ports and its LUNs. Copy j (1 .. k-1) of a host's node port p is port
// p + j * n (n: the host's own port count), cabled to the switch of port p at
// a new switch port appended after the switch's existing ones. Copy j of an
// array LUN is named with the suffix "_<j+1>" and lives on a copy of the
// array's back end: the array control processor boards a + j * A (A: the
// array's own board count) with the same array groups and disks. Each of a
// host's streams gets a copy j for copy j of its LUN, and the stream's I/O
// count is shared out over its k copies (rounded up), so that the run asks
// about as many I/Os as the shipped one, over k times the ports, paths and
// LUNs: the array's one control-memory processor serves the cache of every
// LUN, is busy up to 94% at the shipped load already, and saturates for good
// at four times that load. Every LUN, old and new, is masked to all of its
// host's ports, copy j preferring copy j of the ports. The arrays' caches,
// processors and remote mirrors stay as they are; the extra LUNs are not
// mirrored to the recovery site.
class HostScaledTestBed {
  public:
    HostScaledTestBed(const std::filesystem::path& from, int k);

    int factor() const { return k_; }
    // Writes the scaled copy of the configuration into `to`.
    void write_copy(const std::filesystem::path& to) const;
    // The scaled DataCentre1 (site 1) and DataCentre2 (site 2).
    const CompoundDescription& site(int number) const { return sites_.at(number); }
    // Port counts of the scaled copy, by module path below the network
    // ("DataCtr1.Host1"): node ports of the hosts, ports of the switches.
    const std::map<std::string, int>& port_counts() const { return portCounts_; }

  private:
    struct Site;
    void scale_site(const Site& site);
    void scale_host(const std::string& path, int ports);
    void scale_array(const std::string& path);
    void scale_switch(const std::string& path, int ports, const std::vector<std::string>& addedRows);
    void scale_zone_set();
    void write_ini_overrides();
    ConfigText& edited(const std::string& file);
    std::string conf_file(const std::string& path) const;

    std::filesystem::path from_;
    int k_;
    std::map<std::string, std::string> confFiles_; // module path -> file name
    std::map<std::string, ConfigText> edited_;     // file name -> new text
    std::map<std::string, int> portCounts_;
    std::map<std::string, int> ownPorts_; // hosts' own node-port counts
    std::map<std::string, int> acpCounts_;
    std::map<int, CompoundDescription> sites_;
    std::vector<std::string> zonedHosts_;
};
