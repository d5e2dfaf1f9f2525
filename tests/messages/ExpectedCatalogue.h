#pragma once

// The classes and records that modules exchange, in declaration order, and
// whether each is a message class or a plain record: the tests walk these
// through the class registry, which holds other classes too.
struct ExpectedEntry {
    const char* name;
    bool isMessage;
};

inline constexpr ExpectedEntry expectedCatalogue[] = {
    {"DskSecIo", true},        {"LunBlkLocAnx", true}, {"LunBlkLoc", false},      {"LunBlkIo", true},
    {"ScsiCdb", true},         {"SendScsiCmd", true},  {"ScsiCmdRecvd", true},    {"SendDataIn", true},
    {"RecvDataOut", true},     {"DataOutRecvd", true}, {"FcpReqDataOut", true},   {"SendCmdComp", true},
    {"CmdCompRecvd", true},    {"CmdCompConf", true},  {"CompConfRecvd", true},   {"FcpIu", true},
    {"FspfPacket", true},      {"SwIlsPacket", true},  {"FcGsPacket", true},      {"FcElsPacket", true},
    {"SwIlsElpPayload", true}, {"FcSeqPayload", true}, {"FrameQualifier", false}, {"LocalFrameActive", false},
    {"LocFrmOk", true},        {"FrameTxOK", true},    {"FcFrameHead", true},     {"FcFramePayload", true},
    {"FcFrameTail", true},
};
