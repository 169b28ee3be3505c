// The two name-free paths between the application and a hosted control: calling a member by
// dispatch id from a type signature and a list of argument words, and the event sink that turns
// an event's arguments into words for the bound handler.
#include <cstring>
#include <string>
#include <vector>

#include "activex/ax_host.h"
#include "framework/com_ref.h"
#include "framework/exception_boundary.h"
#include "framework/unique_resource.h"
#include "framework/word_call.h"

namespace {

// One signature pair with the words it takes from the argument list.
struct SignatureArgument {
    bool byReference;
    bool optional;
    char letter;
    const std::uint32_t* words;  // its value words
    bool given;
};

bool TakesTwoWords(bool byReference, char letter) noexcept
{
    return !byReference && (letter == 'D' || letter == 'L' || letter == 'd');
}

// Reads the signature against the argument words, in declaration order.
std::vector<SignatureArgument> ReadSignature(const char* signature, std::int32_t count, const std::uint32_t* words)
{
    std::vector<SignatureArgument> arguments;
    if (signature == nullptr || words == nullptr)
        return arguments;
    for (std::int32_t i = 0; i < count && signature[2 * i] != 0 && signature[2 * i + 1] != 0; ++i) {
        int mode = signature[2 * i] - '0';
        SignatureArgument argument{mode == 1 || mode == 3, mode == 2 || mode == 3, signature[2 * i + 1], words, true};
        words += TakesTwoWords(argument.byReference, argument.letter) ? 2 : 1;
        if (argument.optional)
            argument.given = *words++ != 0;
        arguments.push_back(argument);
    }
    return arguments;
}

std::uint64_t TwoWords(const std::uint32_t* words) noexcept
{
    return static_cast<std::uint64_t>(words[0]) | (static_cast<std::uint64_t>(words[1]) << 32);
}

template <typename Variable>
Variable* CallerVariable(const SignatureArgument& argument) noexcept
{
    return reinterpret_cast<Variable*>(static_cast<std::uintptr_t>(argument.words[0]));
}

SAFEARRAY* NewByteArray(const ByteArrayBlock* block) noexcept
{
    if (block == nullptr || block->length == 0)
        return nullptr;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, block->length);
    void* data = nullptr;
    if (array == nullptr || FAILED(SafeArrayAccessData(array, &data)))
        return array;
    std::memcpy(data, block->bytes, block->length);
    SafeArrayUnaccessData(array);
    return array;
}

VARTYPE LetterType(char letter) noexcept
{
    switch (letter) {
    case 'B': return VT_UI1;
    case 'S': return VT_I2;
    case 'I': return VT_I4;
    case 'L': return VT_I8;
    case 'F': return VT_R4;
    case 'D': return VT_R8;
    case 'd': return VT_DATE;
    case 'b': return VT_BOOL;
    default: return VT_EMPTY;
    }
}

void FillByValue(VARIANT& value, const SignatureArgument& argument) noexcept
{
    const std::uint32_t word = argument.words[0];
    switch (argument.letter) {
    case 'T': {
        char* const* text = CallerVariable<char*>(argument);
        V_VT(&value) = VT_BSTR;
        V_BSTR(&value) = text != nullptr ? BstrFromAnsi(*text).release() : nullptr;
        return;
    }
    case 'C': {
        ComObjectValue* const* object = CallerVariable<ComObjectValue*>(argument);
        V_VT(&value) = VT_DISPATCH;
        V_DISPATCH(&value) = (object != nullptr && *object != nullptr)
                                 ? reinterpret_cast<IDispatch*>((*object)->object)
                                 : nullptr;
        return;
    }
    case 'V': {
        VARIANT* const* variant = CallerVariable<VARIANT*>(argument);
        if (variant != nullptr && *variant != nullptr)
            std::memcpy(&value, *variant, sizeof(VARIANT));
        return;
    }
    case 'Z': {
        ByteArrayBlock* const* block = CallerVariable<ByteArrayBlock*>(argument);
        V_VT(&value) = VT_ARRAY | VT_UI1;
        V_ARRAY(&value) = block != nullptr ? NewByteArray(*block) : nullptr;
        return;
    }
    case 'b':
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = word != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return;
    default:
        V_VT(&value) = LetterType(argument.letter);
        if (TakesTwoWords(false, argument.letter))
            V_I8(&value) = static_cast<LONGLONG>(TwoWords(argument.words));
        else
            V_I4(&value) = static_cast<LONG>(word);
    }
}

void FillByReference(VARIANT& value, const SignatureArgument& argument, UniqueBstr& cell,
                     IUnknown*& emptyObject) noexcept
{
    switch (argument.letter) {
    case 'T': {
        char* const* text = CallerVariable<char*>(argument);
        cell.reset(text != nullptr ? BstrFromAnsi(*text).release() : nullptr);
        // The control may free the text and write another one in its place: the owner then holds that.
        V_VT(&value) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&value) = cell.addressof();
        return;
    }
    case 'C': {
        ComObjectValue* const* object = CallerVariable<ComObjectValue*>(argument);
        IUnknown** word = (object != nullptr && *object != nullptr) ? &(*object)->object : &emptyObject;
        V_VT(&value) = VT_BYREF | VT_DISPATCH;
        V_DISPATCHREF(&value) = reinterpret_cast<IDispatch**>(word);
        return;
    }
    case 'V': {
        VARIANT* const* variant = CallerVariable<VARIANT*>(argument);
        V_VT(&value) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&value) = variant != nullptr ? *variant : nullptr;
        return;
    }
    case 'Z':
        // No operation passes a byte array for the control to fill: it travels without an array.
        V_VT(&value) = VT_ARRAY | VT_UI1;
        return;
    default:
        V_VT(&value) = VT_BYREF | LetterType(argument.letter);
        V_BYREF(&value) = CallerVariable<void>(argument);
    }
}

void WriteBack(const SignatureArgument& argument, UniqueVariant& value, UniqueBstr& cell) noexcept
{
    if (!argument.given)
        return;
    // Only a text or byte array passed by value was made for the call, and ends with `value`; all
    // else was lent (the caller's VARIANT, object or variable) and is let go as it is.
    if (argument.byReference || (argument.letter != 'T' && argument.letter != 'Z'))
        value.release();
    if (!argument.byReference)
        return;
    if (argument.letter == 'T' && cell) {
        char** text = CallerVariable<char*>(argument);
        if (text != nullptr) {
            AxRuntimeFree(*text);
            *text = RuntimeAnsiFromWide(cell.get());
        }
        cell.reset();
    } else if (argument.letter == 'b') {
        // The control writes a 16-bit VARIANT_BOOL into the caller's 32-bit truth value.
        auto* flag = CallerVariable<std::uint32_t>(argument);
        if ((*flag & 0xFFFF) != 0)
            *flag = 1;
    }
}

VARIANT* NewRuntimeVariant() noexcept { return static_cast<VARIANT*>(AxRuntimeAllocate(sizeof(VARIANT))); }

std::uint64_t Address(const void* block) noexcept { return reinterpret_cast<std::uintptr_t>(block); }

// The result as the caller's word; what `owned` held is cleared unless it was handed over.
std::uint64_t ConvertResult(UniqueVariant& owned, HRESULT hr, std::int32_t resultMode) noexcept
{
    if (resultMode == 1) {
        VARIANT* variant = NewRuntimeVariant();
        if (variant != nullptr)
            *variant = owned.release();
        return Address(variant);
    }
    const VARIANT& result = owned.get();
    std::uint64_t converted = 0;
    switch (V_VT(&result)) {
    case VT_EMPTY:
        converted = resultMode == 2 ? Address(AllocateComObjectValue(nullptr, AxRuntimeService())) : static_cast<std::uint32_t>(hr);
        break;
    case VT_BSTR:
        converted = Address(RuntimeAnsiFromWide(V_BSTR(&result)));
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        converted = Address(AllocateComObjectValue(V_UNKNOWN(&result), AxRuntimeService()));
        break;
    case VT_BOOL:
        converted = V_BOOL(&result) != 0 ? 1 : 0;
        break;
    case VT_BYREF | VT_VARIANT: {
        VARIANT* variant = NewRuntimeVariant();
        if (variant != nullptr && V_VARIANTREF(&result) != nullptr)
            VariantCopy(variant, V_VARIANTREF(&result));
        converted = Address(variant);
        break;
    }
    default:
        std::memcpy(&converted, &V_I8(&result), sizeof(converted));
    }
    return converted;
}

// One event argument as the handler's words.
// `texts` has room reserved for every argument, so the addresses handed out stay valid.
void AppendEventWords(VARIANT& argument, std::vector<std::uint32_t>& words, std::vector<std::string>& texts)
{
    switch (V_VT(&argument)) {
    case VT_R8:
    case VT_DATE:
    case VT_I8:
    case VT_UI8: {
        std::uint32_t halves[2];
        std::memcpy(halves, &V_I8(&argument), sizeof(halves));
        words.push_back(halves[0]);
        words.push_back(halves[1]);
        return;
    }
    case VT_BSTR:
        if (V_BSTR(&argument) == nullptr) {
            words.push_back(0);
            return;
        }
        texts.push_back(AnsiFromBstr(V_BSTR(&argument)));
        words.push_back(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(texts.back().c_str())));
        return;
    case VT_BOOL:
        words.push_back(V_BOOL(&argument) != 0 ? 1 : 0);
        return;
    // Narrow values go zero-extended: a control need not clear the rest of the value field.
    case VT_I2:
    case VT_UI2:
        words.push_back(static_cast<std::uint16_t>(V_UI2(&argument)));
        return;
    case VT_I1:
    case VT_UI1:
        words.push_back(static_cast<std::uint8_t>(V_UI1(&argument)));
        return;
    default:
        words.push_back(static_cast<std::uint32_t>(V_I4(&argument)));
    }
}

// An event declared without a result (VT_VOID; VT_EMPTY for an entry no type information filled)
// writes nothing into the control's result: whatever the handler left in eax is no value.
bool HasResult(std::uint32_t type) noexcept { return type != VT_EMPTY && type != VT_VOID; }

// A float or a double comes back from an x86 routine in st(0), every other result in edx:eax.
bool IsFloating(std::uint32_t type) noexcept { return type == VT_R4 || type == VT_R8 || type == VT_DATE; }

// What the handler gave back, from where a routine of the event's result type leaves it.
struct HandlerResult {
    std::uint64_t words = 0;  // edx:eax
    double floating = 0;      // st(0), taken off the x87 stack
};

HandlerResult RunHandler(const AxEventEntry& bound, const std::vector<std::uint32_t>& words) noexcept
{
    HandlerResult result;
    const auto count = static_cast<std::uint32_t>(words.size());
    if (IsFloating(bound.resultType))
        result.floating = CallWithWordsFloating(bound.handler, words.data(), count);
    else
        result.words = CallWithWords(bound.handler, words.data(), count);
    return result;
}

void FillEventResult(VARIANT& result, std::uint32_t type, const HandlerResult& value) noexcept
{
    auto low = static_cast<std::uint32_t>(value.words);
    auto* pointer = reinterpret_cast<void*>(static_cast<std::uintptr_t>(low));
    UniqueVariant made;
    VARIANT& answer = *made.put();
    switch (type) {
    case VT_R4:
        V_VT(&answer) = VT_R4;
        V_R4(&answer) = static_cast<float>(value.floating);
        break;
    case VT_R8:
    case VT_DATE:
        V_VT(&answer) = static_cast<VARTYPE>(type);
        V_R8(&answer) = value.floating;
        break;
    case VT_I8:
    case VT_UI8:
        V_VT(&answer) = static_cast<VARTYPE>(type);
        std::memcpy(&V_I8(&answer), &value.words, sizeof(value.words));
        break;
    case VT_BSTR: {
        UniqueBstr text = BstrFromAnsi(static_cast<const char*>(pointer));
        if (!text)
            return;
        V_VT(&answer) = VT_BSTR;
        V_BSTR(&answer) = text.release();
        break;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (pointer == nullptr)
            return;
        V_VT(&answer) = static_cast<VARTYPE>(type);
        V_UNKNOWN(&answer) = static_cast<IUnknown*>(pointer);
        V_UNKNOWN(&answer)->AddRef();
        break;
    case VT_BOOL:
        V_VT(&answer) = VT_BOOL;
        V_BOOL(&answer) = low != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_VARIANT:
        if (pointer != nullptr)
            VariantCopy(&result, static_cast<VARIANT*>(pointer));
        return;
    default:
        V_VT(&answer) = static_cast<VARTYPE>(type);
        V_I4(&answer) = static_cast<LONG>(low);
    }
    ReplaceVariant(result, std::move(made));
}

// InvokeByDispId's call; throws when the argument lists cannot be had.
std::uint64_t InvokeWithSignature(AxObjectVariable* variable, DISPID dispId, WORD flags, const char* signature,
                                  std::int32_t resultMode, std::int32_t count, const std::uint32_t* arguments)
{
    if (variable == nullptr || *variable == nullptr)
        return 0;
    auto dispatch = QueryFor<IDispatch>((*variable)->control.Get(), IID_IDispatch);
    if (!dispatch)
        return 0;

    std::vector<SignatureArgument> signatureArguments = ReadSignature(signature, count, arguments);
    std::size_t n = signatureArguments.size();
    // Handed to Invoke as the VARIANT array, last argument first.
    std::vector<UniqueVariant> values(n);
    std::vector<UniqueBstr> cells(n);
    std::vector<IUnknown*> emptyObjects(n, nullptr);
    for (std::size_t i = 0; i < n; ++i) {
        VARIANT& value = *values[n - 1 - i].put();
        const SignatureArgument& argument = signatureArguments[i];
        if (!argument.given) {
            V_VT(&value) = VT_ERROR;
            V_ERROR(&value) = DISP_E_PARAMNOTFOUND;
        } else if (argument.byReference) {
            FillByReference(value, argument, cells[i], emptyObjects[i]);
        } else {
            FillByValue(value, argument);
        }
    }

    DISPID propertyPut = DISPID_PROPERTYPUT;
    bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{n != 0 ? values[0].addressof() : nullptr, isPut ? &propertyPut : nullptr,
                      static_cast<UINT>(n), isPut ? 1u : 0u};
    UniqueVariant result;
    UINT argumentError = static_cast<UINT>(-1);
    HRESULT hr = dispatch->Invoke(dispId, IID_NULL, 0, flags, &params, result.put(), nullptr, &argumentError);
    std::uint64_t converted = ConvertResult(result, hr, resultMode);

    for (std::size_t i = 0; i < n; ++i)
        WriteBack(signatureArguments[i], values[n - 1 - i], cells[i]);
    return converted;
}

} // namespace

std::uint64_t InvokeByDispId(AxObjectVariable* variable, DISPID dispId, WORD flags, const char* signature,
                             std::int32_t resultMode, std::int32_t count, const std::uint32_t* arguments) noexcept
{
    return NoThrow(std::uint64_t{0},
                   [&] { return InvokeWithSignature(variable, dispId, flags, signature, resultMode, count, arguments); });
}

HRESULT STDMETHODCALLTYPE AxObject::Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                           EXCEPINFO*, UINT*) noexcept
{
    const AxEventEntry* entry = nullptr;
    for (std::int32_t i = 0; i < entryCount && entry == nullptr; ++i) {
        if (eventTable[i].dispId == dispId && eventTable[i].handler != 0)
            entry = &eventTable[i];
    }
    if (entry == nullptr)
        return S_OK;
    // The handler may rebind, recreate or destroy the grid, which replaces or frees the table and
    // this object: what the delivery needs afterwards is copied now, and a Delete waits for it.
    const AxEventEntry bound = *entry;

    UINT count = params != nullptr && params->rgvarg != nullptr ? params->cArgs : 0;
    std::vector<std::uint32_t> words;
    std::vector<std::string> texts;
    // Without memory for the words the event is not delivered; the control is not told of it.
    if (!RanToEnd([&] {
            words.push_back(bound.userValue);
            texts.reserve(count);
            for (UINT k = count; k-- > 0;)
                AppendEventWords(params->rgvarg[k], words, texts);
        }))
        return S_OK;

    ++deliveries_;
    const HandlerResult value = RunHandler(bound, words);

    for (UINT k = 0; k < count; ++k) {
        VARIANT& argument = params->rgvarg[k];
        // A handler that stores 1 into a Cancel flag must hand the control a proper true.
        if (V_VT(&argument) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&argument) != nullptr && *V_BOOLREF(&argument) != 0)
            *V_BOOLREF(&argument) = VARIANT_TRUE;
    }
    if (result != nullptr && HasResult(bound.resultType))
        FillEventResult(*result, bound.resultType, value);
    --deliveries_;
    FreeIfReleased();
    return S_OK;
}
