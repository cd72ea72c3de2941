/* Code for the test of check_baseline.py (tools/pe/CMakeLists.txt): each
 * case is assembled on its own, for the architecture it needs, and the
 * check must pass the first and name the instruction of each other. */
        .text
#if defined(CASE_ARMV4T)
        /* What the engine's code is made of, literal data included. */
        .arm
        push    {r4, lr}
        mov     r4, r0, lsl #2
        adds    r0, r1, r2
        ldrh    r3, [r0, #2]
        strb    r3, [r1], #1
        ldrsb   r2, [r0]
        umull   r0, r1, r2, r3
        mla     r0, r1, r2, r3
        ldmia   r0!, {r1-r3}
        stmdb   sp!, {r1-r3}
        swp     r0, r1, [r2]
        cmp     r0, #0
        bxne    lr
        ldr     r0, =0x12345678
        pop     {r4, lr}
        bx      lr
        .ltorg
#elif defined(CASE_CLZ)
        .arm
        clz     r0, r1
        bx      lr
#elif defined(CASE_BLX)
        .arm
        blx     r3
        bx      lr
#elif defined(CASE_LDRD)
        .arm
        ldrd    r0, r1, [r2]
        bx      lr
#elif defined(CASE_STRD)
        .arm
        strd    r0, r1, [r2, #8]
        bx      lr
#elif defined(CASE_THUMB)
        /* Thumb code, which ARMv4T has, but the DLL's exports are ARM code. */
        .thumb
        .thumb_func
        lsl     r0, r1, #2
        bx      lr
#else
#  error "no case"
#endif
