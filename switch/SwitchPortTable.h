#pragma once

#include <cstddef>
#include <vector>

class cModule;
class cPar;

// The control centre's port state table: per switch port the state its
// bring-up reported (down, F_Port or E_Port) and its speed code, beside the
// port's module, whose parameters the centre and its helpers read. Port i is
// `SwPort[i]` of the switch.
class SwitchPortTable {
  public:
    static constexpr int PORT_DOWN_STATE = 0;
    static constexpr int F_PORT_STATE = 129;
    static constexpr int E_PORT_STATE = 132;
    static constexpr int SPEED_CODE_1G = 79;
    static constexpr int SPEED_CODE_2G = 80;

    struct Entry {
        int state = PORT_DOWN_STATE;
        int speedCode = SPEED_CODE_1G;
    };

    // `portNum` ports of the switch `sw`, every one down.
    void create(cModule* sw, int portNum);

    int size() const { return static_cast<int>(entries_.size()); }
    Entry& operator[](int port) { return entries_[static_cast<size_t>(port)]; }
    const Entry& operator[](int port) const { return entries_[static_cast<size_t>(port)]; }
    cModule* module(int port) const { return modules_[static_cast<size_t>(port)]; }
    bool up(int port) const { return (*this)[port].state != PORT_DOWN_STATE; }
    bool e_port(int port) const { return (*this)[port].state == E_PORT_STATE; }
    bool f_port(int port) const { return (*this)[port].state == F_PORT_STATE; }
    // The area byte of the addresses of the N_Ports behind the port.
    long area_of(int port) const;
    // How busy the port's sending side is: the credits it has in use and the
    // frames waiting in its transmit queue.
    long load(int port) const;

  private:
    // The port's parameters read for every frame routed, found by name once,
    // on first use: the port's layers add some of them as they start.
    struct PortParams {
        cPar* areaId = nullptr;
        cPar* currBbCnt = nullptr;
        cPar* txQueLen = nullptr;
    };
    cPar& port_par(int port, cPar* PortParams::*slot, const char* name) const;

    std::vector<Entry> entries_;
    std::vector<cModule*> modules_;
    mutable std::vector<PortParams> params_;
};
