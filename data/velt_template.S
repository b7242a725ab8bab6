/*
 * The built-in exchange-file template as two data exports: VELT_TEMPLATE,
 * 5076 bytes of text with CR LF line ends and no terminating NUL, and
 * VELT_TEMPLATE_SIZE, an int32 holding that length, stored directly after
 * the text. The bytes come unchanged from velt_template.txt.
 */
#if defined(_WIN32)
#define KSR_SYMBOL(name) _##name
    .section .rdata,"dr"
#else
#define KSR_SYMBOL(name) name
    .section .rodata
#endif

    .globl KSR_SYMBOL(VELT_TEMPLATE)
    .globl KSR_SYMBOL(VELT_TEMPLATE_SIZE)
#if !defined(_WIN32)
    .type VELT_TEMPLATE, @object
    .type VELT_TEMPLATE_SIZE, @object
    .size VELT_TEMPLATE, 5076
    .size VELT_TEMPLATE_SIZE, 4
#endif

    .balign 4
KSR_SYMBOL(VELT_TEMPLATE):
    .incbin "velt_template.txt"
KSR_SYMBOL(VELT_TEMPLATE_SIZE):
    .long KSR_SYMBOL(VELT_TEMPLATE_SIZE) - KSR_SYMBOL(VELT_TEMPLATE)

/* A template file changed by a checkout (CR LF turned into LF, say) must not
 * build: hosts rely on the exact length. */
    .if (KSR_SYMBOL(VELT_TEMPLATE_SIZE) - KSR_SYMBOL(VELT_TEMPLATE)) - 5076
    .error "velt_template.txt must be exactly 5076 bytes"
    .endif

#if !defined(_WIN32)
    .section .note.GNU-stack,"",@progbits
#endif
