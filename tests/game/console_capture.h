// Points the console's current output at a temporary file for the life of the
// object, so a test can count what the game wrote.
#pragma once

#include <cstdio>
#include <string>

#include "frame/console.h"

class Console_Capture {
 public:
  Console_Capture()
      : File{"*capture", std::tmpfile(), Console::File_Mode::Out_File, true, true, 1, 1, 1, 0, 0, nullptr},
        Saved(Console::Current_Output) {
    Console::Current_Output = &File;
  }
  ~Console_Capture() {
    Console::Current_Output = Saved;
    std::fclose(File.Stream);
  }
  Console_Capture(const Console_Capture&) = delete;
  Console_Capture& operator=(const Console_Capture&) = delete;

  // Everything written so far.
  std::string Text() const {
    std::string Result;
    std::rewind(File.Stream);
    for (int Byte; (Byte = std::fgetc(File.Stream)) != EOF;) Result += static_cast<char>(Byte);
    return Result;
  }

 private:
  Console::Text_File File;
  Console::Text_File* Saved;
};
