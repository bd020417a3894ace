// The runtime error: what a handler throws when it cannot go on. The dispatcher
// catches it around every handler, puts the window's variables back as they were
// and shows the standard error report (number and description). The program goes on.
#pragma once

#include <stdexcept>
#include <string>

namespace vantory {

// Error numbers of the runtime, with their standard descriptions.
enum ErrorNumber : int {
  kErrOverflow = 6,           // "溢出"
  kErrOutOfMemory = 7,        // "内存不足"
  kErrSubscript = 9,          // "下标越界"
  kErrDivisionByZero = 11,    // "除数为零"
  kErrTypeMismatch = 13,      // "类型不匹配"
  kErrFileNotFound = 53,      // "文件未找到"
  kErrPathAccess = 75,        // "路径/文件访问错误"
  kErrInternal = 51,          // "内部错误"
  kErrInvalidProperty = 380,  // "无效属性值"
  kErrInvalidPicture = 481,   // "无效图片"
};

// The standard description of an error number ("" for an unknown number).
std::string StandardDescription(int number);

class RuntimeError : public std::runtime_error {
 public:
  // An error with its standard description.
  explicit RuntimeError(int number);
  // An error whose description says more than the standard one.
  RuntimeError(int number, const std::string& description);

  int Number() const { return number_; }
  const std::string& Description() const { return description_; }

  // The text of the report: the number, then the description on its own line.
  std::string ReportText() const;

 private:
  int number_;
  std::string description_;
};

}  // namespace vantory
