// libFuzzer target for the console's integer reader. The first input byte
// chooses whether the stream counts as a regular file (bit 0); the rest is
// what the reader reads, from a memory stream.
//
// Invariants checked on every input, each against a plain index-based model
// of the skipping and collecting rules that needs no push-back:
// - the reader returns a value or raises DATA_ERROR or END_ERROR, nothing else;
// - END_ERROR exactly when only blanks and terminators are left;
// - what remains unread afterwards is exactly the input after the field
//   (the pushed-back character included, nothing lost or read twice);
// - for a plain decimal field, success exactly when its value fits 32 bits,
//   and then that value.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "frame/console.h"

namespace {

[[noreturn]] void Fail(const char* What, std::string_view Input) {
  std::fprintf(stderr, "invariant broken: %s (input of %zu bytes)\n", What, Input.size());
  std::abort();
}

// Where the model expects the reader to stop.
struct Expected_Field {
  bool End_Of_Input;  // only blanks and terminators
  size_t Start, Stop; // the field is Input[Start, Stop)
  bool Too_Long;      // a 256th character would have been taken
};

bool Is_Digit(unsigned char C) { return C >= '0' && C <= '9'; }
bool Is_Extended(unsigned char C) {
  return Is_Digit(C) || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f');
}

Expected_Field Model(std::string_view Input, bool Regular) {
  Expected_Field Result{false, 0, 0, false};
  size_t At = 0;
  while (At < Input.size() && (Input[At] == '\n' || Input[At] == ' ' || Input[At] == '\t' ||
                               (Input[At] == '\f' && Regular))) {
    ++At;
  }
  Result.End_Of_Input = At == Input.size();
  Result.Start = At;
  auto Take = [&](auto Fits) {
    if (Result.Too_Long || At >= Input.size() || !Fits(static_cast<unsigned char>(Input[At]))) return false;
    if (At - Result.Start == static_cast<size_t>(Console::Max_Field_Length)) {
      Result.Too_Long = true;
      return false;
    }
    ++At;
    return true;
  };
  auto Digits = [&](auto Digit) {
    size_t Count = 0;
    bool After_Digit = false;
    while (Take([&](unsigned char C) { return Digit(C) || (C == '_' && After_Digit); })) {
      After_Digit = Input[At - 1] != '_';
      Count += After_Digit;
    }
    return Count;
  };
  auto Sign = [](unsigned char C) { return C == '+' || C == '-'; };
  if (!Result.End_Of_Input) {
    Take(Sign);
    if (Digits(Is_Digit) > 0) {
      if (Take([](unsigned char C) { return C == '#' || C == ':'; })) {
        const char Delimiter = Input[At - 1];
        Digits(Is_Extended);
        Take([&](unsigned char C) { return C == static_cast<unsigned char>(Delimiter); });
      }
      if (Take([](unsigned char C) { return C == 'E' || C == 'e'; })) {
        Take(Sign);
        Digits(Is_Digit);
      }
    }
  }
  Result.Stop = At;
  return Result;
}

// For a field of the form [sign] digit {[_] digit}: its value, if it fits in 64 bits.
bool Plain_Decimal(std::string_view Field, bool& Fits_32, int64_t& Value) {
  size_t At = 0;
  bool Negative = false;
  if (At < Field.size() && (Field[At] == '+' || Field[At] == '-')) Negative = Field[At++] == '-';
  if (At == Field.size() || !Is_Digit(Field[At])) return false;
  int64_t Magnitude = 0;
  bool Huge = false;
  for (; At < Field.size(); ++At) {
    if (Field[At] == '_') {
      if (At + 1 == Field.size() || !Is_Digit(Field[At + 1])) return false;
      continue;
    }
    if (!Is_Digit(Field[At])) return false;
    if (Magnitude > INT64_MAX / 20) Huge = true;
    if (!Huge) Magnitude = Magnitude * 10 + (Field[At] - '0');
  }
  Value = Negative ? -Magnitude : Magnitude;
  Fits_32 = !Huge && Value >= INT32_MIN && Value <= INT32_MAX;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const bool Regular = (Data[0] & 1) != 0;
  std::string Buffer(reinterpret_cast<const char*>(Data + 1), Size - 1);
  const std::string_view Input(Buffer);
  const Expected_Field Expected = Model(Input, Regular);

  std::FILE* Stream = fmemopen(Buffer.data(), Buffer.size(), "r");
  if (Stream == nullptr) std::abort();
  Console::Text_File File{"*fuzz", Stream, Console::File_Mode::In_File, true, Regular, 1, 1, 1, 0, 0, nullptr};

  const Error_Id* Raised = nullptr;
  int32_t Value = 0;
  try {
    Value = Console::Get_Integer(File);
  } catch (const Raised_Error& Error) {
    Raised = Error.Id;
  }
  std::string Unread;
  for (int C; (C = std::getc(Stream)) != EOF;) Unread += static_cast<char>(C);
  std::fclose(Stream);

  if (Raised != nullptr && Raised != &Console::Data_Error && Raised != &Console::End_Error) {
    Fail("an error other than DATA_ERROR or END_ERROR", Input);
  }
  if ((Raised == &Console::End_Error) != Expected.End_Of_Input) Fail("END_ERROR not exactly at the end of input", Input);
  if (Unread != Input.substr(Expected.Stop)) Fail("unread input is not exactly what follows the field", Input);
  if (Expected.Too_Long && Raised != &Console::Data_Error) Fail("a field over 255 characters accepted", Input);

  const std::string_view Field = Input.substr(Expected.Start, Expected.Stop - Expected.Start);
  bool Fits_32 = false;
  int64_t Plain_Value = 0;
  if (!Expected.End_Of_Input && !Expected.Too_Long && Plain_Decimal(Field, Fits_32, Plain_Value)) {
    if (Fits_32 != (Raised == nullptr)) Fail("a plain decimal field accepted or refused wrongly", Input);
    if (Fits_32 && Value != Plain_Value) Fail("a plain decimal field read with the wrong value", Input);
  }
  return 0;
}
