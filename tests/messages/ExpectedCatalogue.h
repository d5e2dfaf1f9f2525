#pragma once

// The catalogue as the tests expect it, written out independently of the
// declaration table: every entry in declaration order, whether it is a
// message class or a plain record, and its number of fields.
struct ExpectedEntry {
    const char* name;
    bool isMessage;
    int fieldCount;
};

inline constexpr ExpectedEntry expectedCatalogue[] = {
    {"DskSecIo", true, 7},         {"LunBlkLocAnx", true, 9},     {"LunBlkLoc", false, 5},
    {"LunBlkIo", true, 9},         {"ScsiCdb", true, 3},          {"SendScsiCmd", true, 7},
    {"ScsiCmdRecvd", true, 7},     {"SendDataIn", true, 7},       {"RecvDataOut", true, 7},
    {"DataOutRecvd", true, 8},     {"FcpReqDataOut", true, 6},    {"SendCmdComp", true, 14},
    {"CmdCompRecvd", true, 13},    {"CmdCompConf", true, 4},      {"CompConfRecvd", true, 4},
    {"FcpIu", true, 23},           {"FspfPacket", true, 10},      {"SwIlsPacket", true, 10},
    {"FcGsPacket", true, 9},       {"FcElsPacket", true, 13},     {"SwIlsElpPayload", true, 8},
    {"FcSeqPayload", true, 18},    {"FrameQualifier", false, 9},  {"LocalFrameActive", false, 30},
    {"LocFrmOk", true, 1},         {"FrameTxOK", true, 1},        {"FcFrameHead", true, 35},
    {"FcFramePayload", true, 5},   {"FcFrameTail", true, 7},
};
