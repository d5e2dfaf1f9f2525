#pragma once

struct Tcl_Interp;
class Tkenv;

// The Tcl commands through which the window's script reads the model and
// drives the run; every one is named vm_*.
class TkCommands {
  public:
    static void registerAll(Tcl_Interp* interp, Tkenv* env);
};
