// Console text files on temporary files, for tests of what the console layer
// reads and what the game writes.
#pragma once

#include <cstdio>
#include <string>

#include "frame/console.h"

// A text file on a temporary file holding Content, positioned at its start.
struct Test_File {
  Console::Text_File File;

  explicit Test_File(const std::string& Content = "", Console::File_Mode Mode = Console::File_Mode::Out_File,
                     bool Regular = false)
      : File{"*test", std::tmpfile(), Mode, true, Regular, 1, 1, 1, 0, 0, nullptr} {
    std::fwrite(Content.data(), 1, Content.size(), File.Stream);
    std::rewind(File.Stream);
  }
  ~Test_File() { std::fclose(File.Stream); }
  Test_File(const Test_File&) = delete;
  Test_File& operator=(const Test_File&) = delete;

  // Everything not yet read.
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

// Points the console's current output at a Test_File for the life of the object.
struct Console_Capture {
  Test_File Output;
  Console::Text_File* Saved = Console::Current_Output;
  Console_Capture() { Console::Current_Output = &Output.File; }
  ~Console_Capture() { Console::Current_Output = Saved; }
  Console_Capture(const Console_Capture&) = delete;
  Console_Capture& operator=(const Console_Capture&) = delete;
  // Everything written so far.
  std::string Text() { return Output.Written(); }
};
