#pragma once

#include <string>
#include <string_view>

namespace rv::platform {

// The system's error number (errno, or a Windows error code) in a few
// Japanese words a clinic can read, with the number for whoever helps them:
// "ほかのプログラムが使っています（Windows のエラー 32）".
std::string describeSystemError(int code);

// Platform parts: the words for a number the program meets (empty for one
// it does not know), and what the number is called.
std::string_view systemErrorWords(int code);
std::string_view systemErrorNumberName();

} // namespace rv::platform
