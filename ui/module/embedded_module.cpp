// The module's bytes inside the executable, so that the program stays one file that can be copied
// anywhere. KELVAX_UI_MODULE_PATH names the built module.
#ifndef KELVAX_UI_MODULE_PATH
#error "KELVAX_UI_MODULE_PATH must name the built module"
#endif

__asm__(".section .rodata\n"
        ".balign 64\n"
        ".globl kelvax_ui_module_start\n"
        "kelvax_ui_module_start:\n"
        ".incbin \"" KELVAX_UI_MODULE_PATH "\"\n"
        ".globl kelvax_ui_module_end\n"
        "kelvax_ui_module_end:\n"
        ".previous\n");
