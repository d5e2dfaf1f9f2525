#pragma once

// Passing control from one stack to another on x86-64, for coroutines.
//
// A switch saves only what the calling convention asks a function to keep:
// the six callee-saved registers and the stack pointer. The floating-point
// control words are left alone, as nothing in a run changes them; loading
// them at every switch, as general-purpose switches do, stalls the pipeline
// and cost more than the rest of the switch.
namespace StackSwitch {

using Start = void (*)(void* arg);

// Lays out a first frame just below `top` (16-byte aligned) so that the
// first swap() to the returned place calls start(arg) on that stack; start
// must never return.
void* prepare(char* top, Start start, void* arg);

// Saves the running stack's place in `*from` and resumes the stack saved
// at `to`; returns when some other stack swaps back to `*from`.
extern "C" void velmora_stack_swap(void** from, void* to);
inline void swap(void** from, void* to)
{
    velmora_stack_swap(from, to);
}

} // namespace StackSwitch
