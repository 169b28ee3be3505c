// By-name access against the fixture object: binding and its failure codes, the VARIANT each
// argument kind makes, puts with their named argument, result conversions, outputs written back
// into the caller's variables, reference balance and the per-thread last-call code.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include "dispatch_fixture.h"
#include "com/com_dispatch.h"
#include "grid/grid_control.h"
#include "framework/unique_resource.h"
#include "grid/grid_node.h"

namespace {

class ComDispatchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }

    void SetUp() override
    {
        fixture_.AddRef();
        object_ = {&fixture_, 0};
    }
    void TearDown() override { EXPECT_EQ(fixture_.references, 1) << "every reference the calls took came back"; }

    static VARIANT Number(double value)
    {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_R8;
        V_R8(&v) = value;
        return v;
    }
    static VARIANT Text(const wchar_t* text)
    {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(text);
        return v;
    }
    const VARIANT& Received(std::size_t i) { return fixture_.received.values.at(i); }

    DispatchFixture fixture_;
    ComObjectValue object_{};
};

TEST_F(ComDispatchTest, EveryReaderOfAnEmptyObjectGivesItsEmptyValueAndCodeMinusOne)
{
    ComObjectValue empty{nullptr, 0};
    EXPECT_EQ(RtComGetNumber(&empty, "Rows"), 0.0);
    EXPECT_EQ(RtComLastCode(), kRtComEmptyObject);
    EXPECT_EQ(RtComErrorText(), "对象为空");
    EXPECT_FALSE(RtComGetBool(nullptr, "WordWrap"));
    EXPECT_EQ(RtComGetText(&empty, "FontName"), "");
    UniqueComObjectValue object(RtComGetObject(&empty, "Font"));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->object, nullptr);
    VARIANT* variant = RtComGetVariant(&empty, "Rows");
    ASSERT_NE(variant, nullptr);
    EXPECT_EQ(V_VT(variant), VT_EMPTY);
    FreeVariantValue(variant);
    EXPECT_FALSE(RtComSetProperty(&empty, "Rows", ComArgument::Int32(1)));
    EXPECT_EQ(RtComLastCode(), kRtComEmptyObject);
}

TEST_F(ComDispatchTest, BindingFailuresStopBeforeInvoke)
{
    EXPECT_EQ(RtComGetNumber(&object_, "NoSuchMember"), 0.0);
    EXPECT_EQ(RtComLastCode(), kRtComMemberNotFound);
    EXPECT_EQ(RtComErrorText(), "未找到指定属性或方法");

    ByteSet bytes = ByteSet::FromText("BM");
    EXPECT_FALSE(RtComSetProperty(&object_, "FontName", ComArgument::Bytes(&bytes)));
    EXPECT_EQ(RtComLastCode(), kRtComBadArgumentKind);
    EXPECT_EQ(RtComErrorText(), "参数数据类型错误");

    EXPECT_EQ(RtComGetNumber(&object_, "Rows", {ComArgument::Int32(1)}), 0.0);
    EXPECT_EQ(RtComLastCode(), kRtComTooManyArguments);

    fixture_.noTypeInfo = true;
    RtComCall(&object_, "Fail");
    EXPECT_EQ(RtComLastCode(), kRtComNoTypeInfo);
    EXPECT_EQ(RtComErrorText(), "指定对象没有类型信息");
    EXPECT_EQ(fixture_.invokes, 0);

    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ComObjectValue plain{stream, 0};
    RtComCall(&plain, "Fail");
    EXPECT_EQ(RtComLastCode(), kRtComNoDispatch);
    EXPECT_EQ(RtComErrorText(), "指定对象没有调用接口");
    stream->Release();
}

TEST_F(ComDispatchTest, InvokeFailuresMapToTheirCodesAndTexts)
{
    const struct {
        HRESULT hr;
        std::int32_t code;
        const char* text;
    } cases[] = {
        {DISP_E_BADPARAMCOUNT, -9, "参数数目错误"},   {DISP_E_BADVARTYPE, -10, "参数类型值无效"},
        {DISP_E_EXCEPTION, -11, "发现异常"},          {DISP_E_MEMBERNOTFOUND, -12, "未找到指定成员"},
        {DISP_E_NONAMEDARGS, -13, "不支持命名参数"},  {DISP_E_OVERFLOW, -14, "溢出"},
        {DISP_E_PARAMNOTFOUND, -15, "未找到指定参数"}, {DISP_E_TYPEMISMATCH, -16, "类型不匹配"},
        {DISP_E_PARAMNOTOPTIONAL, -17, "必需的参数数据被省略"}, {E_FAIL, -18, "其他原因调用失败"},
    };
    for (const auto& c : cases) {
        fixture_.failWith = c.hr;
        EXPECT_EQ(RtComGetText(&object_, "FontName"), "");
        EXPECT_EQ(RtComLastCode(), c.code) << std::hex << c.hr;
        EXPECT_EQ(RtComErrorText(), c.text);
    }
    fixture_.failWith = S_OK;
    RtComCall(&object_, "Fail");
    EXPECT_EQ(RtComLastCode(), kRtComOk);
    EXPECT_EQ(RtComErrorText(), "");
    EXPECT_EQ(RtComCodeText(-19), "");
    EXPECT_EQ(RtComCodeText(1), "");
}

TEST_F(ComDispatchTest, EachArgumentKindMakesItsVariant)
{
    const struct {
        const char* name;
        ComArgument argument;
        VARTYPE type;
        double value;
    } cases[] = {
        {"byte", ComArgument::UInt8(200), VT_UI1, 200},
        {"short", ComArgument::Int16(-300), VT_I2, -300},
        {"long", ComArgument::Int32(-70000), VT_I4, -70000},
        {"64-bit keeps its low word", ComArgument::Int64((std::int64_t{1} << 32) + 255), VT_I4, 255},
        {"float", ComArgument::Float(1.5f), VT_R4, 1.5},
        {"double", ComArgument::Double(-2.25), VT_R8, -2.25},
        {"date", ComArgument::Date(45000.5), VT_DATE, 45000.5},
        {"bool of 5", ComArgument::Bool(5), VT_BOOL, -1},
        {"bool of 0", ComArgument::Bool(0), VT_BOOL, 0},
    };
    for (const auto& c : cases) {
        RtComCall(&object_, "Keep", {ComArgument::Omitted(), c.argument});
        ASSERT_EQ(RtComLastCode(), kRtComOk) << c.name;
        ASSERT_EQ(fixture_.received.types.size(), 2u) << c.name;
        EXPECT_EQ(fixture_.received.types[0], VT_ERROR) << "an omitted argument in front is still passed";
        EXPECT_EQ(V_ERROR(&Received(0)), DISP_E_PARAMNOTFOUND);
        EXPECT_EQ(fixture_.received.types[1], c.type) << c.name;
        VARIANT number;
        VariantInit(&number);
        ASSERT_EQ(VariantChangeType(&number, const_cast<VARIANT*>(&Received(1)), 0, VT_R8), S_OK) << c.name;
        EXPECT_EQ(V_R8(&number), c.value) << c.name;
    }

    RtComCall(&object_, "Keep", {ComArgument::Omitted(), ComArgument::Text("澄笺")});
    EXPECT_EQ(fixture_.received.types[1], VT_BSTR);
    EXPECT_STREQ(V_BSTR(&Received(1)), L"澄笺");
    RtComCall(&object_, "Keep", {ComArgument::Omitted(), ComArgument::Text("")});
    ASSERT_NE(V_BSTR(&Received(1)), nullptr) << "an empty text is an empty BSTR, not a null one";
    EXPECT_EQ(SysStringLen(V_BSTR(&Received(1))), 0u);
    // A borrowed text is sent as a copied one is.
    for (const std::string borrowed : {"借来的", ""}) {
        RtComCall(&object_, "Keep", {ComArgument::Omitted(), ComArgument::BorrowedText(borrowed)});
        EXPECT_EQ(fixture_.received.types[1], VT_BSTR);
        ASSERT_NE(V_BSTR(&Received(1)), nullptr);
        EXPECT_EQ(std::wstring(V_BSTR(&Received(1))), borrowed.empty() ? L"" : L"借来的");
    }
}

TEST_F(ComDispatchTest, OmittedArgumentsAtTheEndAreNotCounted)
{
    VARIANT empty;
    VariantInit(&empty);
    RtComCallNumber(&object_, "Sum", {ComArgument::Double(1), ComArgument::Variant(&empty)});
    EXPECT_EQ(RtComLastCode(), kRtComOk);
    EXPECT_EQ(fixture_.received.types.size(), 1u) << "an empty VARIANT counts as omitted";

    RtComCall(&object_, "Sum", {ComArgument::Double(1), ComArgument::Double(2), ComArgument::Omitted()});
    EXPECT_EQ(fixture_.received.types.size(), 2u);
    RtComCall(&object_, "Sum", {ComArgument::Double(1), ComArgument::Double(2), ComArgument::Double(3)});
    EXPECT_EQ(RtComLastCode(), kRtComTooManyArguments);

    RtComCall(&object_, "Log", {ComArgument::Int32(1), ComArgument::Int32(2), ComArgument::Int32(3),
                                ComArgument::Int32(4)});
    EXPECT_EQ(RtComLastCode(), kRtComOk) << "a variable list takes any number";
    EXPECT_EQ(fixture_.received.types.size(), 4u);
}

TEST_F(ComDispatchTest, APutNamesItsValueAndObjectsGoByTheDeclaredInterface)
{
    EXPECT_TRUE(RtComSetProperty(&object_, "TextMatrix", {ComArgument::Int32(2), ComArgument::Int32(1)},
                                 ComArgument::Text("格")));
    EXPECT_EQ(fixture_.received.flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(fixture_.received.named, 1u);
    EXPECT_EQ(fixture_.received.namedId, DISPID_PROPERTYPUT);
    ASSERT_EQ(fixture_.received.types.size(), 3u);
    EXPECT_EQ(V_I4(&Received(0)), 2);
    EXPECT_EQ(V_I4(&Received(1)), 1);
    EXPECT_STREQ(V_BSTR(&Received(2)), L"格");

    DispatchFixture other;
    other.AddRef();
    ComObjectValue otherValue{&other, 0};
    EXPECT_TRUE(RtComSetProperty(&object_, "Font", ComArgument::Object(&otherValue)));
    EXPECT_EQ(fixture_.received.flags, DISPATCH_PROPERTYPUTREF) << "Font has only a put by reference";
    EXPECT_EQ(fixture_.received.types[0], VT_DISPATCH);
    EXPECT_TRUE(RtComSetProperty(&object_, "DataSource", ComArgument::Object(&otherValue)));
    EXPECT_EQ(fixture_.received.types[0], VT_UNKNOWN);
    EXPECT_EQ(V_UNKNOWN(&Received(0)), static_cast<IUnknown*>(&other));

    ComObjectValue empty{nullptr, 0};
    EXPECT_TRUE(RtComSetProperty(&object_, "Font", ComArgument::Object(&empty)));
    EXPECT_EQ(fixture_.received.types[0], VT_UNKNOWN);
    EXPECT_EQ(V_UNKNOWN(&Received(0)), nullptr);

    UniqueComObjectValue font(RtComGetObject(&object_, "DataSource"));
    EXPECT_EQ(font->object, static_cast<IUnknown*>(&other));
    font.reset();
    fixture_.Forget();
    EXPECT_EQ(other.references, 1) << "the calls gave back every reference they took on the argument";
}

TEST_F(ComDispatchTest, AVariableIsReadWithAGetAndWrittenWithAPut)
{
    EXPECT_TRUE(RtComSetProperty(&object_, "Counter", ComArgument::Int32(4)));
    EXPECT_EQ(fixture_.received.flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(fixture_.received.namedId, DISPID_PROPERTYPUT);
    EXPECT_EQ(RtComGetNumber(&object_, "Counter"), 4.0);
    EXPECT_EQ(fixture_.received.flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(RtComCallNumber(&object_, "Counter"), 4.0);
    EXPECT_EQ(fixture_.received.flags, DISPATCH_PROPERTYGET) << "also when it is called as a method";
    ComObjectValue empty{nullptr, 0};
    EXPECT_TRUE(RtComSetProperty(&object_, "Owner", ComArgument::Object(&empty)));
    EXPECT_EQ(fixture_.received.flags, DISPATCH_PROPERTYPUTREF) << "an interface variable is put by reference";
}

TEST_F(ComDispatchTest, ResultsConvertToTheKindWanted)
{
    fixture_.Store(kFixtureRows, Number(-2.7));
    EXPECT_EQ(RtComGetNumber(&object_, "Rows"), -2.7);
    EXPECT_EQ(TruncateToInt32(RtComGetNumber(&object_, "Rows")), -2);

    VARIANT seven;
    VariantInit(&seven);
    V_VT(&seven) = VT_I4;
    V_I4(&seven) = 7;
    fixture_.Store(kFixtureWordWrap, seven);
    EXPECT_EQ(RtComGetBool(&object_, "WordWrap"), true);
    fixture_.Store(kFixtureFontName, seven);
    EXPECT_EQ(RtComGetText(&object_, "FontName"), "7");

    UniqueVariant name(Text(L"宋体"));
    fixture_.Store(kFixtureFontName, name.get());
    EXPECT_EQ(RtComGetText(&object_, "FontName"), "宋体");
    EXPECT_EQ(RtComGetNumber(&object_, "FontName"), 0.0);
    EXPECT_EQ(RtComLastCode(), kRtComResultMismatch);
    EXPECT_EQ(RtComErrorText(), "执行成功，但返回值类型不匹配");

    VARIANT* variant = RtComGetVariant(&object_, "FontName");
    ASSERT_EQ(V_VT(variant), VT_BSTR);
    EXPECT_STREQ(V_BSTR(variant), L"宋体");
    FreeVariantValue(variant);

    UniqueComObjectValue none(RtComGetObject(&object_, "Font"));
    EXPECT_EQ(RtComLastCode(), kRtComOk) << "no result is an empty object";
    EXPECT_EQ(none->object, nullptr);
}

TEST_F(ComDispatchTest, OutputsByReferenceAreWrittenBackIntoTheCallersVariables)
{
    std::int32_t doubled = 0;
    RtComCall(&object_, "Twice", {ComArgument::Int32(21), ComArgument::Int32Variable(&doubled)});
    EXPECT_EQ(RtComLastCode(), kRtComOk);
    EXPECT_EQ(fixture_.received.types[1], VT_BYREF | VT_I4);
    EXPECT_EQ(doubled, 42);

    double wide = 0;
    RtComCall(&object_, "Twice", {ComArgument::Int32(4), ComArgument::DoubleVariable(&wide)});
    EXPECT_EQ(fixture_.received.types[1], VT_BYREF | VT_I4) << "the value is converted to the declared type";
    EXPECT_EQ(wide, 8.0) << "and written back in the variable's own kind";

    std::string text = "名";
    RtComCall(&object_, "Rename", {ComArgument::TextVariable(&text)});
    EXPECT_EQ(text, "名!");

    std::int32_t referred = 5;
    RtComCall(&object_, "Refer", {ComArgument::Int32Variable(&referred)});
    EXPECT_EQ(fixture_.received.types[0], VT_BYREF | VT_I4);
    EXPECT_EQ(referred, 5) << "a parameter not declared as an output is not written back";

    RtComCall(&object_, "Twice", {ComArgument::Int32(3), ComArgument::Int32(0)});
    EXPECT_EQ(RtComLastCode(), kRtComOk) << "a value given for an output is passed and dropped";
}

TEST_F(ComDispatchTest, EachThreadKeepsItsOwnLastCode)
{
    RtComCall(&object_, "Fail");
    ASSERT_EQ(RtComLastCode(), kRtComOk);
    std::int32_t other = 0;
    std::thread([&] {
        RtComGetNumber(nullptr, "Rows");
        other = RtComLastCode();
    }).join();
    EXPECT_EQ(other, kRtComEmptyObject);
    EXPECT_EQ(RtComLastCode(), kRtComOk);
}

TEST_F(ComDispatchTest, CopyReferenceAndReleaseBalanceTheirReferences)
{
    ComObjectValue copy{nullptr, 0};
    RtComCopyReference(&copy, &object_);
    EXPECT_EQ(copy.object, static_cast<IUnknown*>(&fixture_));
    EXPECT_EQ(fixture_.references, 2);
    RtComCopyReference(&copy, &object_);
    EXPECT_EQ(fixture_.references, 2) << "the reference held before is given back";
    RtComRelease(&copy);
    EXPECT_EQ(copy.object, nullptr);
    RtComRelease(&copy);
    EXPECT_EQ(fixture_.references, 1);
}

// The grid wrapper's value kinds, seen from the object that receives them.
class GridKindsTest : public ComDispatchTest {
protected:
    void SetUp() override
    {
        ComDispatchTest::SetUp();
        RtComCopyReference(grid_.control, &object_);
    }
    void TearDown() override
    {
        grid_.Destroy();
        ComDispatchTest::TearDown();
    }
    GridControl grid_;
};

TEST_F(GridKindsTest, WritesSendTheirMembersKinds)
{
    EXPECT_TRUE(grid_.SetGridColor((std::int64_t{1} << 32) + 255));
    EXPECT_EQ(fixture_.received.types[0], VT_I4);
    EXPECT_EQ(V_I4(&Received(0)), 255) << "only the low 32 bits of a colour are sent";
    EXPECT_TRUE(grid_.SetWordWrap(true));
    EXPECT_EQ(fixture_.received.types[0], VT_BOOL);
    EXPECT_EQ(V_BOOL(&Received(0)), VARIANT_TRUE);
    EXPECT_TRUE(grid_.SetCellFontSize(10.5f));
    EXPECT_EQ(fixture_.received.types[0], VT_R4);
    EXPECT_TRUE(grid_.SetFontSize(10.5));
    EXPECT_EQ(fixture_.received.types[0], VT_R8);
    EXPECT_TRUE(grid_.SetVersion(3));
    EXPECT_EQ(fixture_.received.types[0], VT_I2);
}

TEST_F(GridKindsTest, ReadsTruncateNarrowOrKeepTheNumber)
{
    const struct {
        double read;
        std::int32_t rows;
    } cases[] = {{-2.7, -2}, {2.7, 2}, {-0.5, 0}, {4294967296.0 + 5, 5}};
    for (const auto& c : cases) {
        fixture_.Store(kFixtureRows, Number(c.read));
        EXPECT_EQ(grid_.GetRows(), c.rows) << c.read;
    }
    fixture_.Store(kFixtureGridColor, Number(4294967296.0 + 255));
    EXPECT_EQ(grid_.GetGridColor(), (std::int64_t{1} << 32) + 255) << "a colour read keeps all 64 bits";
    fixture_.Store(kFixtureCellFontSize, Number(10.3));
    EXPECT_EQ(grid_.GetCellFontSize(), 10.3f);
    fixture_.Store(kFixtureFontSize, Number(10.3));
    EXPECT_EQ(grid_.GetFontSize(), 10.3);
    VARIANT three;
    VariantInit(&three);
    V_VT(&three) = VT_I4;
    V_I4(&three) = 3;
    fixture_.Store(kFixtureWordWrap, three);
    EXPECT_EQ(grid_.GetWordWrap(), true);
}

TEST_F(GridKindsTest, TheDataSourceComesWrappedAndItsWrapperOwnsItsReference)
{
    DispatchFixture source;
    source.AddRef();
    VARIANT three;
    VariantInit(&three);
    V_VT(&three) = VT_I4;
    V_I4(&three) = 3;
    source.Store(kFixtureGetFieldCount, three);
    ComObjectValue sourceValue{&source, 0};
    ASSERT_TRUE(grid_.SetDataSource(&sourceValue));
    EXPECT_EQ(fixture_.received.flags, DISPATCH_PROPERTYPUTREF);

    GridDataSource* wrapper = grid_.GetDataSource();
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->object->object, static_cast<IUnknown*>(&source));
    EXPECT_EQ(wrapper->GetFieldCount(), 3);

    GridDataSource* clone = wrapper->Clone();
    ComObjectValue empty{nullptr, 0};
    clone->Attach(&empty);
    EXPECT_EQ(clone->object->object, static_cast<IUnknown*>(&source)) << "an empty value leaves the object in place";
    wrapper->Destroy();
    delete wrapper;
    EXPECT_EQ(clone->GetFieldCount(), 3) << "the clone outlives the wrapper it came from";
    clone->ReleaseComObject();
    EXPECT_EQ(clone->GetFieldCount(), 0);
    EXPECT_EQ(RtComLastCode(), kRtComEmptyObject);
    clone->Destroy();
    delete clone;

    fixture_.Forget();
    EXPECT_EQ(source.references, 1);
    grid_.ReleaseComObject();
    GridDataSource* none = grid_.GetDataSource();
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->object->object, nullptr) << "a failed read gives a wrapper of an empty value";
    delete none;
}

TEST_F(ComDispatchTest, ANodeWrapperPassesItsOptionalVariantAsGiven)
{
    GridNode node;
    node.Attach(&object_);
    EXPECT_TRUE(node.SetText("节点"));
    EXPECT_EQ(node.GetText(), "节点");

    VARIANT truth;
    VariantInit(&truth);
    V_VT(&truth) = VT_BOOL;
    V_BOOL(&truth) = VARIANT_TRUE;
    fixture_.Store(kFixtureMove, truth);
    EXPECT_TRUE(node.Move(2));
    EXPECT_EQ(fixture_.received.types.size(), 1u) << "a target not given is left out";
    VARIANT target;
    VariantInit(&target);
    V_VT(&target) = VT_I4;
    V_I4(&target) = 7;
    EXPECT_TRUE(node.Move(2, &target));
    ASSERT_EQ(fixture_.received.types.size(), 2u);
    EXPECT_EQ(V_I4(&Received(1)), 7);
    node.Destroy();
}

TEST(GridNumbersTest, MillimetresBecomeTwipsThroughInchesAndPoints)
{
    EXPECT_DOUBLE_EQ(MillimetresToInches(25.4), 1.0);
    EXPECT_DOUBLE_EQ(InchesToPoints(1), 72.0);
    EXPECT_DOUBLE_EQ(PointsToTwips(1), 20.0);
    const struct {
        double millimetres;
        std::int32_t twips;
    } cases[] = {{6, 340}, {24, 1360}, {42, 2381}, {0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(TruncateToInt32(MillimetresToTwips(c.millimetres)), c.twips) << c.millimetres;
}

} // namespace
