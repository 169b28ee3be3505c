// The call by address in x86 code of its own: the compiler's code may not assume a stack pointer
// that a __stdcall routine has moved.
#include "desktop/function_call.h"

// CallFunctionPointer(function, a1 .. a10): copies the ten argument words and the function address
// below its frame and calls JumpToFunctionPointer, which enters the function with a1 .. a10 above
// the return address into CallFunctionPointer. Afterwards esp comes back from the frame pointer,
// whatever the function removed. ebx, esi and edi are kept for a routine that does not keep them.
//
// JumpToFunctionPointer: takes its own return address off the stack, puts it where the function
// address was and jumps to the function, so that the function returns straight into
// CallFunctionPointer.
asm(R"(
    .text
    .globl _CallFunctionPointer
    .def _CallFunctionPointer; .scl 2; .type 32; .endef
_CallFunctionPointer:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl $10, %ecx
1:
    pushl 8(%ebp,%ecx,4)
    decl %ecx
    jnz 1b
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

std::uintptr_t ByteSetAddress(const ByteSet& bytes) noexcept
{
    return reinterpret_cast<std::uintptr_t>(bytes.Data());
}

std::uintptr_t TextAddress(const std::string& text) noexcept
{
    return text.empty() ? 0 : reinterpret_cast<std::uintptr_t>(text.c_str());
}
