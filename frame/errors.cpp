// The predefined named errors and the routines that raise named errors.
#include "frame/errors.h"

#include <algorithm>
#include <cstring>

const Error_Id Constraint_Error{"CONSTRAINT_ERROR"};
const Error_Id Program_Error{"PROGRAM_ERROR"};
const Error_Id Storage_Error{"STORAGE_ERROR"};
const Error_Id Numeric_Error{"NUMERIC_ERROR"};
const Error_Id Tasking_Error{"TASKING_ERROR"};

void raise_error(const Error_Id& E) {
  throw Raised_Error{&E, 0, {}};
}

void raise_error_with_message(const Error_Id& E, std::string_view Message) {
  Raised_Error Error{&E, 0, {}};
  const size_t Length = std::min(Message.size(), static_cast<size_t>(Raised_Error::Max_Message_Length));
  std::memcpy(Error.Message, Message.data(), Length);
  Error.Message_Length = static_cast<int32_t>(Length);
  throw Error;
}

void raise_constraint_error() {
  raise_error(Constraint_Error);
}

void raise_program_error() {
  raise_error(Program_Error);
}
