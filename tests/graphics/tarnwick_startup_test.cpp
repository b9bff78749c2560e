// The interface's start-up and its library version check. Each case runs in a
// fresh process under CTest, so the first Start_Up there also shows that the
// interface is marked started before its own version query.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "graphics/tarnwick.h"
#include "tests/doubles/scripted_library.h"

namespace {

using Scripted::Entry;
using Scripted::Raised_By;
namespace T = Tarnwick;

TEST(Tarnwick_Start_Up, AcceptsVersionFiveAndLaterAndQueriesNothingElse) {
  struct Row {
    int32_t Version;
    const Error_Id* Error;
  };
  const Row Rows[] = {
      {5, nullptr},
      {6, nullptr},
      {INT32_MAX, nullptr},
      {4, &T::Dll_Version_Error},
      {0, &T::Dll_Version_Error},
      // A failure code is the error of its code, not the version error.
      {-6, &T::Window_Not_Open},
      {-1000, &T::Unknown_Tarnwick_Error},
  };
  for (const Row& Expected : Rows) {
    Scripted::Reset();
    Scripted::Set_Answer(Entry::GetDLLVersion, Expected.Version);
    EXPECT_EQ(Raised_By(T::Start_Up), Expected.Error) << Expected.Version;
    EXPECT_EQ(Scripted::Call_Log(), std::vector<std::string>{"GetDLLVersion()"}) << Expected.Version;
  }
}

// The interface stays started after a failed version check, as the program
// ends on that error anyway; operations then reach the library.
TEST(Tarnwick_Start_Up, FailedVersionCheckStillLeavesTheInterfaceStarted) {
  Scripted::Reset();
  Scripted::Set_Answer(Entry::GetDLLVersion, 4);
  EXPECT_EQ(Raised_By(T::Start_Up), &T::Dll_Version_Error);
  EXPECT_EQ(Raised_By([] { T::Clear_Window(T::Color_Type::Red); }), nullptr);
  EXPECT_EQ(Scripted::Call_Log().back(), "ClearWindow(4)");
}

}  // namespace
