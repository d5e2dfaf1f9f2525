#if defined(__x86_64__)
#include "sim/StackSwitch.h"

#include <cstdint>

extern "C" void velmora_stack_start();

// The frame a swap pops: r15, r14, r13, r12, rbx, rbp, then the address it
// goes on at. A new stack goes on at velmora_stack_start with the start
// function in r13 and its argument in r12. The swap leaves by a jump rather
// than a return: a return to another stack's caller would be mispredicted
// every time, and would upset the prediction of the returns after it.
asm(R"(
    .text
    .p2align 4
    .globl velmora_stack_swap
    .hidden velmora_stack_swap
    .type velmora_stack_swap, @function
velmora_stack_swap:
    .cfi_startproc
    pushq %rbp
    .cfi_adjust_cfa_offset 8
    pushq %rbx
    .cfi_adjust_cfa_offset 8
    pushq %r12
    .cfi_adjust_cfa_offset 8
    pushq %r13
    .cfi_adjust_cfa_offset 8
    pushq %r14
    .cfi_adjust_cfa_offset 8
    pushq %r15
    .cfi_adjust_cfa_offset 8
    movq %rsp, (%rdi)
    movq %rsi, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    popq %rbp
    popq %r8
    jmp *%r8
    .cfi_endproc
    .size velmora_stack_swap, .-velmora_stack_swap

    .p2align 4
    .globl velmora_stack_start
    .hidden velmora_stack_start
    .type velmora_stack_start, @function
velmora_stack_start:
    .cfi_startproc
    .cfi_undefined rip
    movq %r12, %rdi
    callq *%r13
    ud2
    .cfi_endproc
    .size velmora_stack_start, .-velmora_stack_start
)");

void* StackSwitch::prepare(char* top, Start start, void* arg)
{
    auto* aligned = reinterpret_cast<uintptr_t*>(reinterpret_cast<uintptr_t>(top) & ~uintptr_t(15));
    // velmora_stack_start runs with the stack 16-byte aligned, so that the
    // call it makes enters start() as any call would.
    uintptr_t* frame = aligned - 2 - 7;
    frame[0] = 0;                                                 // r15
    frame[1] = 0;                                                 // r14
    frame[2] = reinterpret_cast<uintptr_t>(start);                // r13
    frame[3] = reinterpret_cast<uintptr_t>(arg);                  // r12
    frame[4] = 0;                                                 // rbx
    frame[5] = 0;                                                 // rbp
    frame[6] = reinterpret_cast<uintptr_t>(&velmora_stack_start); // return address
    return frame;
}

#endif
