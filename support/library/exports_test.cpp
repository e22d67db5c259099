// The support library at its C boundary: what is the same on every platform.
#include <cstring>

#include "helpers.h"
#include "vestriosupport.h"

namespace {

TEST(Bstr, HasTheLayoutOfOleAutomation) {
    Str text(u"abc");
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text.value) - 4, 4);
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(text.value[3], 0) << "NUL after the last character";
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    Str zeroed;
    zeroed.value = SysAllocStringLen(nullptr, 2);
    EXPECT_EQ(zeroed.str(), std::u16string(2, u'\0'));
}

TEST(Texts, YieldNewStringsAndLeaveTheCallersAlone) {
    Str in(u"  a  b  "), out, spaced, empty;
    const BSTR before = in.value;
    ASSERT_EQ(vlTrimEx(&in.value, &out.value), VL_S_OK);
    EXPECT_EQ(out.str(), u"a  b");
    EXPECT_TRUE(in.value == before && in.str() == u"  a  b  ") << "the caller's text is left alone";
    ASSERT_EQ(vlDestroyDoubleSpaces(in.value, &spaced.value), VL_S_OK);
    EXPECT_EQ(spaced.str(), u" a b ");
    ASSERT_EQ(vlDestroyDoubleSpaces(nullptr, &empty.value), VL_S_OK) << "null is the empty text";
    EXPECT_EQ(empty.str(), u"");

    Str crlf(u"\r\n\r\nlog\r\nlines\r\n"), trimmed;
    ASSERT_EQ(vlTrimCRLF(&crlf.value, &trimmed.value), VL_S_OK);
    EXPECT_EQ(trimmed.str(), u"log\r\nlines");
    Str nul(std::u16string(u" a\0b\t", 5)), kept;
    ASSERT_EQ(vlTrimEx(&nul.value, &kept.value), VL_S_OK);
    EXPECT_EQ(kept.str(), std::u16string(u"a\0b", 3)) << "an inner NUL is text like any other";
}

TEST(Texts, TrimEx2FlagsChooseTheClasses) {
    const VARIANT_BOOL T = VL_TRUE, F = VL_FALSE;
    Str in(std::u16string(u"\t\r\n\0 x \0\n\r\t", 11)), out, spaces_only, any_nonzero;
    ASSERT_EQ(vlTrimEx2(&in.value, T, T, T, T, T, F, F, F, F, F, &out.value), VL_S_OK);
    EXPECT_EQ(out.str(), u"x");
    ASSERT_EQ(vlTrimEx2(&in.value, T, F, F, F, F, F, F, F, F, F, &spaces_only.value), VL_S_OK);
    EXPECT_EQ(spaces_only.str(), in.str());
    ASSERT_EQ(vlTrimEx2(&in.value, 1, 1, 1, 1, 0x100, 0, 0, 0, 0, 0, &any_nonzero.value), VL_S_OK);
    EXPECT_EQ(any_nonzero.str(), u"x") << "any non-zero flag counts as True";
    Str wide(u"\u3000\u00A0\u200B\x01x"), wide_out;
    ASSERT_EQ(vlTrimEx2(&wide.value, F, F, F, F, F, F, T, T, T, T, &wide_out.value), VL_S_OK);
    EXPECT_EQ(wide_out.str(), u"x");
}

TEST(Calls, MissingPointersFailAndYieldNothingAndUnknownPrivilegesAreFalse) {
    Str in(u"x");
    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    EXPECT_EQ(vlTrimEx(nullptr, &untouched), VL_E_POINTER);
    EXPECT_LT(vlTrimEx(&in.value, nullptr), 0);
    EXPECT_LT(vlGetAPIErrorDescription(5, nullptr), 0);
    EXPECT_LT(vlSetPrivilegeForProcess(in.value, VL_TRUE, nullptr), 0);
    EXPECT_LT(vlLogInfo(nullptr, &untouched), 0);
    EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0x1234));
    Str unknown(u"SeNoSuchPrivilege");
    VARIANT_BOOL result = 7;
    EXPECT_EQ(vlSetPrivilegeForProcess(unknown.value, VL_TRUE, &result), VL_S_OK);
    EXPECT_EQ(result, VL_FALSE);
}

TEST(Dates, TimeAndDateTextsAndTheirLimits) {  // the texts themselves: pure_test.cpp
    Str time, date, none;
    ASSERT_EQ(vlSystemTimeToStringTime2(0.5, &time.value), VL_S_OK);
    ASSERT_EQ(vlSystemTimeToStringDate2(0.5, 0, &date.value), VL_S_OK);
    EXPECT_EQ(time.str() + u" " + date.str(), u"12:00:00.000 1899-12-30");
    EXPECT_EQ(vlSystemTimeToStringDate2(0.5, 1, &none.value), VL_E_INVALIDARG);
    EXPECT_EQ(vlSystemTimeToStringTime2(1e9, &none.value), VL_E_INVALIDARG);
    EXPECT_EQ(none.value, nullptr);
}

TEST(Errors, NumbersAndDescriptions) {
    Str number;
    ASSERT_EQ(vlGetErrorNumber(-1, &number.value), VL_S_OK);
    EXPECT_EQ(number.str(), u"4294967295");
    // The wording is the system's, never ending in a line break.
    for (std::int32_t code :
         {0, 5, 53, 1225, 87, 2123, -1, static_cast<std::int32_t>(0xC000006D)}) {
        Str description;
        ASSERT_EQ(vlGetAPIErrorDescription(code, &description.value), VL_S_OK);
        EXPECT_FALSE(description.str().empty()) << code;
        EXPECT_EQ(description.str().find(u"\r\n"), std::u16string::npos) << code;
    }
}

}  // namespace
