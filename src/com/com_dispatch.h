// By-name automation access: reads and writes properties and calls methods of any automation
// object held in a ComObjectValue, binding the member name through the object's type information
// at every call, and records a per-thread code for the outcome of the last call.
//
// Holds: ComArgument (one argument with its value kind), the last-call codes and RtComErrorText,
// the readers (RtComGet...), RtComSetProperty, the method calls (RtComCall...), RtComCopyReference
// and RtComRelease. Pictures: com/com_picture.h.
//
// Texts are GBK (the ANSI code page) on this side and BSTRs (CP_ACP) on the object's side, except a
// BorrowedBstr, which goes as it is. No
// function raises; a failed call answers the empty value of its kind and leaves its code.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "framework/byte_set.h"
#include "com/com_object_value.h"

// The codes a by-name call leaves; 0 is success. RtComErrorText gives their texts.
enum RtComCode : std::int32_t {
    kRtComOk = 0,
    kRtComEmptyObject = -1,
    kRtComNoDispatch = -2,
    kRtComMemberNotFound = -3,
    kRtComNoTypeInfo = -4,
    kRtComTooManyArguments = -5,
    kRtComNotFontObject = -6,
    kRtComBadArgumentKind = -7,
    kRtComResultMismatch = -8,
    kRtComBadParamCount = -9,
    kRtComBadVarType = -10,
    kRtComException = -11,
    kRtComMemberNotFoundByInvoke = -12,
    kRtComNoNamedArgs = -13,
    kRtComOverflow = -14,
    kRtComParamNotFound = -15,
    kRtComTypeMismatch = -16,
    kRtComParamNotOptional = -17,
    kRtComInvokeFailed = -18,
};

// One argument of a by-name call with its value kind. The value factories copy the value; the
// variable factories (...Variable) point at a variable of the caller, whose value is sent and
// which is written back, converted to its kind, when the member declares that parameter as an
// output passed by reference. A variable must outlive the call.
class ComArgument {
public:
    enum class Kind : std::uint8_t {
        UInt8, Int16, Int32, Int64, Float, Double, Bool, Date, Text, Object, Variant, Omitted, Bytes, Wide,
    };

    static ComArgument UInt8(std::uint8_t value) noexcept { return Number(Kind::UInt8, value); }
    static ComArgument Int16(std::int16_t value) noexcept { return Number(Kind::Int16, value); }
    static ComArgument Int32(std::int32_t value) noexcept { return Number(Kind::Int32, value); }
    // Sent as VT_I4 holding the low 32 bits.
    static ComArgument Int64(std::int64_t value) noexcept { return Number(Kind::Int64, value); }
    static ComArgument Float(float value) noexcept { return Real(Kind::Float, value); }
    static ComArgument Double(double value) noexcept { return Real(Kind::Double, value); }
    // Any non-zero value is sent as VARIANT_TRUE (-1).
    static ComArgument Bool(std::int32_t value) noexcept { return Number(Kind::Bool, value); }
    static ComArgument Date(DATE value) noexcept { return Real(Kind::Date, value); }
    static ComArgument Text(std::string value);
    // A text sent without a copy of it, for texts of many megabytes: `value` must outlive the
    // call, as a variable of the caller's does.
    static ComArgument BorrowedText(const std::string& value) noexcept;
    // A wide text sent as it stands, without a code-page conversion and, when the member takes it
    // by value, without a copy: the object is lent `value`, which must outlive the call.
    static ComArgument BorrowedBstr(BSTR value) noexcept;
    // Not kept beyond the call: the object value is read when the call is made.
    static ComArgument Object(const ComObjectValue* value) noexcept;
    // Copied with VariantCopyInd when the call is made; an empty VARIANT counts as omitted.
    static ComArgument Variant(const VARIANT* value) noexcept;
    static ComArgument Omitted() noexcept { return ComArgument(Kind::Omitted); }
    // A byte array cannot be passed: a call with one fails with kRtComBadArgumentKind.
    static ComArgument Bytes(const ByteSet* value) noexcept;

    static ComArgument UInt8Variable(std::uint8_t* variable) noexcept { return Variable(Kind::UInt8, variable); }
    static ComArgument Int16Variable(std::int16_t* variable) noexcept { return Variable(Kind::Int16, variable); }
    static ComArgument Int32Variable(std::int32_t* variable) noexcept { return Variable(Kind::Int32, variable); }
    static ComArgument Int64Variable(std::int64_t* variable) noexcept { return Variable(Kind::Int64, variable); }
    static ComArgument FloatVariable(float* variable) noexcept { return Variable(Kind::Float, variable); }
    static ComArgument DoubleVariable(double* variable) noexcept { return Variable(Kind::Double, variable); }
    // Written back as 1 or 0.
    static ComArgument BoolVariable(std::int32_t* variable) noexcept { return Variable(Kind::Bool, variable); }
    static ComArgument DateVariable(DATE* variable) noexcept { return Variable(Kind::Date, variable); }
    static ComArgument TextVariable(std::string* variable) noexcept { return Variable(Kind::Text, variable); }
    // Written back with a new reference; the reference the variable held before is released.
    static ComArgument ObjectVariable(ComObjectValue* variable) noexcept { return Variable(Kind::Object, variable); }
    // Written back with VariantCopy; what the VARIANT held before is cleared.
    static ComArgument VariantVariable(VARIANT* variable) noexcept { return Variable(Kind::Variant, variable); }

    Kind kind() const noexcept { return kind_; }
    // The caller's variable, null for a value.
    void* variable() const noexcept { return variable_; }
    std::int64_t integer() const noexcept { return integer_; }
    double real() const noexcept { return real_; }
    const std::string& text() const noexcept
    {
        return kind_ == Kind::Text && pointer_ ? *static_cast<const std::string*>(pointer_) : text_;
    }
    const void* pointer() const noexcept { return pointer_; }

private:
    explicit ComArgument(Kind kind) noexcept : kind_(kind) {}
    static ComArgument Number(Kind kind, std::int64_t value) noexcept;
    static ComArgument Real(Kind kind, double value) noexcept;
    static ComArgument Variable(Kind kind, void* variable) noexcept;
    // An argument that reads the caller's value at `value` when the call is made.
    static ComArgument Pointing(Kind kind, const void* value) noexcept;

    Kind kind_;
    void* variable_ = nullptr;
    std::int64_t integer_ = 0;
    double real_ = 0;
    std::string text_;
    const void* pointer_ = nullptr;  // ComObjectValue, VARIANT, ByteSet, borrowed text or BSTR of a value argument
};

// The arguments of one call in the member's declaration order: {ComArgument::Int32(row), ...}.
using ComArguments = std::initializer_list<ComArgument>;

// The calling thread's last-call code (0 before any call).
std::int32_t RtComLastCode() noexcept;
// The text of the calling thread's last-call code; the empty text for 0 or an unknown code.
std::string RtComErrorText();
// The text of `code` (-1 to -18); the empty text for any other.
std::string RtComCodeText(std::int32_t code);

// Reads property `member` of `object` with `indexes`. Numbers come back as 64-bit floats, bools
// as exactly 1 or 0, texts as new GBK texts; 0, false or "" when the call fails (a text also
// when there is no memory for it).
double RtComGetNumber(const ComObjectValue* object, std::string_view member, ComArguments indexes = {}) noexcept;
bool RtComGetBool(const ComObjectValue* object, std::string_view member, ComArguments indexes = {}) noexcept;
std::string RtComGetText(const ComObjectValue* object, std::string_view member, ComArguments indexes = {}) noexcept;
// A new object value holding one further reference (empty when the call fails or the property
// holds no interface); the caller ends it with FreeComObjectValue.
ComObjectValue* RtComGetObject(const ComObjectValue* object, std::string_view member,
                               ComArguments indexes = {}) noexcept;
// A new VARIANT from the framework's allocator holding a copy (VT_EMPTY when the call fails);
// the caller ends it with FreeVariantValue.
VARIANT* RtComGetVariant(const ComObjectValue* object, std::string_view member, ComArguments indexes = {}) noexcept;

// Writes property `member` with `indexes` and `value`; true when the call left the code at 0.
bool RtComSetProperty(const ComObjectValue* object, std::string_view member, ComArguments indexes,
                      const ComArgument& value) noexcept;
bool RtComSetProperty(const ComObjectValue* object, std::string_view member, const ComArgument& value) noexcept;

// Calls method `member` with `arguments`; the result kinds as for the readers.
void RtComCall(const ComObjectValue* object, std::string_view member, ComArguments arguments = {}) noexcept;
std::string RtComCallText(const ComObjectValue* object, std::string_view member,
                          ComArguments arguments = {}) noexcept;
double RtComCallNumber(const ComObjectValue* object, std::string_view member, ComArguments arguments = {}) noexcept;
bool RtComCallBool(const ComObjectValue* object, std::string_view member, ComArguments arguments = {}) noexcept;
ComObjectValue* RtComCallObject(const ComObjectValue* object, std::string_view member,
                                ComArguments arguments = {}) noexcept;

// Makes `destination` hold a further reference to the interface of `source` (the reference it
// held before is released first); an empty source leaves it empty.
void RtComCopyReference(ComObjectValue* destination, const ComObjectValue* source) noexcept;
// Gives back the reference `object` holds; the value stays, empty.
void RtComRelease(ComObjectValue* object) noexcept;
// Releases the interface `object` holds, frees the value (FreeComObjectValue) and leaves the
// variable null: what a wrapper's Destroy does with the value it owns. Nothing for a null variable.
void RtComReleaseAndFree(ComObjectValue*& object) noexcept;

// A new zeroed VARIANT from the framework's allocator; null when it cannot allocate.
VARIANT* AllocateVariantValue() noexcept;
// Clears `value` and gives the block back to the framework; null is ignored.
void FreeVariantValue(VARIANT* value) noexcept;
