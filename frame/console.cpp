// The console layer: the three standard text files, unbuffered output with LF
// line ends, and the free-format integer reader.
#include "frame/console.h"

#include <climits>
#include <mutex>

#include "frame/platform.h"

namespace Console {

const Error_Id Status_Error{"CONSOLE.STATUS_ERROR"};
const Error_Id Mode_Error{"CONSOLE.MODE_ERROR"};
const Error_Id Name_Error{"CONSOLE.NAME_ERROR"};
const Error_Id Use_Error{"CONSOLE.USE_ERROR"};
const Error_Id Device_Error{"CONSOLE.DEVICE_ERROR"};
const Error_Id End_Error{"CONSOLE.END_ERROR"};
const Error_Id Data_Error{"CONSOLE.DATA_ERROR"};
const Error_Id Layout_Error{"CONSOLE.LAYOUT_ERROR"};

Text_File Standard_Input{"*stdin", nullptr, File_Mode::In_File, false, false, 1, 1, 1, 0, 0, nullptr};
Text_File Standard_Output{"*stdout", nullptr, File_Mode::Out_File, false, false, 1, 1, 1, 0, 0, nullptr};
Text_File Standard_Error{"*stderr", nullptr, File_Mode::Out_File, false, false, 1, 1, 1, 0, 0, nullptr};
Text_File* Current_Input = nullptr;
Text_File* Current_Output = nullptr;

int32_t Default_Base = 10;

namespace {

constexpr char Line_Terminator = '\n';
constexpr char Page_Terminator = '\f';

// The open-file list, newest first.
Text_File* Open_Files = nullptr;

// The files' state, and the order of what goes out on their streams, belong to
// one thread at a time: to the program's, which lets go only while it waits
// for input, and for good to the thread that ends the program (Take_For_Good),
// which may be the window's while the program's waits at a prompt.
std::mutex Console_Owner;
thread_local bool Owned_For_Good = false;
// The turn of the read under way, let go of while it waits for a character.
thread_local std::unique_lock<std::mutex>* Reading_Turn = nullptr;

// The console for one operation, unless this thread has it for good.
std::unique_lock<std::mutex> Turn() {
  return Owned_For_Good ? std::unique_lock<std::mutex>() : std::unique_lock<std::mutex>(Console_Owner);
}

// Counters never wrap: a very long run leaves them at their largest value.
void Advance(int32_t& Counter, size_t By) {
  const size_t Room = static_cast<size_t>(INT32_MAX - Counter);
  Counter = By > Room ? INT32_MAX : Counter + static_cast<int32_t>(By);
}

void Set_Up(Text_File& File, std::FILE* Stream) {
  File.Stream = Stream;
  File.Is_Open = true;
  File.Is_Regular_File = Platform::Is_Regular_File(Stream);
  File.Page = File.Line = File.Col = 1;
  File.Line_Length = File.Page_Length = 0;
  File.Next = Open_Files;
  Open_Files = &File;
}

Text_File& Output_File() {
  if (Current_Output == nullptr || !Current_Output->Is_Open) raise_error(Status_Error);
  if (Current_Output->Mode != File_Mode::Out_File) raise_error(Mode_Error);
  return *Current_Output;
}

void Write_Text(Text_File& File, std::string_view Item) {
  if (!Item.empty() && std::fwrite(Item.data(), 1, Item.size(), File.Stream) != Item.size()) {
    raise_error(Device_Error);
  }
  Advance(File.Col, Item.size());
}

void Write_Line_Terminators(Text_File& File, int32_t Spacing) {
  for (int32_t Count = 0; Count < Spacing; ++Count) {
    if (std::fputc(Line_Terminator, File.Stream) == EOF) raise_error(Device_Error);
    Advance(File.Line, 1);
  }
  File.Col = 1;
}

// ---- Reading one integer -------------------------------------------------

// The characters of one number, as collected from the input.
struct Number_Field {
  unsigned char Text[Max_Field_Length];
  int Length;
};

// The next character, or EOF at the end of input; a read error raises.
int Read_Character(Text_File& File) {
  const bool Let_Go = Reading_Turn && Reading_Turn->owns_lock();
  if (Let_Go) Reading_Turn->unlock();
  const int Character = Platform::Read_Character(File.Stream);
  if (Let_Go) Reading_Turn->lock();
  if (Character == EOF && std::ferror(File.Stream)) raise_error(Device_Error);
  return Character;
}

// Passes over blanks and line ends (and page ends in a regular file); the
// first other character is pushed back. The end of input here raises END_ERROR.
void Skip_To_Number(Text_File& File) {
  for (;;) {
    const int Character = Read_Character(File);
    if (Character == EOF) raise_error(End_Error);
    if (Character == Line_Terminator) {
      Advance(File.Line, 1);
      File.Col = 1;
    } else if (Character == Page_Terminator && File.Is_Regular_File) {
      Advance(File.Page, 1);
      File.Line = File.Col = 1;
    } else if (Character == ' ' || Character == '\t') {
      Advance(File.Col, 1);
    } else {
      Platform::Push_Back(Character, File.Stream);
      return;
    }
  }
}

bool Is_Decimal_Digit(int Character) {
  return Character >= '0' && Character <= '9';
}

bool Is_Extended_Digit(int Character) {
  return Is_Decimal_Digit(Character) || (Character >= 'A' && Character <= 'F') ||
         (Character >= 'a' && Character <= 'f');
}

// Collecting: each step looks at one character and takes it only if it fits;
// the one that does not is pushed back, so one character of push-back is
// all the reader ever needs.

// Takes the next character into the field if Fits says so. Taking a 256th
// character raises DATA_ERROR; that character is pushed back unread.
template <typename Predicate>
bool Take_If(Text_File& File, Number_Field& Field, Predicate Fits) {
  const int Character = Read_Character(File);
  if (Character == EOF) return false;
  if (!Fits(Character)) {
    Platform::Push_Back(Character, File.Stream);
    return false;
  }
  if (Field.Length == Max_Field_Length) {
    Platform::Push_Back(Character, File.Stream);
    raise_error(Data_Error);
  }
  Field.Text[Field.Length++] = static_cast<unsigned char>(Character);
  Advance(File.Col, 1);
  return true;
}

// Digits, each optionally followed by one underscore. Returns how many digits were taken.
template <typename Digit_Test>
int Take_Digits(Text_File& File, Number_Field& Field, Digit_Test Is_Digit) {
  int Digits = 0;
  bool After_Digit = false;
  for (;;) {
    const bool Taken = Take_If(File, Field, [&](int Character) {
      return Is_Digit(Character) || (Character == '_' && After_Digit);
    });
    if (!Taken) return Digits;
    After_Digit = Field.Text[Field.Length - 1] != '_';
    if (After_Digit) ++Digits;
  }
}

void Collect_Number(Text_File& File, Number_Field& Field) {
  auto Is_Sign = [](int Character) { return Character == '+' || Character == '-'; };
  Take_If(File, Field, Is_Sign);
  if (Take_Digits(File, Field, Is_Decimal_Digit) == 0) return;
  if (Take_If(File, Field, [](int Character) { return Character == '#' || Character == ':'; })) {
    const int Delimiter = Field.Text[Field.Length - 1];
    Take_Digits(File, Field, Is_Extended_Digit);
    Take_If(File, Field, [Delimiter](int Character) { return Character == Delimiter; });
  }
  if (Take_If(File, Field, [](int Character) { return Character == 'E' || Character == 'e'; })) {
    Take_If(File, Field, Is_Sign);
    Take_Digits(File, Field, Is_Decimal_Digit);
  }
}

// Scanning the collected field as an integer literal. A value out of range
// raises CONSTRAINT_ERROR (the reader turns it into DATA_ERROR); any other
// misfit raises DATA_ERROR directly.
struct Literal_Scan {
  const Number_Field& Field;
  int Position;
  int64_t Limit;  // the largest magnitude the sign allows
};

int Peek(const Literal_Scan& Scan, int Offset = 0) {
  const int At = Scan.Position + Offset;
  return At < Scan.Field.Length ? Scan.Field.Text[At] : EOF;
}

int Digit_Value(int Character) {
  if (Is_Decimal_Digit(Character)) return Character - '0';
  if (Character >= 'A' && Character <= 'F') return Character - 'A' + 10;
  if (Character >= 'a' && Character <= 'f') return Character - 'a' + 10;
  return INT_MAX;
}

// A numeral in Base: a digit first, each underscore followed by a digit. A
// character that is not a digit below Base ends it. The value is kept within
// the limit at every step; with Saturate, a large value stops growing instead.
int64_t Scan_Numeral(Literal_Scan& Scan, int Base, bool Saturate = false) {
  if (Digit_Value(Peek(Scan)) >= Base) raise_error(Data_Error);
  int64_t Value = 0;
  for (;;) {
    const int Character = Peek(Scan);
    if (Character == '_') {
      ++Scan.Position;
      if (Digit_Value(Peek(Scan)) >= Base) raise_error(Data_Error);
      continue;
    }
    const int Digit = Digit_Value(Character);
    if (Digit >= Base) return Value;
    ++Scan.Position;
    if (Saturate && Value > Scan.Limit) continue;
    Value = Value * Base + Digit;
    if (!Saturate && Value > Scan.Limit) raise_constraint_error();
  }
}

int32_t Scan_Literal(const Number_Field& Field) {
  Literal_Scan Scan{Field, 0, INT32_MAX};
  bool Negative = false;
  if (Peek(Scan) == '+' || Peek(Scan) == '-') {
    Negative = Peek(Scan) == '-';
    ++Scan.Position;
  }
  if (Negative) Scan.Limit = int64_t{INT32_MAX} + 1;
  int Base = 10;
  int64_t Value = Scan_Numeral(Scan, 10);
  const int Delimiter = Peek(Scan);
  if ((Delimiter == '#' || Delimiter == ':') && Scan.Position + 1 < Field.Length) {
    if (Value < 2 || Value > 16) raise_error(Data_Error);
    Base = static_cast<int>(Value);
    ++Scan.Position;
    Value = Scan_Numeral(Scan, Base);
    if (Peek(Scan) != Delimiter) raise_error(Data_Error);
    ++Scan.Position;
  }
  // A minus after the mark makes it no exponent: the scan ends before the mark.
  if ((Peek(Scan) == 'E' || Peek(Scan) == 'e') && Scan.Position + 1 < Field.Length && Peek(Scan, 1) != '-') {
    ++Scan.Position;
    if (Peek(Scan) == '+') ++Scan.Position;
    // Any exponent above 31 overflows a non-zero value, so a huge one saturates;
    // a zero value is never scaled.
    const int64_t Exponent = Scan_Numeral(Scan, 10, true);
    for (int64_t Step = 0; Value != 0 && Step < Exponent; ++Step) {
      Value *= Base;
      if (Value > Scan.Limit) raise_constraint_error();
    }
  }
  if (Scan.Position != Field.Length) raise_error(Data_Error);
  return static_cast<int32_t>(Negative ? -Value : Value);
}

}  // namespace

void Init_Standard_Files() {
  Open_Files = nullptr;
  Set_Up(Standard_Input, stdin);
  Set_Up(Standard_Output, stdout);
  Set_Up(Standard_Error, stderr);
  Current_Input = &Standard_Input;
  Current_Output = &Standard_Output;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void Take_For_Good() {
  if (Owned_For_Good) return;
  Console_Owner.lock();  // never given back: the process is ending
  Owned_For_Good = true;
}

void Finalize() {
  Take_For_Good();
  while (Open_Files != nullptr) {
    Text_File& File = *Open_Files;
    if (File.Mode == File_Mode::Out_File && File.Col != 1) Write_Line_Terminators(File, 1);
    Open_Files = File.Next;
    File.Next = nullptr;
    File.Is_Open = false;
  }
  Current_Input = nullptr;
  Current_Output = nullptr;
}

void Put_Text(std::string_view Item) {
  const auto Held = Turn();
  Write_Text(Output_File(), Item);
}

void New_Line(int32_t Spacing) {
  if (Spacing < 1) raise_constraint_error();
  const auto Held = Turn();
  Write_Line_Terminators(Output_File(), Spacing);
}

void Put_Integer(int32_t Item, int32_t Width, int32_t Base) {
  // Callers pass bases 2 .. 16 only; any other would have no digits to show.
  if (Base < 2 || Base > 16) raise_constraint_error();
  const auto Held = Turn();
  Text_File& File = Output_File();
  // Digits are built from the right; the image never exceeds 36 characters,
  // so the rest of the buffer is room for the padding.
  char Image[Max_Field_Length];
  int Start = Max_Field_Length;
  const bool Based = Base != 10;
  int64_t Magnitude = Item < 0 ? -int64_t{Item} : int64_t{Item};
  if (Based) Image[--Start] = '#';
  do {
    Image[--Start] = "0123456789ABCDEF"[Magnitude % Base];
    Magnitude /= Base;
  } while (Magnitude != 0);
  if (Based) {
    Image[--Start] = '#';
    int32_t Base_Value = Base;
    do {
      Image[--Start] = static_cast<char>('0' + Base_Value % 10);
      Base_Value /= 10;
    } while (Base_Value != 0);
  }
  if (Item < 0) Image[--Start] = '-';
  const int Padded_Start = Max_Field_Length - (Width > Max_Field_Length ? Max_Field_Length : Width);
  while (Start > Padded_Start) Image[--Start] = ' ';
  Write_Text(File, std::string_view(Image + Start, static_cast<size_t>(Max_Field_Length - Start)));
}

int32_t Get_Integer() {
  auto Held = Turn();
  if (Current_Input == nullptr) raise_error(Status_Error);
  Reading_Turn = &Held;
  struct Done_Reading {
    ~Done_Reading() { Reading_Turn = nullptr; }
  } Done;
  return Get_Integer(*Current_Input);
}

int32_t Get_Integer(Text_File& File) {
  if (!File.Is_Open) raise_error(Status_Error);
  if (File.Mode != File_Mode::In_File) raise_error(Mode_Error);
  Skip_To_Number(File);
  Number_Field Field;
  Field.Length = 0;
  Collect_Number(File, Field);
  try {
    return Scan_Literal(Field);
  } catch (const Raised_Error& Error) {
    if (Error.Id == &Constraint_Error) raise_error(Data_Error);
    throw;
  }
}

}  // namespace Console
