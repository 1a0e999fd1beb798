// The COM layer: BSTRs, variant coercion, byte arrays and GUID text.
#include <gtest/gtest.h>

#include <string>

#include "platform/com/com.h"

namespace {

VARIANT Str(const char16_t* s) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(s);
    return v;
}

VARIANT I4(LONG x) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = x;
    return v;
}

VARIANT R8(double x) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = x;
    return v;
}

HRESULT Change(VARIANT src, VARTYPE vt, VARIANT* out) {
    VariantInit(out);
    HRESULT hr = VariantChangeType(out, &src, 0, vt);
    VariantClear(&src);
    return hr;
}

std::u16string Text(const VARIANT& v) { return std::u16string(v.bstrVal, SysStringLen(v.bstrVal)); }

}  // namespace

TEST(Bstr, LengthPrefixAndEmbeddedNul) {
    BSTR b = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(SysStringByteLen(b), 6u);
    EXPECT_EQ(b[3], 0) << "terminated after its length";
    SysFreeString(b);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);

    SysAllocFailAfter(1);
    BSTR ok = SysAllocString(u"x");
    EXPECT_NE(ok, nullptr);
    EXPECT_EQ(SysAllocString(u"y"), nullptr);
    SysAllocFailAfter(-1);
    SysFreeString(ok);
}

TEST(VariantCoercion, ShortsAreRangeChecked) {
    VARIANT out;
    ASSERT_EQ(Change(I4(-1), VT_I2, &out), S_OK);
    EXPECT_EQ(out.iVal, -1);
    EXPECT_EQ(Change(I4(32768), VT_I2, &out), DISP_E_OVERFLOW);
    EXPECT_EQ(Change(I4(-32769), VT_I2, &out), DISP_E_OVERFLOW);
    ASSERT_EQ(Change(R8(2.5), VT_I2, &out), S_OK);
    EXPECT_EQ(out.iVal, 2) << "halves round to even";
    ASSERT_EQ(Change(R8(3.5), VT_I2, &out), S_OK);
    EXPECT_EQ(out.iVal, 4);
    ASSERT_EQ(Change(Str(u" 42 "), VT_I2, &out), S_OK);
    EXPECT_EQ(out.iVal, 42);
    EXPECT_EQ(Change(Str(u"4x"), VT_I2, &out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(Str(u""), VT_I4, &out), DISP_E_TYPEMISMATCH);
    VARIANT empty;
    VariantInit(&empty);
    ASSERT_EQ(Change(empty, VT_I4, &out), S_OK);
    EXPECT_EQ(out.lVal, 0);
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    EXPECT_EQ(Change(null, VT_I4, &out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(R8(3e10), VT_I4, &out), DISP_E_OVERFLOW);
}

TEST(VariantCoercion, ToText) {
    VARIANT out;
    ASSERT_EQ(Change(I4(-25000), VT_BSTR, &out), S_OK);
    EXPECT_EQ(Text(out), u"-25000");
    VariantClear(&out);
    ASSERT_EQ(Change(R8(1.5), VT_BSTR, &out), S_OK);
    EXPECT_EQ(Text(out), u"1.5");
    VariantClear(&out);
    ASSERT_EQ(Change(Str(u"\uAD74"), VT_BSTR, &out), S_OK);
    EXPECT_EQ(Text(out), u"\uAD74");
    VariantClear(&out);
    // A null BSTR is the empty text.
    VARIANT nullText;
    VariantInit(&nullText);
    nullText.vt = VT_BSTR;
    ASSERT_EQ(Change(nullText, VT_BSTR, &out), S_OK);
    EXPECT_EQ(SysStringLen(out.bstrVal), 0u);
    VariantClear(&out);
    // By reference.
    LONG x = 7;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_I4;
    ref.plVal = &x;
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(out), u"7");
    VariantClear(&out);
}

TEST(VariantCopyAndClear, OwnsItsText) {
    VARIANT a = Str(u"text"), b;
    VariantInit(&b);
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_NE(a.bstrVal, b.bstrVal);
    EXPECT_EQ(Text(b), u"text");
    VariantClear(&a);
    VariantClear(&b);
    EXPECT_EQ(b.vt, VT_EMPTY);
}

TEST(SafeArrays, BytesWithBoundsAndLocks) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, 5);
    ASSERT_NE(psa, nullptr);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
    EXPECT_NE(SafeArrayDestroy(psa), S_OK) << "a locked array is not destroyed";
    static_cast<unsigned char*>(data)[4] = 9;
    SafeArrayUnaccessData(psa);
    LONG ub = 0;
    SafeArrayGetUBound(psa, 1, &ub);
    EXPECT_EQ(ub, 4);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &ub), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    EXPECT_EQ(SafeArrayCreateVector(VT_BSTR, 0, 1), nullptr) << "only byte arrays are made here";
}

TEST(Guids, TextRoundTrip) {
    GUID g;
    ASSERT_TRUE(GuidFromString("{8856F961-340A-11D0-A96B-00C04FD705A2}", &g));
    EXPECT_EQ(g.Data1, 0x8856F961u);
    EXPECT_EQ(g.Data4[7], 0xA2);
    char text[39];
    GuidToString(g, text);
    EXPECT_STREQ(text, "{8856F961-340A-11D0-A96B-00C04FD705A2}");
    EXPECT_FALSE(GuidFromString("8856F961-340A-11D0-A96B-00C04FD705A2", &g));
    EXPECT_FALSE(GuidFromString("{8856F961-340A-11D0-A96B-00C04FD705AZ}", &g));
}
