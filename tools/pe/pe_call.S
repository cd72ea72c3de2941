/*
 * pe_call.S - calls into a loaded DLL with the stack 4 bytes off 8-byte
 * alignment: the older ARM procedure call standard of Windows CE's compilers
 * guarantees only 4 on entry, so an exported function must not rely on more.
 *
 *   void pe_call_core(const void *fn, struct pe_call *c);   r0-r3, stack
 *   void pe_call_vfp(const void *fn, struct pe_call *c);    the same and d0
 *
 * struct pe_call is in pe_load.h. Before the call r7-r11 (and d8) hold
 * known values and afterwards are compared, with sp, to find a callee that
 * does not keep them; the bits go to c->broken.
 *
 * The same text assembles as ARM code (the armel build, ARMv5TE) and as
 * Thumb-2 (the armhf build): no conditional instruction but branches, no
 * movw/movt. The VFP trampoline is reached only for an ARMNT DLL, which the
 * loader accepts only on a processor with VFPv3.
 */
    .syntax unified
#if defined(__thumb2__)
    .thumb
#define FUNCTION(name) .global name; .hidden name; .type name, %function; .thumb_func; name:
#else
    .arm
#define FUNCTION(name) .global name; .hidden name; .type name, %function; name:
#endif

/* struct pe_call offsets */
#define C_R 0
#define C_STACK 16
#define C_STACK_COUNT 32
#define C_BROKEN 36
#define C_D0 40
#define C_RET 48
#define C_CALL_SP 56

/* What r7 to r11 hold across a call: CANARYn for rn. */
    .equ CANARY7, 0x7E570007
    .equ CANARY8, 0x7E570008
    .equ CANARY9, 0x7E570009
    .equ CANARY10, 0x7E57000A
    .equ CANARY11, 0x7E57000B
#define CANARY_D8_LO 0x7E5700D8
#define CANARY_D8_HI 0x7E57D8D8

    .text
    .align 2

/* Shared by both: r0 = fn, r1 = c, the callee-saved registers already
 * pushed. Leaves r4 = the sp of the call, r5 = c, r6 = the sp to restore,
 * r12 = fn; r7-r11 the values the callee must keep; the stack arguments in
 * place and sp at them. */
.macro SETUP
    mov r12, r0
    mov r5, r1
    mov r6, sp
    ldr r2, [r5, #C_STACK_COUNT]
    sub r3, r6, r2, lsl #2
    bic r3, r3, #7
    sub r3, r3, #4              /* 4 mod 8, with room for the stack words */
    mov sp, r3
    mov r4, r3
    str r4, [r5, #C_CALL_SP]
    add r0, r5, #C_STACK
    mov r1, #0
1:  cmp r1, r2
    bhs 2f
    ldr r7, [r0, r1, lsl #2]
    str r7, [r3, r1, lsl #2]
    add r1, r1, #1
    b 1b
2:
    .irp reg, 7, 8, 9, 10, 11
    ldr r\reg, =CANARY\reg
    .endr
.endm

/* After the call: r0 and r1 stored; r2 = the bits of what was not kept. */
.macro CHECK
    str r0, [r5, #C_RET]
    str r1, [r5, #C_RET + 4]
    mov r2, #0
    mov r0, sp
    cmp r0, r4
    beq 1f
    orr r2, r2, #(1 << 13)
1:
    .irp reg, 7, 8, 9, 10, 11
    ldr r0, =CANARY\reg
    cmp r\reg, r0
    beq 1f
    orr r2, r2, #(1 << \reg)
1:
    .endr
.endm

FUNCTION(pe_call_core)
    push {r4-r11, lr}
    SETUP
    ldm r5, {r0-r3}
    blx r12
    CHECK
    str r2, [r5, #C_BROKEN]
    mov sp, r6
    pop {r4-r11, pc}
    .ltorg
    .size pe_call_core, . - pe_call_core

    .fpu vfpv3-d16
FUNCTION(pe_call_vfp)
    push {r4-r11, lr}
    vpush {d8}
    SETUP
    ldr r0, =CANARY_D8_LO
    ldr r1, =CANARY_D8_HI
    vmov d8, r0, r1
    vldr d0, [r5, #C_D0]
    ldm r5, {r0-r3}
    blx r12
    vstr d0, [r5, #C_D0]
    CHECK
    vmov r0, r1, d8
    ldr r3, =CANARY_D8_LO
    cmp r0, r3
    bne 3f
    ldr r3, =CANARY_D8_HI
    cmp r1, r3
    beq 4f
3:  orr r2, r2, #(1 << 16)
4:  str r2, [r5, #C_BROKEN]
    mov sp, r6
    vpop {d8}
    pop {r4-r11, pc}
    .ltorg
    .size pe_call_vfp, . - pe_call_vfp

FUNCTION(pe_probe_sp)
    mov r0, sp
    bx lr
    .size pe_probe_sp, . - pe_probe_sp

FUNCTION(pe_probe_stack_words)
    ldr r0, [sp]
    ldr r1, [sp, #8]
    bx lr
    .size pe_probe_stack_words, . - pe_probe_stack_words

FUNCTION(pe_probe_clobber_r8)
    mov r8, #0
    mov r0, sp
    bx lr
    .size pe_probe_clobber_r8, . - pe_probe_clobber_r8

#if !defined(__ARM_PCS_VFP)
/* A soft-float build's object says it needs no FPU: the VFP trampoline runs
 * only where the loader found VFPv3. */
    .eabi_attribute Tag_FP_arch, 0
#endif

    .section .note.GNU-stack, "", %progbits
