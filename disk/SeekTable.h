#pragma once

#include <string>
#include <vector>

class cModule;

// The seek curve of a disk model, from "<model>.seek.full.ini": one record
// per cylinder distance, in order, each a distance and a seek time in ms.
// All disks of a model share one table, which the first of them reads; its
// address is kept in the root parameter "<model>_seek_ptr".
class SeekTable {
  public:
    struct Record {
        double distance; // whole cylinders
        double timeMs;
    };

    // Beyond these a record describes no disk: far more cylinders than any
    // disk has, and a seek of more than a minute.
    static constexpr double MAX_DISTANCE = 1e9;
    static constexpr double MAX_SEEK_MS = 60000;

    static std::string file_name(const std::string& model);
    static std::string root_par_name(const std::string& model);

    // Reads `cylNum` records; a file that ends early, holds something that is
    // not a number, or a distance or time out of range stops the run through
    // `reader`, naming the file.
    void read(const cModule* reader, const std::string& model, long cylNum);

    // The number (from 1) of the first record whose time is shorter than the
    // one before it, or 0 when the times never fall as the distance grows.
    long first_falling_record() const;
    // The number (from 1) of the first record whose distance is that of the
    // record before it, or 0: a record given twice puts every later one a
    // distance off.
    long first_repeated_record() const;

    // The seek time of a move of `distance` cylinders (1 or more): that of the
    // distance-th record.
    double seek_ms(long distance) const { return records_[distance - 1].timeMs; }
    const std::vector<Record>& records() const { return records_; }

  private:
    std::vector<Record> records_;
};
