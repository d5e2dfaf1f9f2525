#pragma once

#include <cstdint>

// How FC-2 cuts a sequence into frames: a 36-byte head, at most 2048 bytes of
// payload and a 16-byte tail per frame. Only the head's message length counts
// on the line; payload and tail carry their byte counts in their fields.
// The frame TYPE and routing control of a sequence travel in every head of
// it; FC-4 sets them in the sequence envelope.

constexpr unsigned short FRAME_HEAD_LEN = 36;
constexpr unsigned short FRAME_TAIL_LEN = 16;
constexpr unsigned MAX_FRAME_PAYLOAD = 2048;

// Frame TYPE of a sequence. SCSI-FCP frames run on the pair of their peer
// port.
constexpr unsigned TYPE_ELS = 1;
constexpr unsigned TYPE_SCSI_FCP = 8;
constexpr unsigned TYPE_GS = 0x20;
constexpr unsigned TYPE_SW_ILS = 0x22;

// Routing controls (R_CTL). FCP_DATA is the one sequence whose relative
// offset is delivered.
constexpr unsigned RCTL_ELS_REQUEST = 0x22;
constexpr unsigned RCTL_ELS_REPLY = 0x23;
constexpr unsigned RCTL_GS_REQUEST = 2;
constexpr unsigned RCTL_GS_REPLY = 3;
constexpr unsigned RCTL_FCP_DATA = 1;
constexpr unsigned RCTL_FCP_CONF = 3;
constexpr unsigned RCTL_FCP_XFER_RDY = 5;
constexpr unsigned RCTL_FCP_CMND = 6;
constexpr unsigned RCTL_FCP_RSP = 7;

// `frameFlag` of frame parts: for this port, or to be forwarded by the switch.
constexpr int LOCAL_FRAME = 0;
constexpr int REMOTE_FRAME = 1;

// Frames of a sequence of `seqLen` payload bytes (at least 1).
inline unsigned sequence_frame_count(std::uint32_t seqLen)
{
    return (seqLen + MAX_FRAME_PAYLOAD - 1) / MAX_FRAME_PAYLOAD;
}

// Payload bytes of frame `n` (from 0): full frames, the remainder last.
inline unsigned frame_payload_size(std::uint32_t seqLen, unsigned n)
{
    const std::uint32_t before = n * MAX_FRAME_PAYLOAD;
    const std::uint32_t left = seqLen - before;
    return left < MAX_FRAME_PAYLOAD ? left : MAX_FRAME_PAYLOAD;
}

// The relative offset of a sequence's first byte, from its last frame's
// offset and payload and the sequence length.
inline std::uint32_t sequence_start_offset(std::uint32_t lastPayLen, std::uint32_t lastParams, std::uint32_t seqLen)
{
    return lastPayLen + lastParams - seqLen;
}
