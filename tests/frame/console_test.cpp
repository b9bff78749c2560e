// The console layer on temporary files: the integer reader's values, what it
// leaves unread and its failures; images and counters of the writers; the
// status, mode and device checks; the finishing of the standard files.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "frame/console.h"
#include "frame/program.h"

namespace {

using Console::Text_File;

// A text file on a temporary file holding Content, positioned at its start.
struct Test_File {
  Text_File File;

  Test_File(const std::string& Content, Console::File_Mode Mode, bool Regular = false)
      : File{"*test", std::tmpfile(), Mode, true, Regular, 1, 1, 1, 0, 0, nullptr} {
    std::fwrite(Content.data(), 1, Content.size(), File.Stream);
    std::rewind(File.Stream);
  }
  ~Test_File() { std::fclose(File.Stream); }

  // Everything not yet read (the pushed-back character included).
  std::string Unread() {
    std::string Rest;
    for (int Character; (Character = std::getc(File.Stream)) != EOF;) Rest += static_cast<char>(Character);
    return Rest;
  }

  // Everything written so far.
  std::string Written() {
    std::fflush(File.Stream);
    std::rewind(File.Stream);
    return Unread();
  }
};

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

struct Value_Case {
  std::string Input;
  int32_t Value;
  const char* Unread;
  bool Regular = false;
};

TEST(Get_Integer, ReadsEachLiteralAndLeavesTheStoppingCharacter) {
  const Value_Case Cases[] = {
      {"  42", 42, ""},
      {"\n\n-7\n", -7, "\n"},
      {"42\nnext", 42, "\nnext"},
      {"+5", 5, ""},
      {"\t7 8", 7, " 8"},
      {"1_000", 1000, ""},
      {"16#FF#", 255, ""},
      {"16:ff:", 255, ""},
      {"-16#FF#x", -255, "x"},
      {"16#7FFF_FFFF#", INT32_MAX, ""},
      {"2#1010#E2", 40, ""},
      {"8#7#e+1;", 56, ";"},
      {"1E3", 1000, ""},
      {"1e+2 ", 100, " "},
      {"0E99", 0, ""},
      {"0E99999999999999", 0, ""},
      {"-2147483648", INT32_MIN, ""},
      {"2147483647", INT32_MAX, ""},
      {"12abc", 12, "abc"},
      {"5", 5, ""},
      {"\f\n3", 3, "", true},  // a page terminator is skipped in a regular file
      {std::string(254, '0') + "9", 9, ""},  // a full 255-character field
  };
  for (const Value_Case& Case : Cases) {
    Test_File Input(Case.Input, Console::File_Mode::In_File, Case.Regular);
    EXPECT_EQ(Console::Get_Integer(Input.File), Case.Value) << Case.Input;
    EXPECT_EQ(Input.Unread(), Case.Unread) << Case.Input;
  }
}

struct Failure_Case {
  std::string Input;
  const Error_Id& Error;
  const char* Unread;
  bool Regular = false;
};

TEST(Get_Integer, RaisesDataOrEndErrorAndConsumesOnlyTheField) {
  const Failure_Case Cases[] = {
      // Not a literal: nothing fits, or the field is malformed.
      {"abc", Console::Data_Error, "abc"},
      {"-", Console::Data_Error, ""},
      {"+ 5", Console::Data_Error, " 5"},
      {"1__0", Console::Data_Error, "_0"},
      {"1_", Console::Data_Error, ""},
      {"1E-3", Console::Data_Error, ""},
      {"1E", Console::Data_Error, ""},
      {"16#FF", Console::Data_Error, ""},
      {"16#FF:", Console::Data_Error, ":"},
      {"16#", Console::Data_Error, ""},
      {"16##", Console::Data_Error, ""},
      {"17#1#", Console::Data_Error, ""},
      {"1#1#", Console::Data_Error, ""},
      {"2#2#", Console::Data_Error, ""},
      {"\f5", Console::Data_Error, "\f5"},  // FF is an ordinary character on a pipe or terminal
      // Out of the 32-bit range, at the end or on the way.
      {"2147483648", Console::Data_Error, ""},
      {"-2147483649", Console::Data_Error, ""},
      {"10000000000", Console::Data_Error, ""},
      {"1E10", Console::Data_Error, ""},
      {"16#80000000#", Console::Data_Error, ""},
      {"2#1#E31", Console::Data_Error, ""},
      // A field of 256 characters: the 256th is left unread.
      {std::string(255, '0') + "1", Console::Data_Error, "1"},
      // Only blanks and terminators before the end of input.
      {"", Console::End_Error, ""},
      {"  \n\t\n", Console::End_Error, ""},
      {"\f\n", Console::End_Error, "", true},
  };
  for (const Failure_Case& Case : Cases) {
    Test_File Input(Case.Input, Console::File_Mode::In_File, Case.Regular);
    EXPECT_EQ(Error_Name([&] { Console::Get_Integer(Input.File); }), Case.Error.Full_Name) << Case.Input;
    EXPECT_EQ(Input.Unread(), Case.Unread) << Case.Input;
  }
}

TEST(Get_Integer, ChecksTheFileIsAnOpenInputFile) {
  Test_File Output("", Console::File_Mode::Out_File);
  EXPECT_EQ(Error_Name([&] { Console::Get_Integer(Output.File); }), "CONSOLE.MODE_ERROR");
  Test_File Closed("5", Console::File_Mode::In_File);
  Closed.File.Is_Open = false;
  EXPECT_EQ(Error_Name([&] { Console::Get_Integer(Closed.File); }), "CONSOLE.STATUS_ERROR");
}

// Writers go to Current_Output; each test points it at a file of its own.
class Console_Output : public testing::Test {
 protected:
  Test_File Output{"", Console::File_Mode::Out_File};
  Text_File* Saved = Console::Current_Output;
  void SetUp() override { Console::Current_Output = &Output.File; }
  void TearDown() override { Console::Current_Output = Saved; }
};

TEST_F(Console_Output, PutIntegerWritesDecimalAndBasedImages) {
  struct Image_Case {
    int32_t Item, Width, Base;
    std::string Image;
  };
  const Image_Case Cases[] = {
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
  for (const Image_Case& Case : Cases) {
    Console::Put_Integer(Case.Item, Case.Width, Case.Base);
    Expected += Case.Image;
  }
  EXPECT_EQ(Output.Written(), Expected);
  EXPECT_EQ(Output.File.Col, static_cast<int32_t>(Expected.size()) + 1);
}

TEST_F(Console_Output, PutTextCountsEveryCharacterAndNewLineEndsTheLine) {
  Console::Put_Text("ab\ncd");
  Console::Put_Text("");
  EXPECT_EQ(Output.File.Col, 6);  // the LF inside the text is not interpreted
  Console::New_Line(2);
  EXPECT_EQ(Output.File.Col, 1);
  EXPECT_EQ(Output.File.Line, 3);
  EXPECT_EQ(Output.Written(), "ab\ncd\n\n");
  EXPECT_EQ(Error_Name([] { Console::New_Line(0); }), "CONSTRAINT_ERROR");
}

TEST_F(Console_Output, AFailedWriteRaisesDeviceError) {
  std::FILE* Full = std::fopen("/dev/full", "w");
  ASSERT_NE(Full, nullptr);
  std::setvbuf(Full, nullptr, _IONBF, 0);
  Text_File Device{"*full", Full, Console::File_Mode::Out_File, true, false, 1, 1, 1, 0, 0, nullptr};
  Console::Current_Output = &Device;
  EXPECT_EQ(Error_Name([] { Console::Put_Text("Speed :"); }), "CONSOLE.DEVICE_ERROR");
  EXPECT_EQ(Error_Name([] { Console::Put_Integer(5, 1, 10); }), "CONSOLE.DEVICE_ERROR");
  EXPECT_EQ(Error_Name([] { Console::New_Line(1); }), "CONSOLE.DEVICE_ERROR");
  std::fclose(Full);
}

TEST_F(Console_Output, WritersCheckTheOutputFile) {
  Console::Current_Output = nullptr;
  EXPECT_EQ(Error_Name([] { Console::Put_Text("x"); }), "CONSOLE.STATUS_ERROR");
  Test_File Input("", Console::File_Mode::In_File);
  Console::Current_Output = &Input.File;
  EXPECT_EQ(Error_Name([] { Console::New_Line(1); }), "CONSOLE.MODE_ERROR");
  EXPECT_EQ(Error_Name([] { Console::Put_Integer(1, 1, 10); }), "CONSOLE.MODE_ERROR");
}

// The standard files of this test process, set up and finished as at a run's
// start and end; standard error is pointed at a device of the test's choosing.
TEST(Standard_Files, AreListedNewestFirstAndFinishedFromTheHead) {
  Console::Init_Standard_Files();
  EXPECT_EQ(Console::Current_Input, &Console::Standard_Input);
  EXPECT_EQ(Console::Current_Output, &Console::Standard_Output);
  EXPECT_EQ(Console::Standard_Error.Next, &Console::Standard_Output);
  EXPECT_EQ(Console::Standard_Output.Next, &Console::Standard_Input);

  // An unfinished line on a full device: the conversion stops the finishing
  // at that file and keeps the rest listed.
  std::FILE* Full = std::fopen("/dev/full", "w");
  ASSERT_NE(Full, nullptr);
  std::setvbuf(Full, nullptr, _IONBF, 0);
  Console::Standard_Error.Stream = Full;
  Console::Standard_Error.Col = 4;
  try {
    program_final();
    ADD_FAILURE() << "no error from a failed line terminator";
  } catch (const Raised_Error& Error) {
    EXPECT_EQ(Error.Id, &Program_Error);
    EXPECT_EQ(Error.Message_Text(), "exception CONSOLE.DEVICE_ERROR raised during finalization");
  }
  EXPECT_TRUE(Console::Standard_Output.Is_Open);
  EXPECT_EQ(Console::Current_Output, &Console::Standard_Output);

  // Once the device works, the finishing completes: one LF for the open line.
  Test_File Working("", Console::File_Mode::Out_File);
  Console::Standard_Error.Stream = Working.File.Stream;
  Console::Finalize();
  Console::Standard_Error.Stream = stderr;
  std::fclose(Full);
  EXPECT_EQ(Working.Written(), "\n");
  EXPECT_FALSE(Console::Standard_Input.Is_Open);
  EXPECT_EQ(Console::Current_Input, nullptr);
  EXPECT_EQ(Error_Name([] { Console::Put_Text("late"); }), "CONSOLE.STATUS_ERROR");
  EXPECT_EQ(Error_Name([] { Console::Get_Integer(); }), "CONSOLE.STATUS_ERROR");
}

TEST(Named_Errors, MessagesAreCutAndForeignExceptionsMapped) {
  const std::string Long(250, 'm');
  try {
    raise_error_with_message(Program_Error, Long);
  } catch (const Raised_Error& Error) {
    EXPECT_EQ(Error.Message_Text(), Long.substr(0, 200));
  }
  try {
    throw std::bad_alloc();
  } catch (...) {
    const Raised_Error Error = error_of_current_exception();
    EXPECT_EQ(Error.Id, &Storage_Error);
    EXPECT_EQ(Error.Message_Length, 0);
  }
  try {
    throw 7;
  } catch (...) {
    EXPECT_EQ(error_of_current_exception().Id, nullptr);
  }
}

}  // namespace
