#pragma once

#include <map>
#include <string>

class cModule;
class ZoneSet;

// The zone set of the run, read by every switch from the same zone-set file
// at the start of its coroutine: a line "[name]" starts a zone, each further
// line names one N_Port module by its path below the root, and ';' starts a
// comment line. A member's address is that of the N_Port behind the switch
// port at the far end of its cable. The first switch of the run also writes
// the zone configuration file and warns of the initiators no zone holds.
class ZoneSetFile {
  public:
    // Errors stop the run through `reader`; `first` marks the run's first switch.
    ZoneSetFile(const cModule* reader, cModule* root, bool first);

    // `zones` sized by root `maxZoneNum` and `maxZoneMem` and filled from the file.
    void read_into(ZoneSet& zones) const;

  private:
    void init_zone_set(ZoneSet& zones) const;
    void load_zone_set(ZoneSet& zones) const;
    void cut_to_zone_line_length(std::string& line, int lineNo, const std::string& path) const;
    void warn_if_named_before(const std::string& zoneName, int lineNo, const std::string& path,
                              std::map<std::string, int>& nameLines) const;
    void display_zone_set(const ZoneSet& zones) const;
    void warn_of_unzoned_initiators(const ZoneSet& zones) const;

    const cModule* reader_;
    cModule* root_;
    bool first_;
};
