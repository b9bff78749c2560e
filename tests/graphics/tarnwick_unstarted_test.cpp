// Operations called before the interface's start-up. This program never calls
// Start_Up: every operation must raise PROGRAM_ERROR before any library call.
#include <gtest/gtest.h>

#include "graphics/tarnwick.h"
#include "tests/graphics/operation_table.h"
#include "tests/doubles/scripted_library.h"

namespace {

using Scripted::Raised_By;
namespace T = Tarnwick;

TEST(Tarnwick_Unstarted, EveryOperationRaisesProgramErrorWithoutCallingTheLibrary) {
  Scripted::Reset();
  EXPECT_EQ(Raised_By([] { T::Is_Open(); }), &Program_Error);
  for (const Operation_Row& Operation : Every_Operation())
    EXPECT_EQ(Raised_By(Operation.Run), &Program_Error) << Operation.Calls.front();
  EXPECT_TRUE(Scripted::Calls().empty());
}

}  // namespace
