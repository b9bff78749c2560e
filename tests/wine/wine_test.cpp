// The Windows release (bash scripts/package-windows) under Wine on a private
// Xvfb: the Windows twin plays every transcript case byte for byte, with its
// replies ended by LF and by CR LF, and Ctrl+C in a terminal ends it; the
// zip's program and the installed game each play a game; the silent
// installer puts the program (in C:\Program Files, or the folder it is
// told), its Start-menu entry and its registry keys in place, and the silent
// uninstaller takes them all away again.
//
// All cases run in one process and share one Wine prefix in a temporary
// directory of their own (HOME too, so nothing is written outside it). At the
// end the prefix's wineserver is ended, and no process of the prefix may be
// left.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/game/transcript_cases.h"
#include "tests/harness/child_process.h"
#include "tests/harness/wine_environment.h"
#include "tests/harness/xvfb_server.h"
#include "tests/wine/wine_prefix.h"

namespace fs = std::filesystem;

const std::string Windows_Build = WINDOWS_BUILD_DIR;
std::string Work_Dir;
std::vector<std::string> Wine_Environment;

namespace {

Xvfb_Server Server;

}  // namespace

const Xvfb_Server& Wine_Display() { return Server; }

// Wine's own processes (its server and services, which the first command
// starts) keep the standard streams of the command they were started for and
// outlive it, so the command writes into files, not into pipes the test would
// wait on; Result.Output and Result.Errors hold what it wrote there.
Child_Result Wine(std::vector<std::string> Arguments, std::string_view Input, int Timeout_Ms) {
  const std::string Output_Path = Work_Dir + "/output", Errors_Path = Work_Dir + "/errors";
  Arguments.insert(Arguments.begin(),
                   {"/bin/sh", "-c", R"(Errors=$1; shift; exec "$@" >"$0" 2>"$Errors")", Output_Path, Errors_Path});
  Child_Result Result =
      Run_Child({.Arguments = std::move(Arguments), .Environment = Wine_Environment}, Input, Timeout_Ms);
  Result.Output = Read_File(Output_Path);
  Result.Errors = Read_File(Errors_Path);
  return Result;
}

std::string Windows_Path(const std::string& Host_Path) {
  std::string Path = "Z:" + Host_Path;
  for (char& Character : Path)
    if (Character == '/') Character = '\\';
  return Path;
}

namespace {

const std::string Release_Name = "drovanel-" PROJECT_VERSION "-windows-x64";

std::string Drive_C() { return Work_Dir + "/prefix/drive_c"; }

// The processes that run in the test's prefix, found by their environment,
// with their command lines.
std::vector<std::pair<pid_t, std::string>> Prefix_Processes() {
  std::vector<std::pair<pid_t, std::string>> Found;
  const std::string Entry = "WINEPREFIX=" + Work_Dir + "/prefix";
  for (const fs::directory_entry& Process : fs::directory_iterator("/proc")) {
    const std::string Name = Process.path().filename();
    if (Name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream Environment(Process.path() / "environ", std::ios::binary);
    for (std::string Variable; std::getline(Environment, Variable, '\0');)
      if (Variable == Entry) Found.emplace_back(std::stoi(Name), Read_File(Process.path() / "cmdline"));
  }
  return Found;
}

// The directory of the prefix's server, where it keeps its socket: its
// working directory. Empty when no server runs.
fs::path Server_Socket_Dir() {
  for (const auto& [Process, Command_Line] : Prefix_Processes()) {
    std::error_code Error;
    const fs::path Dir = fs::read_symlink("/proc/" + std::to_string(Process) + "/cwd", Error);
    if (!Error && Command_Line.find("wineserver") != std::string::npos) return Dir;
  }
  return {};
}

class Wine_Prefix : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(Windows_Build + "/drovanel.exe"))
        << "no Windows build in " << Windows_Build << ": run bash scripts/package-windows first";
    char Template[] = "/tmp/drovanel-wine-XXXXXX";
    ASSERT_NE(mkdtemp(Template), nullptr);
    Work_Dir = Template;
    // Small, so that the games the window tests play are short.
    Server.Screen_Width = 400;
    Server.Screen_Height = 300;
    std::string Why;
    ASSERT_TRUE(Start_Xvfb(Server, &Why)) << Why;
    ASSERT_TRUE(Map_Spare_Keys(Server, {"eacute", "EuroSign"})) << "no keys free for the typed Latin-1 letters";
    Wine_Environment = Wine_Environment_In(Work_Dir);
    // A server that stays, with its services, until the end: otherwise each
    // program would start them anew, which takes a second.
    fs::create_directory(Work_Dir + "/prefix");
    ASSERT_EQ(Wine({"wineserver", "--persistent"}).Status, 0);
    // A plain wineboot waits for the boot that Wine runs by itself in a new
    // prefix; --init would start a second services.exe, with which RpcSs never starts.
    const Child_Result Boot = Wine({"wineboot"}, "", 120000);
    ASSERT_EQ(Boot.Status, 0) << Boot.Errors;
  }

  void TearDown() override {
    if (!Work_Dir.empty()) {
      const fs::path Socket_Dir = Server_Socket_Dir();
      Wine({"wineserver", "--kill"});
      Eventually([] { return Prefix_Processes().empty(); }, 5000);
      // Each process of the prefix that outlived its server fails the run, and is ended.
      std::string Left;
      for (const auto& [Process, Command_Line] : Prefix_Processes()) {
        Left += " " + std::to_string(Process) + " " + Command_Line.c_str();
        kill(Process, SIGKILL);
      }
      EXPECT_EQ(Left, "") << "processes of the Wine prefix outlived its server";
      // The server leaves its directory behind in /tmp: in Wine 10 inside one
      // made for it alone (wine-XXXXXX), removed too; in Wine 8 inside
      // /tmp/.wine-UID, which all the user's servers share and which stays.
      std::error_code Ignored;
      if (!Socket_Dir.empty() && fs::remove_all(Socket_Dir, Ignored) > 0 &&
          Socket_Dir.parent_path().filename().string().rfind("wine-", 0) == 0)
        fs::remove(Socket_Dir.parent_path(), Ignored);
      fs::remove_all(Work_Dir);
    }
    Stop_Xvfb(Server);
  }
};

// ---- The Windows twin plays the transcript cases ---------------------------

struct Windows_Transcript {
  Transcript_Case Case;
  bool Carriage_Returns;  // each reply ends in CR LF, as typed at a Windows console
};

void PrintTo(const Windows_Transcript& Transcript, std::ostream* Stream) {
  *Stream << Transcript.Case.Name << (Transcript.Carriage_Returns ? " with CR LF" : "");
}

class Windows_Twin : public ::testing::TestWithParam<Windows_Transcript> {};

TEST_P(Windows_Twin, Plays) {
  const Transcript_Case& Case = GetParam().Case;
  std::string Input;
  for (const char Character : Case.Input) {
    if (Character == '\n' && GetParam().Carriage_Returns) Input += '\r';
    Input += Character;
  }
  const std::string State_Path = Work_Dir + "/window-state";
  fs::remove(State_Path);
  std::vector<std::string> Arguments = Twin_Arguments(Case, Windows_Path(State_Path));
  Arguments.insert(Arguments.begin(), {"wine", Windows_Build + "/tests/game/drovanel_headless.exe"});
  const Child_Result Result = Wine(Arguments, Input);
  std::string Window;
  std::getline(std::ifstream(State_Path), Window);

  EXPECT_EQ(Result.Output, Case.Output);
  EXPECT_EQ(Result.Errors, "");
  EXPECT_EQ(Result.Status, Case.Status);
  EXPECT_EQ(Window, Case.Window);
}

std::vector<Windows_Transcript> Windows_Transcripts() {
  std::vector<Windows_Transcript> All;
  for (const Transcript_Case& Case : Transcript_Cases()) {
    All.push_back({Case, false});
    All.push_back({Case, true});
  }
  return All;
}

INSTANTIATE_TEST_SUITE_P(Games, Windows_Twin, ::testing::ValuesIn(Windows_Transcripts()), [](const auto& Info) {
  return Info.param.Case.Name + (Info.param.Carriage_Returns ? "_CrLf" : "_Lf");
});

// Ctrl+C typed at a prompt in a terminal, which Wine makes the program's
// console: the game ends at once, without a report, as by SIGINT on Linux,
// with the status Windows gives a program ended so (STATUS_CONTROL_C_EXIT,
// whose low byte Wine passes on). Wine is exec'd so that it leads the
// terminal's session whatever shell script starts: with dash left as its
// parent, Ctrl+C reached Wine as SIGINT instead (status 130).
TEST(Windows_Console, CtrlCAtAPromptEndsTheGameAtOnce) {
  const std::string Twin = Windows_Build + "/tests/game/drovanel_headless.exe";
  Child_Process Game = Start_Child({.Arguments = {"script", "--quiet", "--return", "--command",
                                                  "exec wine '" + Twin + "' 200 120 1 ''", "/dev/null"},
                                    .Environment = Wine_Environment});
  ASSERT_TRUE(Read_Past_From_Child(Game, Speed_Prompt, 20000));
  ASSERT_TRUE(Write_To_Child(Game, "\x03"));
  EXPECT_TRUE(Exited_With(Game, 0xC000013A & 0xFF, 5000));
  EXPECT_EQ(Read_All_From_Child(Game, 5000).find("raised"), std::string::npos);
}

// ---- The release ------------------------------------------------------------

// The regular files under Directory, by their paths relative to it.
std::set<std::string> Files_Under(const std::string& Directory) {
  std::set<std::string> Files;
  if (!fs::is_directory(Directory)) return Files;
  for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Directory))
    if (Entry.is_regular_file()) Files.insert(fs::relative(Entry.path(), Directory).string());
  return Files;
}

// A game of the real program, its replies typed at a console (CR LF): nothing
// is steered, so the dot climbs into the frame's top edge on level 1. The
// window's size decides how many steps that takes; all else is exact.
void Expect_Game_Played(const std::string& Program) {
  const Child_Result Result = Wine({"wine", Program}, "0\r\n1\r\n0\r\n");
  const std::string Prompts = Speed_Prompt + Level_Prompt, End = Report(1, 1);
  ASSERT_GE(Result.Output.size(), Prompts.size() + End.size()) << Result.Output << Result.Errors;
  const std::string Steps = Result.Output.substr(Prompts.size(), Result.Output.size() - Prompts.size() - End.size());
  EXPECT_EQ(Result.Output, Prompts + Steps + End);
  EXPECT_FALSE(Steps.empty());
  EXPECT_EQ(Steps.find_first_not_of('\n'), std::string::npos) << "not one line feed per step";
  EXPECT_EQ(Result.Errors, "");
  EXPECT_EQ(Result.Status, 0);
}

TEST(Windows_Release, TheZipHoldsTheProgramThatPlays) {
  const std::string Into = Work_Dir + "/unzipped";
  fs::create_directories(Into);
  int Status = -1;
  Run_Command("cd '" + Into + "' && cmake -E tar xf '" + Windows_Build + "/" + Release_Name + ".zip'", &Status);
  ASSERT_EQ(Status, 0);
  EXPECT_EQ(Files_Under(Into),
            (std::set<std::string>{Release_Name + "/copyright.txt", Release_Name + "/drovanel.exe"}));
  Expect_Game_Played(Windows_Path(Into + "/" + Release_Name + "/drovanel.exe"));
}

// Where the installer is told to put the game, if anywhere, and where it goes.
struct Install_Folder {
  std::string Name, Option, Windows_Dir, Under_Drive_C;
};

void PrintTo(const Install_Folder& Folder, std::ostream* Stream) { *Stream << Folder.Name; }

class Windows_Installer : public ::testing::TestWithParam<Install_Folder> {};

// The registry's 64-bit view, where the 64-bit installer writes: where Wine
// has its 32-bit half, `wine reg` is the 32-bit program, which by itself
// sees the 32-bit view and would find none of the keys.
Child_Result Query_Key(const std::string& Key) { return Wine({"wine", "reg", "query", Key, "/reg:64"}); }

TEST_P(Windows_Installer, PutsTheGameInPlaceAndTheUninstallerTakesItAllAway) {
  const Install_Folder& Folder = GetParam();
  const std::string Menu_Dir = Drive_C() + "/ProgramData/Microsoft/Windows/Start Menu/Programs/Drovanel";
  const std::string Uninstall_Key = R"(HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Drovanel)";
  const std::string Vendor_Key = R"(HKLM\Software\The Drovanel developers)";
  const std::string Program = Folder.Windows_Dir + R"(\drovanel.exe)";
  const std::string Uninstaller = Folder.Windows_Dir + R"(\Uninstall.exe)";
  const std::string Host_Dir = Drive_C() + "/" + Folder.Under_Drive_C;

  std::vector<std::string> Install = {"wine", Windows_Build + "/" + Release_Name + ".exe", "/S"};
  if (!Folder.Option.empty()) Install.push_back(Folder.Option);
  const Child_Result Installed = Wine(Install);
  ASSERT_EQ(Installed.Status, 0) << Installed.Errors;
  EXPECT_EQ(Files_Under(Host_Dir), (std::set<std::string>{"Uninstall.exe", "copyright.txt", "drovanel.exe"}));
  EXPECT_EQ(Files_Under(Menu_Dir), (std::set<std::string>{"Drovanel.lnk", "Uninstall.lnk"}));
  // The entry starts the installed program: a shortcut holds its target's path as text.
  const std::string Link = Read_File(Menu_Dir + "/Drovanel.lnk");
  EXPECT_NE(Link.find(Program + '\0'), std::string::npos) << "the Start-menu entry does not start " << Program;
  const Child_Result Key = Query_Key(Uninstall_Key);
  EXPECT_EQ(Key.Status, 0) << Key.Errors;
  EXPECT_NE(Key.Output.find("DisplayIcon    REG_SZ    " + Program), std::string::npos) << Key.Output;
  EXPECT_NE(Key.Output.find("UninstallString    REG_SZ    \"" + Uninstaller + "\""), std::string::npos);
  const Child_Result Vendor = Query_Key(Vendor_Key + R"(\Drovanel)");
  EXPECT_NE(Vendor.Output.find("REG_SZ    " + Folder.Windows_Dir), std::string::npos) << Vendor.Output << Vendor.Errors;
  Expect_Game_Played(Program);

  // The uninstaller runs from a copy of itself in the temporary folder,
  // which it tells the directory to remove (_?=), and returns at once. (The
  // process's command line is split at blanks: C:\Program Files is two words.)
  EXPECT_EQ(Wine({"wine", Uninstaller, "/S"}).Status, 0);
  EXPECT_TRUE(Eventually([&] {
    for (const auto& Process : Prefix_Processes())
      if (Process.second.find("_?=") != std::string::npos) return false;
    return true;
  }, 30000)) << "the uninstaller did not finish";
  EXPECT_FALSE(fs::exists(Host_Dir));
  EXPECT_FALSE(fs::exists(Menu_Dir));
  // Found missing, not merely unread.
  for (const std::string& Left_Key : {Uninstall_Key, Vendor_Key}) {
    const Child_Result Query = Query_Key(Left_Key);
    EXPECT_NE(Query.Status, 0) << Left_Key << " is left";
    EXPECT_NE((Query.Output + Query.Errors).find("Unable to find the specified registry key"), std::string::npos)
        << Left_Key << ": " << Query.Output << Query.Errors;
  }
  std::vector<std::string> Left;
  for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Drive_C())) {
    std::string Name = Entry.path().filename();
    for (char& Character : Name) Character = static_cast<char>(tolower(static_cast<unsigned char>(Character)));
    if (Name.find("drovanel") != std::string::npos) Left.push_back(Entry.path());
  }
  EXPECT_EQ(Left, std::vector<std::string>{});
}

// The 64-bit game goes into the 64-bit programs' folder, C:\Program Files,
// also where Wine has its 32-bit half and so a C:\Program Files (x86).
INSTANTIATE_TEST_SUITE_P(Windows_Release, Windows_Installer,
                         ::testing::Values(Install_Folder{"DefaultFolder", "", R"(C:\Program Files\Drovanel)",
                                                          "Program Files/Drovanel"},
                                           Install_Folder{"ChosenFolder", R"(/D=C:\Games\Drovanel)",
                                                          R"(C:\Games\Drovanel)", "Games/Drovanel"}),
                         [](const auto& Info) { return Info.param.Name; });

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new Wine_Prefix);
  return RUN_ALL_TESTS();
}
