// The clean-up of the X lock files a Wayland desktop leaves in /tmp: it removes
// those of its own displays whose server has ended, and no other: not another
// desktop's, not one whose server runs, not one without a pid yet (a server
// still starting writes its pid after it made the file).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "tests/harness/desktop.h"

namespace {

enum class Lock_Pid { Ended, Running, Zero, Empty };

struct Lock_Row {
  const char* Name;
  bool Announced;     // the lock is of the display the desktop announced, else of another
  Lock_Pid Pid;       // what the lock names
  bool Of_Desktop;    // the pid is one of the desktop's processes
  bool Removed;
};

const Lock_Row Lock_Rows[] = {
    {"announced_display_server_ended", true, Lock_Pid::Ended, false, true},
    {"announced_display_server_running", true, Lock_Pid::Running, false, false},
    {"announced_display_pid_zero", true, Lock_Pid::Zero, false, false},
    {"announced_display_pid_not_written", true, Lock_Pid::Empty, false, false},
    {"own_display_of_an_ended_process", false, Lock_Pid::Ended, true, true},
    {"another_desktops_display", false, Lock_Pid::Ended, false, false},
};

void PrintTo(const Lock_Row& Row, std::ostream* Out) { *Out << Row.Name; }

class Stale_X_Locks : public ::testing::TestWithParam<Lock_Row> {};

// Makes the lock file of a display that has none, far above those servers take, as a
// server makes it (tests running side by side each get their own); its number.
int Claim_Display() {
  for (int Display = 6000;; ++Display) {
    const std::string Lock = "/tmp/.X" + std::to_string(Display) + "-lock";
    const int Fd = open(Lock.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
    if (Fd < 0) continue;
    close(Fd);
    if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(Display))) return Display;
    std::filesystem::remove(Lock);  // a socket without a lock: not ours to use
  }
}

TEST_P(Stale_X_Locks, OnlyTheDesktopsEndedServersLocksGo) {
  const Lock_Row& Row = GetParam();
  // An ended process: a child that exits, left unreaped so that its pid stays its own.
  const pid_t Ended = fork();
  if (Ended == 0) _exit(0);
  ASSERT_GT(Ended, 0);
  const pid_t Named = Row.Pid == Lock_Pid::Ended ? Ended : Row.Pid == Lock_Pid::Running ? getpid() : 0;

  // Another display than the lock's: none at all, so that no other test's lock is named.
  const int Display = Claim_Display(), Announced = Row.Announced ? Display : -1;
  const std::string Lock = "/tmp/.X" + std::to_string(Display) + "-lock";
  const std::string Socket = "/tmp/.X11-unix/X" + std::to_string(Display);
  const bool Has_Socket_Folder = std::filesystem::is_directory("/tmp/.X11-unix");
  {
    std::ofstream File(Lock, std::ios::trunc);
    if (Row.Pid != Lock_Pid::Empty) File << std::string(10 - std::to_string(Named).size(), ' ') << Named << "\n";
  }
  if (Has_Socket_Folder) std::ofstream{Socket};

  Remove_Stale_X_Locks(getuid(), Announced, Row.Of_Desktop ? std::vector<pid_t>{Ended} : std::vector<pid_t>{});
  EXPECT_EQ(!std::filesystem::exists(Lock), Row.Removed);
  if (Has_Socket_Folder) {
    EXPECT_EQ(!std::filesystem::exists(Socket), Row.Removed);
  }

  std::filesystem::remove(Lock);
  std::filesystem::remove(Socket);
  waitpid(Ended, nullptr, 0);
}

INSTANTIATE_TEST_SUITE_P(Locks, Stale_X_Locks, ::testing::ValuesIn(Lock_Rows),
                         [](const ::testing::TestParamInfo<Lock_Row>& Info) { return Info.param.Name; });

}  // namespace
