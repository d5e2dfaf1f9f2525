#pragma once

#include <cstdint>

// How FC-2 cuts a sequence into frames: a 36-byte head, at most 2048 bytes of
// payload and a 16-byte tail per frame. Only the head's message length counts
// on the line; payload and tail carry their byte counts in their fields.

constexpr unsigned short FRAME_HEAD_LEN = 36;
constexpr unsigned short FRAME_TAIL_LEN = 16;
constexpr unsigned MAX_FRAME_PAYLOAD = 2048;

// Frame TYPE of SCSI-FCP; its frames run on the pair of their peer port.
constexpr unsigned TYPE_SCSI_FCP = 8;
// R_CTL of FCP_DATA, the one sequence whose relative offset is delivered.
constexpr unsigned RCTL_FCP_DATA = 1;

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
