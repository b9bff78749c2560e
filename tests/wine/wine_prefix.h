// What the Wine tests of the one program wine_test share: one Wine prefix
// in a temporary directory, made once for the whole run (wine_test.cpp), and
// the private Xvfb its programs show their windows on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/harness/child_process.h"
#include "tests/harness/xvfb_server.h"

// The Windows build under test.
extern const std::string Windows_Build;
// The prefix's directory and the environment every Wine command gets.
extern std::string Work_Dir;
extern std::vector<std::string> Wine_Environment;

// Runs a Wine command (wine, wineboot, wineserver) in the test's prefix to its
// end; its standard output and error are read from files (see wine_test.cpp).
Child_Result Wine(std::vector<std::string> Arguments, std::string_view Input = "", int Timeout_Ms = 60000);
// The Windows name of a host path, through Wine's drive Z:, which is /.
std::string Windows_Path(const std::string& Host_Path);
// The X server the prefix's windows are shown on.
const Xvfb_Server& Wine_Display();
