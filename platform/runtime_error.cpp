#include "platform/runtime_error.h"

namespace vantory {

std::string StandardDescription(int number) {
  switch (number) {
    case kErrOverflow: return "溢出";
    case kErrOutOfMemory: return "内存不足";
    case kErrSubscript: return "下标越界";
    case kErrDivisionByZero: return "除数为零";
    case kErrTypeMismatch: return "类型不匹配";
    case kErrFileNotFound: return "文件未找到";
    case kErrPathAccess: return "路径/文件访问错误";
    case kErrInternal: return "内部错误";
    case kErrInvalidProperty: return "无效属性值";
    case kErrInvalidPicture: return "无效图片";
    default: return "";
  }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, StandardDescription(number)) {}

RuntimeError::RuntimeError(int number, const std::string& description)
    : std::runtime_error(description), number_(number), description_(description) {}

std::string RuntimeError::ReportText() const {
  return "运行时错误 '" + std::to_string(number_) + "':\n\n" + description_;
}

}  // namespace vantory
