#pragma once

#include <string>

class cModule;

// One array group's row of section "[5]" of a storage device's
// configuration file: the loop speed, the disk model and how many disks of
// it the group holds, and whether those disks record every sector response.
struct ArrayGroupRow {
    long portSpeed = 0;
    std::string diskModel;
    long diskCount = 0;
    bool secResp = false; // only "Y" or "y" turn it on
};

// Finds the first row of board `acpId`, group `grpId` in `confFile`. A row with
// more than 6 fields anywhere in the section, a matching row with fewer, no
// matching row or a file that cannot be opened stops the run through
// `reader`; a later row for the group is warned of.
ArrayGroupRow read_array_group_row(const cModule* reader, const std::string& confFile, int acpId, int grpId);
