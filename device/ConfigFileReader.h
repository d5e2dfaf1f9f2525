#pragma once

#include <fstream>
#include <string>

#include "device/ConfigRow.h"
#include "sim/LineReader.h"

class cModule;

// Reads a sectioned configuration file: a device's `confFile` or a CPU-model
// timing file. A section starts at a marker line, a line whose first
// characters are the marker ("[2]", "[2.1]", "[3.1.2]"; the rest of the line
// is not examined). The first line after the marker that is not skipped is the
// section's column header, free text that is passed over; every further line
// that is not skipped is a data row. Skipped lines are empty lines and lines
// that begin with a TAB, LF, CR, blank or ';', so a line that begins with a
// blank is ignored whatever it holds. A byte-order mark before the first
// line is passed over.
//
// A section ends where its reader says: at a line beginning with an end
// marker, or at the end of the file. The end-marker line is kept, so a reader
// of consecutive sections can open the next one from it.
//
// Errors stop the run through the owning module's error(), whose path names
// the reader.
//
// A section reader is a short description of its fields on top of this class:
//
//     ConfigFileReader file(this, device->par("confFile").stringValue());
//     if (file.openSection("[1]", "[2]")) {
//         ConfigRow row;
//         while (file.nextRow(row)) {
//             row.check_count(4, "---> Switch Construct setting : ");
//             long domainId = row.asLong(0);
//             double raTov = row.asDouble(1);
//             std::string cpuModel = row.text(3);
//             ...
//         }
//     }
class ConfigFileReader {
  public:
    // The longest data row the format allows, without its line end.
    static constexpr size_t MAX_ROW_LENGTH = 255;
    // Lines that are not data rows (comments, headers) may be longer, up to
    // this, so that a file without line ends is still refused.
    static constexpr size_t MAX_LINE_LENGTH = 65536;

    // Opens `fileName` read-only, or stops the run with
    // "---> Couldn't open file \"<fileName>\"" and the reason (see
    // open_input_file); text that cannot be read by lines stops it too.
    ConfigFileReader(const cModule* owner, std::string fileName);

    const std::string& name() const { return name_; }
    const cModule* owner() const { return owner_; }
    // The section entered last ("[2]"), empty before the first.
    const std::string& sectionLabel() const { return label_; }
    // The number of the line read last, counted from 1.
    long lineNumber() const { return lineNumber_; }
    // The line of the marker found last.
    long markerLine() const { return markerLine_; }

    // Reads on to the first line that begins with `marker` and enters its
    // section (see enterSection). False when the file ends first.
    bool openSection(const char* marker, const char* endMarker = nullptr);

    // Enters a section that starts here: passes over the next line that is
    // not skipped, its header, unless that line already ends the section.
    // `label` names the section in messages ("[2]"); `endMarker` ends it,
    // null for a section that runs to the end of the file.
    void enterSection(const char* label, const char* endMarker = nullptr);

    // The next data row of the current section; false once the section has
    // ended. A row longer than MAX_ROW_LENGTH characters stops the run. Of a
    // longer line of any other kind (a comment, a header) only the start is
    // held, which is all that is looked at; one longer than MAX_LINE_LENGTH
    // stops the run. A line passed over for beginning with a blank or a TAB
    // that holds more than a comment is warned of: it looks like a row.
    bool nextRow(ConfigRow& row);

    // Reads on to the first line that begins with `marker`; false at the end
    // of the file. The marker line is consumed.
    bool findMarker(const char* marker);
    // The next line that is not skipped; false at the end of the file.
    bool nextLine(std::string& line);
    // The next line as it stands (only the start of one that is too long);
    // false at the end of the file.
    bool readLine(std::string& line);
    // Puts a line back to be read again first.
    void unreadLine(std::string line);

    static bool isSkipped(const std::string& line);
    static bool beginsWith(const std::string& line, const char* marker);

  private:
    static bool holdsIndentedRow(const std::string& line);
    // What becomes of the text after a NUL byte, or after a CR that ends no
    // line, in `line`, or null when nothing follows it: an editor shows that
    // text as rows of their own, which the format passes over.
    static const char* hiddenText(const std::string& line);
    // As nextLine(), warning of indented rows and hidden text.
    bool nextDataLine(std::string& line);

    const cModule* owner_;
    std::string name_;
    std::ifstream in_;
    LineReader lines_;
    long lineNumber_ = 0;
    long markerLine_ = 0;
    bool tooLong_ = false; // of the line read last
    bool hasPending_ = false;
    std::string pending_;
    std::string label_;
    std::string endMarker_;
    bool inSection_ = false;
};
