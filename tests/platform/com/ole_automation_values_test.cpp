// The OLE automation values: BSTRs keep every unit, VARIANTs own what they hold, type changes
// convert or refuse as the ActiveX binding relies on, and one-dimensional SAFEARRAYs hold
// independent copies.
#include "platform/com/oaidl.h"
#include "tests/support/counted_dispatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using test_support::CountedDispatch;

VARIANT variantOf(VARTYPE type) {
    VARIANT value{};
    value.vt = type;
    return value;
}

TEST(ComStrings, KeepEveryUnitAndTheirLengthAndAnEmptyNullString) {
    const std::wstring text(L"a\0b\u4e2d", 4);
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(4u, SysStringLen(copy));
    EXPECT_EQ(4u * sizeof(OLECHAR), SysStringByteLen(copy));
    EXPECT_EQ(text, std::wstring(copy, SysStringLen(copy)));
    EXPECT_EQ(L'\0', copy[4]);
    SysFreeString(copy);

    BSTR zeros = SysAllocStringLen(nullptr, 3);
    EXPECT_EQ(std::wstring(3, L'\0'), std::wstring(zeros, SysStringLen(zeros)));
    SysFreeString(zeros);
    EXPECT_EQ(0u, SysStringLen(nullptr));
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    SysFreeString(nullptr);
    // A length whose byte count does not fit the 32-bit prefix is refused, not cut.
    EXPECT_EQ(nullptr, SysAllocStringLen(nullptr, 0x40000000u));
}

TEST(ComVariants, CopyIsIndependentAndClearReleasesWhatTheValueOwns) {
    CountedDispatch object;
    VARIANT source = variantOf(VT_DISPATCH);
    source.pdispVal = &object;
    object.AddRef();
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
    EXPECT_EQ(3, object.references);
    EXPECT_EQ(S_OK, VariantClear(&copy));
    EXPECT_EQ(VT_EMPTY, copy.vt);
    EXPECT_EQ(S_OK, VariantClear(&source));
    EXPECT_EQ(1, object.references);

    // Copying over a string frees it; the copy of a string is a string of its own.
    VARIANT text = variantOf(VT_BSTR);
    text.bstrVal = SysAllocStringLen(L"x\0y", 3);
    VARIANT target = variantOf(VT_BSTR);
    target.bstrVal = SysAllocString(L"old");
    ASSERT_EQ(S_OK, VariantCopy(&target, &text));
    EXPECT_NE(text.bstrVal, target.bstrVal);
    EXPECT_EQ(3u, SysStringLen(target.bstrVal));
    VariantClear(&text);
    VariantClear(&target);

    VARIANT bad = variantOf(VT_LPSTR);
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&bad));
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantCopy(&target, &bad));
}

TEST(ComVariants, ChangeTypeConvertsNumbersAndRefusesWhatDoesNotFit) {
    VARIANT result;
    VariantInit(&result);
    VARIANT small = variantOf(VT_UI1);
    small.bVal = 200;
    ASSERT_EQ(S_OK, VariantChangeType(&result, &small, 0, VT_I4));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(200, result.lVal);

    VARIANT half = variantOf(VT_R8);
    half.dblVal = 2.5;  // halves go to the even neighbour
    ASSERT_EQ(S_OK, VariantChangeType(&result, &half, 0, VT_I4));
    EXPECT_EQ(2, result.lVal);

    VARIANT decimal{};
    decimal.decVal = DECIMAL{0, 2, DECIMAL_NEG, 0, 12345};
    decimal.vt = VT_DECIMAL;
    ASSERT_EQ(S_OK, VariantChangeType(&result, &decimal, 0, VT_R8));
    EXPECT_DOUBLE_EQ(-123.45, result.dblVal);

    VARIANT big = variantOf(VT_UI8);
    big.ullVal = 1ULL << 40;
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&result, &big, 0, VT_I4));
    EXPECT_EQ(VT_R8, result.vt);  // a refused change leaves the destination alone
    VARIANT negative = variantOf(VT_I2);
    negative.iVal = -1;
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&result, &negative, 0, VT_UI4));

    VARIANT truth = variantOf(VT_I4);
    truth.lVal = 7;
    ASSERT_EQ(S_OK, VariantChangeType(&truth, &truth, 0, VT_BOOL));  // in place
    EXPECT_EQ(VARIANT_TRUE, truth.boolVal);

    VARIANT error = variantOf(VT_ERROR);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&result, &error, 0, VT_BOOL));
    VARIANT pointer = variantOf(VT_LPWSTR);
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantChangeType(&result, &pointer, 0, VT_BSTR));
}

TEST(ComSafeArrays, GrowShrinkAndCopyTheirVariantsIndependently) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    ASSERT_NE(nullptr, array);
    EXPECT_EQ(1u, SafeArrayGetDim(array));
    EXPECT_EQ(nullptr, SafeArrayCreateVector(VT_I4, 0, 1));  // only VARIANT elements

    SAFEARRAYBOUND two{2, 0};
    ASSERT_EQ(S_OK, SafeArrayRedim(array, &two));
    VARIANT text = variantOf(VT_BSTR);
    text.bstrVal = SysAllocString(L"kept");
    LONG index = 1;
    ASSERT_EQ(S_OK, SafeArrayPutElement(array, &index, &text));
    VariantClear(&text);  // the array holds a copy

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(S_OK, SafeArrayCopy(array, &copy));
    SAFEARRAYBOUND one{1, 0};
    ASSERT_EQ(S_OK, SafeArrayRedim(array, &one));  // the removed string is freed
    LONG upper = 0;
    SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(0, upper);
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayGetElement(array, &index, &text));

    VARIANT element;
    ASSERT_EQ(S_OK, SafeArrayGetElement(copy, &index, &element));
    EXPECT_EQ(VT_BSTR, element.vt);
    EXPECT_EQ(std::wstring(L"kept"), element.bstrVal);
    VariantClear(&element);
    LONG before = -1;
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayPutElement(copy, &before, &element));
    EXPECT_EQ(S_OK, SafeArrayDestroy(copy));
    EXPECT_EQ(S_OK, SafeArrayDestroy(array));
}

}  // namespace
