// The console layer on temporary files: the integer reader's values, what it
// leaves unread and its failures; images and counters of the writers; the
// status, mode and device checks. The finishing of the standard files and the
// report at the end of a run are shown by the processes of report_test.cpp.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "frame/console.h"
#include "tests/doubles/console_file.h"

namespace {

// The full name of the error Operation raises, or "none".
template <typename Operation>
std::string Error_Name(Operation Run) {
  try {
    Run();
  } catch (const Raised_Error& Error) {
    return Error.Id->Full_Name;
  }
  return "none";
}

// Each input, what reading it gives (the value, or the error's name) and what
// stays unread: a value leaves the character that stopped it, a failure
// consumes only the field.
TEST(Get_Integer, ReadsOneLiteralOrFailsAndLeavesTheRest) {
  const std::string Data = "CONSOLE.DATA_ERROR", End = "CONSOLE.END_ERROR";
  const struct {
    std::string Input, Result, Unread;
    bool Regular = false;
  } Cases[] = {
      {"  42", "42", ""},
      {"\n\n-7\n", "-7", "\n"},
      {"42\nnext", "42", "\nnext"},
      {"+5", "5", ""},
      {"\t7 8", "7", " 8"},
      {"1_000", "1000", ""},
      {"16#FF#", "255", ""},
      {"16:ff:", "255", ""},
      {"-16#FF#x", "-255", "x"},
      {"16#7FFF_FFFF#", "2147483647", ""},
      {"2#1010#E2", "40", ""},
      {"8#7#e+1;", "56", ";"},
      {"1E3", "1000", ""},
      {"1e+2 ", "100", " "},
      {"0E99", "0", ""},
      {"0E99999999999999", "0", ""},
      {"-2147483648", "-2147483648", ""},
      {"2147483647", "2147483647", ""},
      {"12abc", "12", "abc"},
      {"\f\n3", "3", "", true},                // a page terminator is skipped in a regular file
      {std::string(254, '0') + "9", "9", ""},  // a full 255-character field
      // Not a literal: nothing fits, or the field is malformed.
      {"abc", Data, "abc"},
      {"-", Data, ""},
      {"+ 5", Data, " 5"},
      {"1__0", Data, "_0"},
      {"1_", Data, ""},
      {"1E-3", Data, ""},
      {"1E", Data, ""},
      {"16#FF", Data, ""},
      {"16#FF:", Data, ":"},
      {"16#", Data, ""},
      {"16##", Data, ""},
      {"17#1#", Data, ""},
      {"1#1#", Data, ""},
      {"2#2#", Data, ""},
      {"\f5", Data, "\f5"},  // FF is an ordinary character on a pipe or terminal
      // Out of the 32-bit range, at the end or on the way.
      {"2147483648", Data, ""},
      {"-2147483649", Data, ""},
      {"10000000000", Data, ""},
      {"1E10", Data, ""},
      {"16#80000000#", Data, ""},
      {"2#1#E31", Data, ""},
      {std::string(255, '0') + "1", Data, "1"},  // a field of 256 characters: the 256th stays unread
      // Only blanks and terminators before the end of input.
      {"", End, ""},
      {"  \n\t\n", End, ""},
      {"\f\n", End, "", true},
  };
  for (const auto& Case : Cases) {
    Test_File Input(Case.Input, Console::File_Mode::In_File, Case.Regular);
    std::string Value;
    const std::string Error = Error_Name([&] { Value = std::to_string(Console::Get_Integer(Input.File)); });
    EXPECT_EQ(Error == "none" ? Value : Error, Case.Result) << Case.Input;
    EXPECT_EQ(Input.Unread(), Case.Unread) << Case.Input;
  }
}

// Writers go to Current_Output; each test points it at a file of its own.
class Console_Output : public testing::Test {
 protected:
  Console_Capture Output;
};

TEST_F(Console_Output, PutIntegerWritesDecimalAndBasedImages) {
  const struct {
    int32_t Item, Width, Base;
    std::string Image;
  } Cases[] = {
      {42, 1, 10, "42"},
      {0, 1, 10, "0"},
      {-7, 1, 10, "-7"},
      {42, 0, 10, "42"},
      {5, 4, 10, "   5"},
      {-5, 4, 10, "  -5"},
      {INT32_MIN, 1, 10, "-2147483648"},
      {INT32_MAX, 1, 10, "2147483647"},
      {255, 1, 16, "16#FF#"},
      {-255, 1, 16, "-16#FF#"},
      {255, 10, 16, "    16#FF#"},
      {5, 1, 2, "2#101#"},
      {INT32_MIN, 1, 16, "-16#80000000#"},
      {-1, 255, 10, std::string(253, ' ') + "-1"},  // the widest field
  };
  std::string Expected;
  for (const auto& Case : Cases) {
    Console::Put_Integer(Case.Item, Case.Width, Case.Base);
    Expected += Case.Image;
  }
  EXPECT_EQ(Output.Text(), Expected);
  EXPECT_EQ(Output.Output.File.Col, static_cast<int32_t>(Expected.size()) + 1);
}

TEST_F(Console_Output, PutTextCountsEveryCharacterAndNewLineEndsTheLine) {
  Console::Put_Text("ab\ncd");
  Console::Put_Text("");
  EXPECT_EQ(Output.Output.File.Col, 6);  // the LF inside the text is not interpreted
  Console::New_Line(2);
  EXPECT_EQ(Output.Output.File.Col, 1);
  EXPECT_EQ(Output.Output.File.Line, 3);
  EXPECT_EQ(Output.Text(), "ab\ncd\n\n");
  EXPECT_EQ(Error_Name([] { Console::New_Line(0); }), "CONSTRAINT_ERROR");
}

TEST_F(Console_Output, AFailedWriteRaisesDeviceError) {
  std::FILE* Full = std::fopen("/dev/full", "w");
  ASSERT_NE(Full, nullptr);
  std::setvbuf(Full, nullptr, _IONBF, 0);
  Console::Text_File Device{"*full", Full, Console::File_Mode::Out_File, true, false, 1, 1, 1, 0, 0, nullptr};
  Console::Current_Output = &Device;
  EXPECT_EQ(Error_Name([] { Console::Put_Text("Speed :"); }), "CONSOLE.DEVICE_ERROR");
  EXPECT_EQ(Error_Name([] { Console::Put_Integer(5, 1, 10); }), "CONSOLE.DEVICE_ERROR");
  EXPECT_EQ(Error_Name([] { Console::New_Line(1); }), "CONSOLE.DEVICE_ERROR");
  std::fclose(Full);
}

TEST_F(Console_Output, ReadersAndWritersCheckTheirFile) {
  EXPECT_EQ(Error_Name([&] { Console::Get_Integer(Output.Output.File); }), "CONSOLE.MODE_ERROR");
  Test_File Input("5", Console::File_Mode::In_File);
  Console::Current_Output = &Input.File;
  EXPECT_EQ(Error_Name([] { Console::New_Line(1); }), "CONSOLE.MODE_ERROR");
  EXPECT_EQ(Error_Name([] { Console::Put_Integer(1, 1, 10); }), "CONSOLE.MODE_ERROR");
  Input.File.Is_Open = false;
  EXPECT_EQ(Error_Name([&] { Console::Get_Integer(Input.File); }), "CONSOLE.STATUS_ERROR");
  Console::Current_Output = nullptr;
  EXPECT_EQ(Error_Name([] { Console::Put_Text("x"); }), "CONSOLE.STATUS_ERROR");
}

}  // namespace
