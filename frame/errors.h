// Named errors: every failure in the program is one of these, raised as a C++
// exception and unwound to the innermost handler. An error's identity is the
// address of its Error_Id; its full name is what the unhandled-error report
// prints. Only the shut-down step's conversion ever attaches a message.
#pragma once

#include <cstdint>
#include <string_view>

// The identity of a named error. Declared once, compared by address.
struct Error_Id {
  const char* Full_Name;  // upper case, with a dotted module path where it has one
};

// What propagates: the error raised and its optional message.
struct Raised_Error {
  static constexpr int Max_Message_Length = 200;

  const Error_Id* Id;
  int32_t Message_Length;             // 0 when the error carries no message
  char Message[Max_Message_Length];   // not NUL-terminated

  std::string_view Message_Text() const { return {Message, static_cast<size_t>(Message_Length)}; }
};

// The predefined errors, with bare full names.
extern const Error_Id Constraint_Error;  // a failed range or overflow check
extern const Error_Id Program_Error;     // misuse of an interface, or an error at shut-down
extern const Error_Id Storage_Error;     // memory exhausted
extern const Error_Id Numeric_Error;     // exists, never raised
extern const Error_Id Tasking_Error;     // exists, never raised

// Raise E without a message.
[[noreturn]] void raise_error(const Error_Id& E);
// Raise E with a message; a message longer than 200 characters is cut to its first 200.
[[noreturn]] void raise_error_with_message(const Error_Id& E, std::string_view Message);
// Raise CONSTRAINT_ERROR without a message; every range and overflow check calls this.
[[noreturn]] void raise_constraint_error();
// Raise PROGRAM_ERROR without a message.
[[noreturn]] void raise_program_error();
