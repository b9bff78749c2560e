// Writes the test twin's transcripts (tests/game/transcript_cases.h) as JSON
// on standard output, so that the page's tests play the very same games.
#include <cstdio>
#include <string>

#include "tests/game/transcript_cases.h"

namespace {

std::string Quoted(const std::string& Text) {
  std::string Out = "\"";
  for (const unsigned char Character : Text) {
    if (Character == '"' || Character == '\\') {
      Out += '\\';
      Out += static_cast<char>(Character);
    } else if (Character < 0x20) {
      char Escape[8];
      std::snprintf(Escape, sizeof Escape, "\\u%04x", Character);
      Out += Escape;
    } else {
      Out += static_cast<char>(Character);
    }
  }
  return Out + "\"";
}

}  // namespace

int main() {
  std::string Json = "[";
  for (const Transcript_Case& Case : Transcript_Cases()) {
    if (Json.size() > 1) Json += ",\n";
    Json += "{\"name\":" + Quoted(Case.Name) + ",\"width\":" + std::to_string(Case.Width) +
            ",\"height\":" + std::to_string(Case.Height) + ",\"seed\":" + std::to_string(Case.Seed) +
            ",\"keys\":" + Quoted(Case.Keys) + ",\"input\":" + Quoted(Case.Input) +
            ",\"output\":" + Quoted(Case.Output) + ",\"status\":" + std::to_string(Case.Status) + "}";
  }
  std::puts((Json + "]").c_str());
}
