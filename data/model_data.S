/*
 * The measured data of the line-array box types, ksr_model_data ..
 * ksr_model_data_end: 1,791,384 bytes copied unchanged from model_data.bin
 * (made by tools/model_data/generate_model_data.py; layout in
 * model/model_data.h). Internal to the module, never exported.
 */
#if defined(_WIN32)
#define KSR_SYMBOL(name) _##name
    .section .rdata,"dr"
#else
#define KSR_SYMBOL(name) name
    .section .rodata
#endif

    .globl KSR_SYMBOL(ksr_model_data)
    .globl KSR_SYMBOL(ksr_model_data_end)
#if !defined(_WIN32)
    .hidden ksr_model_data
    .hidden ksr_model_data_end
    .type ksr_model_data, @object
    .size ksr_model_data, 1791384
#endif

    .balign 16
KSR_SYMBOL(ksr_model_data):
    .incbin "model_data.bin"
KSR_SYMBOL(ksr_model_data_end):

/* A blob of another size (a truncated checkout, an old generator) must not
 * build: the lookups index it by fixed offsets. */
    .if (KSR_SYMBOL(ksr_model_data_end) - KSR_SYMBOL(ksr_model_data)) - 1791384
    .error "model_data.bin must be exactly 1791384 bytes"
    .endif

#if !defined(_WIN32)
    .section .note.GNU-stack,"",@progbits
#endif
