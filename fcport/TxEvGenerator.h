#pragma once

#include <string>
#include <vector>

#include "sim/Sim.h"

// Plays the scripted link failures and recoveries of its port: at the times
// the run-wide link-event file gives for this port it switches the port's
// transmitter off (EV_TX_OFF) and on again (EV_TX_ON), and the state machines
// at both ends of the cable take the link down and bring it back. It echoes
// the events it accepted into the link-event configuration file, and the
// generator holding the run's latest event marks the end of the link events
// (EV_DONE), on which the run's `evDone` and, with the I/O done, `simDone`
// are set.
class TxEvGenerator : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "TxEvGenerator"; }

  protected:
    void initialize() override;
    void activity() override;

    virtual void load_link_events();
    virtual bool validate_interval(double intervalMs);
    virtual void add_link_event(bool up, double timeMs, const std::string& line, const std::string& port);
    virtual void display_link_event();
    virtual void write_linkev_conf(const char* eventType, double timeSec, int index);

  private:
    struct LinkEvent {
        double delay; // seconds since the previous event, the first since time 0
        bool up;      // EV_TX_ON, else EV_TX_OFF
    };
    enum Section { NO_SECTION, OWN_SECTION, OTHER_SECTION };

    void take_section_line(const std::string& path);
    void warn_unless_cabled_port(const cModule* mod, const char* file);
    void take_event_line(const std::string& line);
    void warn_of_ignored_line(const std::string& line, long lineNumber, const char* why);
    // The time in ms of an event line whose joined text is `text`.
    double event_time(const std::string& text, const std::string& line) const;
    const char* event_file() const;

    std::vector<LinkEvent> events_;
    double prevTimeMs_ = 0;
    long maxLinkEv_ = 0;
    double minEvInt_ = 0; // ms
    cModule* root_ = nullptr;
    cModule* port_ = nullptr;
    cModule* peer_ = nullptr;

    // Reading state of the link-event file.
    bool ownSeen_ = false;
    // The first generator to read the file also checks that every section
    // names a cabled port: the events of any other go nowhere.
    bool checksSections_ = false;
    bool peerSeen_ = false;
    Section section_ = NO_SECTION;
    std::string portName_;
    std::string rootPath_; // the root's full path and a dot
};
