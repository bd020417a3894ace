#include "core/errors.h"

#include <new>

namespace vantory {

std::string standardDescription(ErrorCode code) {
  switch (code) {
    case ErrorCode::kOverflow: return "溢出";
    case ErrorCode::kOutOfMemory: return "内存不足";
    case ErrorCode::kDivisionByZero: return "除数为零";
    case ErrorCode::kTypeMismatch: return "类型不匹配";
    case ErrorCode::kInternal: return "内部错误";
    case ErrorCode::kFileNotFound: return "文件未找到";
    case ErrorCode::kPathAccess: return "路径/文件访问错误";
    case ErrorCode::kInvalidProperty: return "无效属性值";
    case ErrorCode::kInvalidPicture: return "无效图片";
  }
  return "";
}

AppError::AppError(ErrorCode code) : AppError(code, standardDescription(code)) {}

AppError::AppError(ErrorCode code, std::string description)
    : code_(code), description_(std::move(description)) {}

std::string AppError::reportText() const {
  return "运行时错误 '" + std::to_string(number()) + "':\n\n" + description_;
}

AppError detailedError(ErrorCode code, const std::string& detail) {
  return AppError(code, standardDescription(code) + "：" + detail);
}

AppError currentError() {
  try {
    throw;
  } catch (const AppError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return AppError(ErrorCode::kOutOfMemory);
  } catch (const std::exception& error) {
    return detailedError(ErrorCode::kInternal, error.what());
  } catch (...) {
    return AppError(ErrorCode::kInternal);
  }
}

}  // namespace vantory
