// Calls by dispatch id from type signatures and argument words, and events from the test control
// reaching handlers of both calling conventions with their arguments as words.
#include <cstring>
#include <string>
#include <vector>

#include "ax_test_support.h"
#include "framework/unique_resource.h"
#include "support/x87_stack.h"

namespace {

std::uint32_t Word(const void* address) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address)); }

template <typename Value>
std::vector<std::uint32_t> Words(Value value)
{
    std::vector<std::uint32_t> words((sizeof(Value) + 3) / 4);
    std::memcpy(words.data(), &value, sizeof(Value));
    return words;
}

double AsDouble(std::uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

char* RuntimeText(const char* text)
{
    auto* copy = static_cast<char*>(RuntimeService(kRuntimeAllocate, nullptr, std::strlen(text) + 1));
    std::strcpy(copy, text);
    return copy;
}

class AxInvokeTest : public AxHostTest {
protected:
    void SetUp() override
    {
        AxHostTest::SetUp();
        ASSERT_NE(Host(), nullptr);
    }
    std::uint64_t Call(DISPID id, WORD flags, const char* signature, const std::vector<std::uint32_t>& words,
                       std::int32_t mode = 0)
    {
        return InvokeByDispId(&host_, id, flags, signature, mode, static_cast<std::int32_t>(std::strlen(signature) / 2),
                              words.data());
    }
};

TEST_F(AxInvokeTest, GetMergedRangeFillsTheCallersFourIntegers)
{
    std::int32_t r1 = -1, c1 = -1, r2 = -1, c2 = -1;
    std::uint64_t result = Call(175, DISPATCH_METHOD, "0I0I1I1I1I1I", {3, 4, Word(&r1), Word(&c1), Word(&r2), Word(&c2)});
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(LastCall(), "175 1 0 | I4 I4 I4& I4& I4& I4&");
    EXPECT_EQ(r1, 3);
    EXPECT_EQ(c1, 4);
    EXPECT_EQ(r2, 5);
    EXPECT_EQ(c2, 7);
}

TEST_F(AxInvokeTest, SignatureLettersBecomeTheirVariants)
{
    const char* text = "abcd";
    std::uint32_t bytes[3] = {1, 3, 0};
    std::memcpy(&bytes[2], "\x01\x02\x03", 3);
    auto* byteArray = reinterpret_cast<ByteArrayBlock*>(bytes);
    ByteArrayBlock* noBytes = nullptr;
    ComObjectValue* object = GetDispatch(&host_);
    ASSERT_NE(object, nullptr);
    ASSERT_NE(object->object, nullptr);
    VARIANT nine;
    VariantInit(&nine);
    V_VT(&nine) = VT_I4;
    V_I4(&nine) = 9;
    VARIANT* variant = &nine;
    double four = 4.0;

    auto join = [](std::initializer_list<std::vector<std::uint32_t>> parts) {
        std::vector<std::uint32_t> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct {
        const char* signature;
        std::vector<std::uint32_t> words;
        double sum;
        const char* types;
    } cases[] = {
        {"0D", Words(2.5), 2.5, "2 1 0 | R8"},
        {"0I2D0F", join({{5}, Words(9.0), {0}, Words(1.5f)}), 6.5, "2 1 0 | I4 ERROR R4"},
        {"2D0S", join({Words(9.0), {1}, {7}}), 16, "2 1 0 | R8 I2"},
        {"3I0S", {0xDEAD, 0, 7}, 7, "2 1 0 | ERROR I2"},
        {"0L0B0b", join({Words(std::int64_t{10}), {3}, {5}}), 12, "2 1 0 | I8 UI1 BOOL"},
        {"0d", Words(2.0), 2, "2 1 0 | DATE"},
        {"0Z", {Word(&byteArray)}, 6, "2 1 0 | ARRAY:UI1"},
        {"0Z", {Word(&noBytes)}, 0, "2 1 0 | ARRAY:UI1"},
        {"0T", {Word(&text)}, 4, "2 1 0 | BSTR"},
        {"0C", {Word(&object)}, 1000, "2 1 0 | DISPATCH"},
        {"0V", {Word(&variant)}, 9, "2 1 0 | I4"},
        {"1D", {Word(&four)}, 4, "2 1 0 | R8&"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AsDouble(Call(2, DISPATCH_METHOD, c.signature, c.words)), c.sum) << c.signature;
        EXPECT_EQ(LastCall(), c.types) << c.signature;
    }
    object->object->Release();
    RuntimeService(kRuntimeFree, object, 0);
}

TEST_F(AxInvokeTest, PropertyPutNamesItsValueAndTextsRoundTripInTheAnsiCodePage)
{
    char* caption = RuntimeText("澄笺");
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYPUT, "0T", {Word(&caption)}), 0u);
    EXPECT_EQ(LastCall(), "1 4 1:-3 | BSTR");
    RuntimeService(kRuntimeFree, caption, 0);

    auto* read = reinterpret_cast<char*>(static_cast<std::uintptr_t>(Call(1, DISPATCH_PROPERTYGET, "", {})));
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read, "澄笺");
    RuntimeService(kRuntimeFree, read, 0);
    EXPECT_EQ(LastCall(), "1 2 0 |") << "count 0 passes no arguments";

    auto* whole = reinterpret_cast<VARIANT*>(static_cast<std::uintptr_t>(Call(1, DISPATCH_PROPERTYGET, "", {}, 1)));
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(V_VT(whole), VT_BSTR);
    VariantClear(whole);
    RuntimeService(kRuntimeFree, whole, 0);
}

TEST_F(AxInvokeTest, ByReferenceOutputsAreWrittenBack)
{
    std::uint32_t flag = 0;
    Call(3, DISPATCH_METHOD, "1b", {Word(&flag)});
    EXPECT_EQ(flag, 1u) << "the control's 16-bit true becomes the caller's 1";

    char* text = RuntimeText("澄");
    Call(4, DISPATCH_METHOD, "1T", {Word(&text)});
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "澄!");
    RuntimeService(kRuntimeFree, text, 0);

    char* empty = nullptr;
    Call(4, DISPATCH_METHOD, "1T", {Word(&empty)});
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "!");
    RuntimeService(kRuntimeFree, empty, 0);
}

TEST_F(AxInvokeTest, ResultsAreConvertedByTheirType)
{
    EXPECT_EQ(Call(5, DISPATCH_METHOD, "", {}), 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(Call(99, DISPATCH_METHOD, "", {})),
              static_cast<std::uint32_t>(DISP_E_MEMBERNOTFOUND));
    EXPECT_EQ(Call(7, DISPATCH_METHOD, "", {}), 1u);

    auto* none = reinterpret_cast<ComObjectValue*>(static_cast<std::uintptr_t>(Call(5, DISPATCH_METHOD, "", {}, 2)));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->object, nullptr);
    RuntimeService(kRuntimeFree, none, 0);

    const LONG references = State().references;
    auto* self = reinterpret_cast<ComObjectValue*>(static_cast<std::uintptr_t>(Call(6, DISPATCH_METHOD, "", {}, 2)));
    ASSERT_NE(self, nullptr);
    EXPECT_NE(self->object, nullptr);
    EXPECT_EQ(State().references, references + 1) << "the value holds exactly one reference";
    self->object->Release();
    RuntimeService(kRuntimeFree, self, 0);

    auto* copied = reinterpret_cast<VARIANT*>(static_cast<std::uintptr_t>(Call(8, DISPATCH_METHOD, "", {})));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(V_VT(copied), VT_I4);
    EXPECT_EQ(V_I4(copied), 77);
    RuntimeService(kRuntimeFree, copied, 0);
}

// What the last handler received.
struct Received {
    int calls;
    std::uint32_t user;
    std::uint32_t words[4];
    float x, y;
    double value;
    std::string text;
};
Received g_received;

std::uint64_t __stdcall OnDblClickStd(std::uint32_t user) noexcept
{
    ++g_received.calls;
    g_received.user = user;
    return 0x55;
}
std::uint64_t __cdecl OnDblClickC(std::uint32_t user) noexcept { return OnDblClickStd(user); }

std::uint64_t __stdcall OnKeyDownStd(std::uint32_t user, std::int16_t* keyCode, std::int16_t shift) noexcept
{
    ++g_received.calls;
    g_received.user = user;
    g_received.words[0] = static_cast<std::uint32_t>(*keyCode);
    g_received.words[1] = static_cast<std::uint32_t>(shift);
    *keyCode = 0;
    return 0;
}
std::uint64_t __cdecl OnKeyDownC(std::uint32_t user, std::int16_t* keyCode, std::int16_t shift) noexcept
{
    return OnKeyDownStd(user, keyCode, shift);
}

std::uint64_t __stdcall OnMouseDownStd(std::uint32_t user, std::int16_t button, std::int16_t shift, float x,
                                       float y) noexcept
{
    ++g_received.calls;
    g_received.user = user;
    g_received.words[0] = static_cast<std::uint32_t>(button);
    g_received.words[1] = static_cast<std::uint32_t>(shift);
    g_received.x = x;
    g_received.y = y;
    return 0;
}
std::uint64_t __cdecl OnMouseDownC(std::uint32_t user, std::int16_t button, std::int16_t shift, float x,
                                   float y) noexcept
{
    return OnMouseDownStd(user, button, shift, x, y);
}

std::uint64_t __stdcall OnBeforeEdit(std::uint32_t user, std::int32_t row, std::int32_t col,
                                     std::int16_t* cancel) noexcept
{
    ++g_received.calls;
    g_received.words[0] = static_cast<std::uint32_t>(row);
    g_received.words[1] = static_cast<std::uint32_t>(col);
    *cancel = 1;
    return 0;
}

std::uint64_t __cdecl OnMeasure(std::uint32_t user, double value, const char* text)
{
    ++g_received.calls;
    g_received.value = value;
    g_received.text = text != nullptr ? text : "(null)";
    return 42;
}

// Floating results come back on the x87 stack, as from any x86 routine.
double __stdcall OnRatio(std::uint32_t user, std::int32_t flag) noexcept
{
    ++g_received.calls;
    g_received.words[0] = static_cast<std::uint32_t>(flag);
    return 0.75;
}
float __stdcall OnScale(std::uint32_t user, std::int32_t flag) noexcept { return 1.25f * static_cast<float>(flag); }
double __cdecl OnStamp(std::uint32_t user, std::int32_t flag) { return 45000.5 + flag; }

class AxEventTest : public AxInvokeTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        AxInvokeTest::SetUp();
        g_received = {};
    }
    bool Std() const { return GetParam(); }
    void Bind(DISPID id, SubprogramPointer stdHandler, SubprogramPointer cHandler)
    {
        ASSERT_TRUE(BindEvent(&host_, id, Std() ? stdHandler : cHandler, 0x1234));
    }
};

TEST_P(AxEventTest, GridEventsReachTheirHandlersAsWords)
{
    Bind(-601, ToSubprogramPointer(OnDblClickStd), ToSubprogramPointer(OnDblClickC));
    Bind(-602, ToSubprogramPointer(OnKeyDownStd), ToSubprogramPointer(OnKeyDownC));
    Bind(-605, ToSubprogramPointer(OnMouseDownStd), ToSubprogramPointer(OnMouseDownC));

    // The handler's eax (0x55) is no result: an event declared without one leaves the control's
    // result VARIANT as it passed it, empty, every byte.
    VARIANT result;
    VariantInit(&result);
    const VARIANT passed = result;
    EXPECT_EQ(Fire(-601, nullptr, 0, &result), 1);
    EXPECT_EQ(g_received.calls, 1);
    EXPECT_EQ(g_received.user, 0x1234u);
    EXPECT_EQ(V_VT(&result), VT_EMPTY) << "an event without a result writes nothing into the control's result";
    EXPECT_EQ(std::memcmp(&result, &passed, sizeof result), 0);

    short key = 65;
    VARIANT keyArgs[2];
    V_VT(&keyArgs[1]) = VT_BYREF | VT_I2;
    V_I2REF(&keyArgs[1]) = &key;
    // A control need not clear the value field above a 16-bit value: the handler's word is zero-extended.
    V_VT(&keyArgs[0]) = VT_I2;
    V_I4(&keyArgs[0]) = static_cast<LONG>(0xBEEF0000);
    V_I2(&keyArgs[0]) = 2;
    Fire(-602, keyArgs, 2);
    EXPECT_EQ(g_received.calls, 2);
    EXPECT_EQ(g_received.words[0], 65u);
    EXPECT_EQ(g_received.words[1], 2u);
    EXPECT_EQ(key, 0) << "the handler writes the control's KeyCode";

    VARIANT mouseArgs[4];
    V_VT(&mouseArgs[3]) = VT_I2;
    V_I4(&mouseArgs[3]) = 0x7FFF0001;
    V_VT(&mouseArgs[2]) = VT_I2;
    V_I4(&mouseArgs[2]) = 4;
    V_VT(&mouseArgs[1]) = VT_R4;
    V_R4(&mouseArgs[1]) = 12.5f;
    V_VT(&mouseArgs[0]) = VT_R4;
    V_R4(&mouseArgs[0]) = -3.25f;
    Fire(-605, mouseArgs, 4);
    EXPECT_EQ(g_received.calls, 3);
    EXPECT_EQ(g_received.user, 0x1234u);
    EXPECT_EQ(g_received.words[0], 1u);
    EXPECT_EQ(g_received.words[1], 4u);
    EXPECT_EQ(g_received.x, 12.5f);
    EXPECT_EQ(g_received.y, -3.25f);
}

INSTANTIATE_TEST_SUITE_P(CallingConventions, AxEventTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "stdcall" : "cdecl"; });

TEST_F(AxInvokeTest, EventArgumentsAndResultsAreConverted)
{
    g_received = {};
    ASSERT_TRUE(BindEvent(&host_, 1, ToSubprogramPointer(OnBeforeEdit), 0));
    ASSERT_TRUE(BindEvent(&host_, 2, reinterpret_cast<SubprogramPointer>(&OnMeasure), 0));
    ASSERT_TRUE(BindEvent(&host_, 3, ToSubprogramPointer(OnRatio), 0));

    VARIANT_BOOL cancel = 0;
    VARIANT editArgs[3];
    V_VT(&editArgs[2]) = VT_I4;
    V_I4(&editArgs[2]) = 7;
    V_VT(&editArgs[1]) = VT_I4;
    V_I4(&editArgs[1]) = 2;
    V_VT(&editArgs[0]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&editArgs[0]) = &cancel;
    Fire(1, editArgs, 3);
    EXPECT_EQ(g_received.words[0], 7u);
    EXPECT_EQ(g_received.words[1], 2u);
    EXPECT_EQ(cancel, VARIANT_TRUE) << "a Cancel written as 1 reaches the control as -1";

    VARIANT measureArgs[2];
    V_VT(&measureArgs[1]) = VT_R8;
    V_R8(&measureArgs[1]) = 1.5;
    UniqueBstr measured(SysAllocString(L"\u6f84"));
    V_VT(&measureArgs[0]) = VT_BSTR;
    V_BSTR(&measureArgs[0]) = measured.get();
    VARIANT result;
    VariantInit(&result);
    Fire(2, measureArgs, 2, &result);
    EXPECT_EQ(g_received.value, 1.5);
    EXPECT_EQ(g_received.text, "澄");
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 42);

    VARIANT flag;
    V_VT(&flag) = VT_BOOL;
    V_BOOL(&flag) = VARIANT_TRUE;
    VariantInit(&result);
    Fire(3, &flag, 1, &result);
    EXPECT_EQ(g_received.words[0], 1u) << "a true event argument arrives as 1";
    EXPECT_EQ(V_VT(&result), VT_R8);
    EXPECT_EQ(V_R8(&result), 0.75);
}

TEST_F(AxInvokeTest, FloatingEventResultsComeFromTheX87StackAndLeaveItEmpty)
{
    struct Case {
        DISPID id;
        SubprogramPointer handler;
        VARTYPE type;
        double expected;  // for flag 2
    };
    const Case cases[] = {
        {3, ToSubprogramPointer(OnRatio), VT_R8, 0.75},
        {4, ToSubprogramPointer(OnScale), VT_R4, 2.5},
        {5, reinterpret_cast<SubprogramPointer>(&OnStamp), VT_DATE, 45002.5},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(BindEvent(&host_, c.id, c.handler, 0));
        // More deliveries than the x87 stack has registers: one value left behind by each would
        // fill it, and every floating load after that would give NaN.
        for (int round = 0; round < 12; ++round) {
            VARIANT flag;
            V_VT(&flag) = VT_I4;
            V_I4(&flag) = 2;
            VARIANT result;
            VariantInit(&result);
            Fire(c.id, &flag, 1, &result);
            ASSERT_EQ(V_VT(&result), c.type) << c.id << ", round " << round;
            const double value = c.type == VT_R4 ? V_R4(&result) : V_R8(&result);
            ASSERT_EQ(value, c.expected) << c.id << ", round " << round;
            ASSERT_EQ(X87Depth(), 0) << c.id << ", round " << round;
        }
    }
}

TEST_F(AxInvokeTest, UnboundEventsLeaveTheResultAndReachOnlyBoundSinks)
{
    g_received = {};
    VARIANT result;
    V_VT(&result) = VT_I4;
    V_I4(&result) = 5;
    EXPECT_EQ(Fire(-601, nullptr, 0, &result), 1);
    Fire(12345, nullptr, 0, &result);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 5);

    AxObject* copy = nullptr;
    CopyAxObject(&copy, &host_);
    ASSERT_TRUE(BindEvent(&host_, -601, ToSubprogramPointer(OnDblClickStd), 1));
    EXPECT_EQ(Fire(-601, nullptr, 0), 2);
    EXPECT_EQ(g_received.calls, 1) << "the copy's sink has nothing bound";
    ASSERT_TRUE(BindEvent(&copy, -601, reinterpret_cast<SubprogramPointer>(&OnDblClickC), 2));
    Fire(-601, nullptr, 0);
    EXPECT_EQ(g_received.calls, 3);
    DestroyAxObject(&copy);
}

} // namespace
