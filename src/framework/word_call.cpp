// The call by argument words in x86 code of its own: the compiler's code may not assume a stack
// pointer that a __stdcall routine has moved.
#include "framework/word_call.h"

// CallWithWords(function, words, count): pushes words[count - 1] .. words[0] and the function
// address below its frame and calls JumpToFunctionPointer, which enters the function with the
// words above the return address into CallWithWords. Afterwards esp comes back from the frame
// pointer, whatever the function removed.
//
// Before the pushes esp is lowered so that words[0], pushed last, lands on a multiple of 16,
// whatever the count: the function is then entered with esp + 4 a multiple of 16, as GCC's i386 code expects.
// It places 16-byte-aligned locals from esp without realigning, and the routines called (a caller's
// routine, a handler, a DLL's export) are often GCC code.
//
// CallWithWordsFloating is the same code: the routine's result stays where it left it, in edx:eax
// and st(0), and the declared result type tells the compiler which one to take (and, for st(0),
// to pop it).
//
// JumpToFunctionPointer: takes its own return address off the stack, puts it where the function
// address was and jumps to the function, so that the function returns straight into CallWithWords.
asm(R"(
    .text
    .globl _CallWithWords
    .def _CallWithWords; .scl 2; .type 32; .endef
    .globl _CallWithWordsFloating
    .def _CallWithWordsFloating; .scl 2; .type 32; .endef
_CallWithWords:
_CallWithWordsFloating:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal (,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    addl %eax, %esp
1:
    testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:
    pushl 8(%ebp)
    call _JumpToFunctionPointer
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .def _JumpToFunctionPointer; .scl 3; .type 32; .endef
_JumpToFunctionPointer:
    popl %eax
    movl (%esp), %ecx
    movl %eax, (%esp)
    jmp *%ecx
)");
