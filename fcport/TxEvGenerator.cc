#include "fcport/TxEvGenerator.h"

#include <cctype>
#include <cstring>
#include <iomanip>

#include "device/InputFile.h"
#include "device/OutputFile.h"
#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/DecimalNumber.h"
#include "sim/LineReader.h"

namespace {

constexpr size_t MAX_LINE = 255;
const int LINE_WIDTH = 60;
// Event times and the end delay stay below this (about 30 years), where the
// clock still tells microseconds apart.
constexpr double MAX_TIME_MS = 1e12;

// The printable non-blank characters of `text`, less any `skip`.
std::string printable(const std::string& text, char skip = '\0')
{
    std::string out;
    for (char c : text)
        if (std::isgraph(static_cast<unsigned char>(c)) && c != skip)
            out += c;
    return out;
}

// A line that begins with a TAB or a blank is skipped whatever it holds;
// one that holds more than a comment was most likely meant to be read.
bool is_indented_item(const std::string& line)
{
    if (line.empty() || (line[0] != '\t' && line[0] != ' '))
        return false;
    const size_t first = line.find_first_not_of(" \t\r");
    return first != std::string::npos && line[first] != ';';
}

void write_header(std::ostream& out)
{
    out << "Velmora Link Events Configuration ...... " << '\n' << std::string(LINE_WIDTH, '=') << '\n';
}

} // namespace

const char* TxEvGenerator::event_file() const
{
    return root_->par("linkEventFile").stringValue();
}

void TxEvGenerator::initialize()
{
    prevTimeMs_ = 0;
    events_.clear();
    root_ = find_root(this);
    maxLinkEv_ = root_long_setting(this, root_, "maxLinkEv");
    if (maxLinkEv_ < 1)
        error("---> Invalid \"maxLinkEv\". Value must > 0. Please check the file \"omnetpp.ini\"");
    minEvInt_ = root_double_setting(this, root_, "minEvInt");
    if (minEvInt_ < 1000)
        error("---> Invalid \"minEvInt\". Inter-events time must >= 1000ms. Please check the file \"omnetpp.ini\"");
    // A negative delay would put the end of the link events before their start.
    const double evEndDelay = root_double_setting(this, root_, "evEndDelay");
    if (evEndDelay < 0)
        error("---> Invalid \"evEndDelay\". Value must >= 0. Please check the file \"omnetpp.ini\"");
    if (!(evEndDelay < MAX_TIME_MS))
        error("---> Invalid \"evEndDelay\". Value must < %.0f ms. Please check the file \"omnetpp.ini\"", MAX_TIME_MS);

    port_ = parentModule()->parentModule();
    cGate* out = port_->findGate("link_out") >= 0 ? port_->gate("link_out") : nullptr;
    double delay;
    cGate* far = out ? out->route(delay) : nullptr;
    if (far) {
        cModule* fc1 = far->ownerModule()->parentModule();
        peer_ = fc1 ? fc1->parentModule() : nullptr;
        load_link_events();
    }
    if (!events_.empty())
        display_link_event();
}

void TxEvGenerator::load_link_events()
{
    const char* file = event_file();
    std::ifstream in = open_input_file(this, file);
    ownSeen_ = peerSeen_ = false;
    section_ = NO_SECTION;
    checksSections_ = !root_->hasPar("linkEvSectionsChecked");
    if (checksSections_)
        root_->addPar("linkEvSectionsChecked").setBoolValue(true);
    rootPath_ = root_->fullPath() + ".";
    std::string line;
    LineReader lines(in, MAX_LINE);
    for (LineReader::Result got; (got = lines.next(line)) != LineReader::END;) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (got == LineReader::TOO_LONG)
            error("---> Link Events : found a line longer than %d characters. Please check the file \"%s\"",
                  static_cast<int>(MAX_LINE), file);
        if (line.empty() || std::strchr("\t\n\r ;", line[0])) {
            if (checksSections_ && is_indented_item(line))
                warn_of_ignored_line(line, lines.lineNumber(), "is indented, and an indented line is ignored");
            // The line's text is shown without the NUL, which would end it.
            if (checksSections_ && line[0] == '\0' && !printable(line).empty())
                warn_of_ignored_line(line.substr(1), lines.lineNumber(), "begins with a NUL byte, so it is ignored");
            continue;
        }
        if (line[0] == '@') {
            const std::string path = printable(line, '@');
            if (!path.empty())
                take_section_line(path);
            continue;
        }
        if (section_ == NO_SECTION && checksSections_)
            warn_of_ignored_line(line, lines.lineNumber(),
                                 "comes before the first port line (\"@...\") and is ignored");
        if (ownSeen_ && section_ == OWN_SECTION)
            take_event_line(line);
    }
}

void TxEvGenerator::take_section_line(const std::string& path)
{
    const char* file = event_file();
    portName_ = path;
    // The path must name the module exactly; the kernel's lookup would read
    // "NxPort[0];x" as NxPort[0].
    cModule* mod = root_->moduleByRelativePath(path.c_str());
    if (mod && mod->fullPath() != rootPath_ + path)
        mod = nullptr;
    if (!mod)
        error("---> Link Event : found invalid port name \"%s\". Please check the file \"%s\"", path.c_str(), file);
    if (checksSections_)
        warn_unless_cabled_port(mod, file);
    // No two modules have the same full path.
    if (mod == port_) {
        section_ = OWN_SECTION;
        if (ownSeen_)
            error("---> Link Events : found duplicate port name: \"%s\" in the file \"%s\"", path.c_str(), file);
        ownSeen_ = true;
    } else if (peer_ && mod == peer_) {
        section_ = OTHER_SECTION;
        peerSeen_ = true;
    } else {
        section_ = OTHER_SECTION;
        return;
    }
    if (ownSeen_ && peerSeen_)
        error("---> Link Events : \"%s\" and \"%s\" cannot coexist. Please check the file \"%s\" and choose only one "
              "of them",
              port_->fullPath().c_str(), peer_->fullPath().c_str(), file);
}

void TxEvGenerator::warn_unless_cabled_port(const cModule* mod, const char* file)
{
    const bool isPort = mod->findGate("link_out") >= 0 && mod->moduleByRelativePath("Fc1.TxEvGen");
    double delay;
    if (!isPort)
        user_warning(this, "Link Events : \"" + portName_ +
                               "\" is not a port; its events are ignored. Please check "
                               "the file \"" +
                               file + "\"");
    else if (!const_cast<cModule*>(mod)->gate("link_out")->route(delay))
        user_warning(this, "Link Events : \"" + portName_ +
                               "\" is not cabled; its events are ignored. Please "
                               "check the file \"" +
                               file + "\"");
}

void TxEvGenerator::warn_of_ignored_line(const std::string& line, long lineNumber, const char* why)
{
    user_warning(this, "Link Events : line " + std::to_string(lineNumber) + " \"" + line + "\" " + why +
                           ". Please check the file \"" + event_file() + "\"");
}

void TxEvGenerator::take_event_line(const std::string& line)
{
    const char* file = event_file();
    const std::string text = printable(line);
    if (text.empty())
        return;
    switch (text[0]) {
    case 'U':
    case 'u':
        if (events_.empty())
            error("---> Link Events : \"%s\" - first event should always be Link Down. Please check the file \"%s\"",
                  portName_.c_str(), file);
        if (events_.back().up)
            error("---> Link Events : \"%s\" found consecutive Link Up events. Check the event prior to \"%s\". "
                  "Please look into the file \"%s\" to make a correction",
                  portName_.c_str(), line.c_str(), file);
        add_link_event(true, event_time(text, line), line, portName_);
        break;
    case 'D':
    case 'd':
        if (!events_.empty() && !events_.back().up)
            error("---> Link Events : \"%s\" found consecutive Link Down events. Check the event prior to \"%s\". "
                  "Please look into the file \"%s\" to make a correction",
                  portName_.c_str(), line.c_str(), file);
        add_link_event(false, event_time(text, line), line, portName_);
        break;
    default:
        error("---> Link Events : \"%s\" found unknown event \"%s\". Please check the file \"%s\"", portName_.c_str(),
              line.c_str(), file);
    }
}

double TxEvGenerator::event_time(const std::string& text, const std::string& line) const
{
    // A time that is not a number reads as 0, which the interval check
    // refuses, as it does a negative time.
    double timeMs = 0;
    if (readDecimalDouble(text.c_str() + 1, timeMs) == DecimalStatus::NOT_A_NUMBER)
        return 0;
    const Setting& s = setting(SettingFile::LINK_EVENTS, "@port", "time");
    if (!catalogue_accepts(s, timeMs))
        error("---> Link Events : \"%s\" found timer value out of range for the event \"%s\". Event times must be "
              "within %s. Please check the file \"%s\"",
              portName_.c_str(), line.c_str(), range_text(s).c_str(), event_file());
    if (!(timeMs < MAX_TIME_MS))
        error("---> Link Events : \"%s\" found timer value out of range for the event \"%s\". Event times must be "
              "below %.0f ms. Please check the file \"%s\"",
              portName_.c_str(), line.c_str(), MAX_TIME_MS, event_file());
    return timeMs;
}

bool TxEvGenerator::validate_interval(double intervalMs)
{
    return intervalMs >= minEvInt_;
}

void TxEvGenerator::add_link_event(bool up, double timeMs, const std::string& line, const std::string& port)
{
    const char* file = event_file();
    if (static_cast<long>(events_.size()) >= maxLinkEv_)
        error("---> Link Events : \"%s\" can setup maximum %d events. Please check the file \"%s\"", port.c_str(),
              static_cast<int>(maxLinkEv_), file);
    const double interval = timeMs - prevTimeMs_;
    if (!validate_interval(interval))
        error("---> Link Events : \"%s\" found wrong timer value for the event \"%s\". Inter-events time should >= "
              "%.3f ms. Please check the file \"%s\"",
              port.c_str(), line.c_str(), minEvInt_, file);
    events_.push_back({interval / 1000.0, up});
    prevTimeMs_ = timeMs;
}

void TxEvGenerator::display_link_event()
{
    double at = 0;
    for (size_t i = 0; i < events_.size(); ++i) {
        at += events_[i].delay;
        write_linkev_conf(events_[i].up ? "PORT_UP" : "PORT_DOWN", at, static_cast<int>(i));
    }
    cPar& lastTime = root_->par("lastEvTime");
    if (at > lastTime.doubleValue()) {
        lastTime.setDoubleValue(at);
        root_->par("lastEvModId").setLongValue(id());
    }
}

void TxEvGenerator::write_linkev_conf(const char* eventType, double timeSec, int index)
{
    OutputStream out = open_shared_output(this, root_->par("linkEvConfFile").stringValue(),
                                          root_->par("linkEvConfFileNew"), write_header);
    if (index == 0)
        out << "WWPN : " << port_->fullPath() << '\n'
            << std::string(LINE_WIDTH, '-') << '\n'
            << std::setw(15) << "EventType" << std::setw(20) << "SimTime(ms)" << '\n';
    out << std::setw(15) << eventType << std::setprecision(4) << std::setw(20) << timeSec * 1000.0 << '\n';
    if (index == static_cast<int>(events_.size()) - 1)
        out << std::string(LINE_WIDTH, '=') << '\n';
    out.finish();
}

void TxEvGenerator::activity()
{
    if (!root_->par("evEndMsgDone").boolValue()) {
        const long holder = root_->par("lastEvModId").longValue();
        if (holder == id() || holder == -1) {
            const double end = root_->par("lastEvTime").doubleValue() + root_->par("evEndDelay").doubleValue() / 1000.0;
            scheduleAt(simTime() + end, new cMessage("EV_DONE", EV_DONE, 0));
            root_->par("evEndMsgDone").setBoolValue(true);
        }
    }
    for (const LinkEvent& e : events_) {
        wait(e.delay);
        if (e.up)
            send(new cMessage("EV_TX_ON", EV_TX_ON, 0), "to_tx");
        else
            send(new cMessage("EV_TX_OFF", EV_TX_OFF, 0), "to_tx");
    }
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        switch (msg->kind()) {
        case EV_DONE:
            delete msg;
            root_->par("evDone").setBoolValue(true);
            if (root_->par("ioDone").boolValue())
                root_->par("simDone").setBoolValue(true);
            break;
        default: {
            const std::string name = msg->name();
            delete msg;
            error("---> No idea know how to handle message: %s", name.c_str());
        }
        }
    }
}

static const sDescrItem txEvGeneratorItems[] = {
    {'M', "default", nullptr, 0}, {'G', "to_tx", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

Define_Module_Interface(TxEvGenerator, txEvGeneratorItems);
Define_Module(TxEvGenerator, 8192);
