// The errors a command can end with. Each has a number and a description, which the error
// report shows ("运行时错误 '6':" and the description); the one guard around every command
// catches them, puts the session back as it was and shows the report.
#pragma once

#include <exception>
#include <string>

namespace vantory {

enum class ErrorCode : int {
  kOverflow = 6,     // a computation beyond the float range, or 0 / 0
  kOutOfMemory = 7,  // a picture too large to hold, or memory ran out
  kDivisionByZero = 11,
  kTypeMismatch = 13,  // a length that is not a number
  kInternal = 51,      // anything unforeseen
  kFileNotFound = 53,
  kPathAccess = 75,        // a file that cannot be read or written
  kInvalidProperty = 380,  // a window too small to show the picture
  kInvalidPicture = 481,   // not a picture, or a damaged one
};

// The standard description of an error: "溢出" for kOverflow.
std::string standardDescription(ErrorCode code);

class AppError : public std::exception {
 public:
  explicit AppError(ErrorCode code);  // with the standard description
  AppError(ErrorCode code, std::string description);

  ErrorCode code() const { return code_; }
  int number() const { return static_cast<int>(code_); }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  // The text of the error report: the number, then the description after a blank line.
  std::string reportText() const;

 private:
  ErrorCode code_;
  std::string description_;
};

// The standard description followed by what went wrong: "文件未找到：找不到文件“a.jpg”".
AppError detailedError(ErrorCode code, const std::string& detail);

// The error to report for the exception being handled (call inside a catch): the
// program's own as it is, a failed allocation as error 7, anything else as an internal
// error with what it says.
AppError currentError();

}  // namespace vantory
