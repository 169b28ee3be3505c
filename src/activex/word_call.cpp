// The stack-layout call: pushes the words last first, calls, and takes esp back from the frame
// pointer, whichever convention the routine follows.
#include "activex/word_call.h"

asm(R"(
    .text
    .globl _CallWithWords
    .def _CallWithWords; .scl 2; .type 32; .endef
_CallWithWords:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    pushl %ebx
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:
    testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:
    call *8(%ebp)
    leal -12(%ebp), %esp
    popl %ebx
    popl %edi
    popl %esi
    popl %ebp
    ret
)");
