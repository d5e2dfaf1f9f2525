#include "switch/SwitchConstruct.h"

const sDescrItem switchConstructItems[] = {{'M', "default", nullptr, 0},      {'P', "frmFwdDelta", "LDXFT", 0},
                                           {'P', "latSumDelta", "LDXFT", 0},  {'G', "from_swport[]", nullptr, 'I'},
                                           {'G', "to_swport[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

Define_Module_Interface(SwitchConstruct, switchConstructItems);
