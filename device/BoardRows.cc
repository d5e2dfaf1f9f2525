#include "device/BoardRows.h"

#include "device/ConfigFileReader.h"
#include "sim/cException.h"
#include "sim/cModule.h"

namespace {

void warn_of_missing_board(const ConfigRow& line, const BoardRows& rows, long idx)
{
    const std::string has = rows.boards == 1 ? opp_format("only %s[0]", rows.vector)
                                             : opp_format("%s[0] to %s[%d]", rows.vector, rows.vector, rows.boards - 1);
    line.warn(0, opp_format("names the board %s[%ld], which the array does not have: it has %s; this row is ignored",
                            rows.vector, idx, has.c_str()));
}

// Reads the open section to its end for the board's row.
bool find_board_row(ConfigFileReader& section, const BoardRows& rows, ConfigRow& row)
{
    bool found = false;
    ConfigRow line;
    while (section.nextRow(line)) {
        const long idx = line.asLong(0);
        if (!found)
            line.check_at_most(rows.fields, rows.subject, idx);
        if (idx < 0 || idx >= rows.boards)
            warn_of_missing_board(line, rows, idx);
        else if (idx == rows.index && found)
            line.warn_repeated(row, "board");
        else if (idx == rows.index) {
            row = line;
            found = true;
        }
    }
    return found;
}

} // namespace

ConfigRow read_board_row(const cModule* reader, const std::string& confFile, const char* marker, const char* endMarker,
                         const BoardRows& rows, const std::string& boardPath)
{
    ConfigFileReader file(reader, confFile);
    ConfigRow row;
    if (!file.openSection(marker, endMarker) || !find_board_row(file, rows, row))
        reader->error("---> Missing settings for %s. Please check section %s of the file \"%s\"", boardPath.c_str(),
                      marker, confFile.c_str());
    row.check_at_least(rows.fields, rows.subject, rows.index);
    return row;
}
