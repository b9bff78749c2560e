// The console layer: the program's text dialogue on its standard streams.
// Output is unbuffered and uses LF alone as the line terminator; input is read
// one integer at a time in free format. No operation returns a status: every
// failure is raised as one of the named errors below.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "frame/errors.h"

namespace Console {

// The layer's input/output errors, full names "CONSOLE.<NAME>".
extern const Error_Id Status_Error;  // operation on a file that is not open
extern const Error_Id Mode_Error;    // reading an output file or writing an input file
extern const Error_Id Name_Error;    // declared, never raised
extern const Error_Id Use_Error;     // declared, never raised
extern const Error_Id Device_Error;  // a failed write or a read error
extern const Error_Id End_Error;     // end of input before any non-blank character
extern const Error_Id Data_Error;    // a reply that is not a 32-bit integer literal
extern const Error_Id Layout_Error;  // declared, never raised

// Whether a file is read (standard input) or written (standard output and error).
enum class File_Mode { In_File, Out_File };

// One text file bound to a platform stream.
struct Text_File {
  const char* Name;          // "*stdin", "*stdout", "*stderr"
  std::FILE* Stream;
  File_Mode Mode;
  bool Is_Open;
  bool Is_Regular_File;      // decided once, when the file is set up
  int32_t Page, Line, Col;   // all start at 1
  int32_t Line_Length, Page_Length;  // 0: unbounded
  Text_File* Next;           // the open-file list, newest first
};

// The three standard files, bound to the process's streams by Init_Standard_Files.
extern Text_File Standard_Input;
extern Text_File Standard_Output;
extern Text_File Standard_Error;
extern Text_File* Current_Input;   // Standard_Input once set up
extern Text_File* Current_Output;  // Standard_Output once set up

// The base Put_Integer is given by the game: 10, never changed.
extern int32_t Default_Base;

// The most characters Get_Integer collects for one number.
constexpr int Max_Field_Length = 255;

// Sets up the three standard files and makes standard output and error unbuffered.
void Init_Standard_Files();
// Takes the console for good for the calling thread, the one ending the
// program: any other thread waits at its next console operation until the
// process ends. The program's thread lets go of the console while it waits
// for input, so that a report written on the window's thread can take it.
void Take_For_Good();
// Takes the console for good, ends every unfinished output line with one LF
// and takes the files off the open-file list.
void Finalize();

// Writes Item to the current output with one write; LF inside it is not interpreted.
void Put_Text(std::string_view Item);
// Writes Spacing line terminators; Spacing below 1 raises CONSTRAINT_ERROR.
void New_Line(int32_t Spacing = 1);
// Writes the image of Item, in decimal or in based form "16#FF#", padded on the left to Width.
void Put_Integer(int32_t Item, int32_t Width, int32_t Base);
// Reads one integer literal from the current input; DATA_ERROR or END_ERROR on failure.
int32_t Get_Integer();

// The reader behind Get_Integer, on any input file (the fuzz target feeds it memory streams).
int32_t Get_Integer(Text_File& File);

}  // namespace Console
