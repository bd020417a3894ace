// The program's own texts, as the user reads them.
#pragma once

namespace vantory::texts {

inline constexpr const char* kTitle = "Vantory";
// The file types of the Open dialog: descriptions and patterns, "|" between all. Every
// picture type the program reads comes first, as kAllPictures; kAllFiles comes last.
inline constexpr const char* kFileTypes = "jpg文件|*.jpg|位图|*.bmp|图标|*.ico|GIF图|*.gif";
inline constexpr const char* kAllPictures = "所有图片";
inline constexpr const char* kAllFiles = "所有文件|*";
// The file types of the Save dialog, the first one chosen at first.
inline constexpr const char* kSaveFileTypes = "位图|*.bmp|PNG 图片|*.png";
// The name Save suggests for a picture: its own name with this ending ("coins-标注.bmp").
inline constexpr const char* kAnnotatedNameEnding = "-标注";
// The file type of the table of measurements, and the name its dialog suggests: the
// picture's own name with kTableNameEnding ("coins-测量.csv").
inline constexpr const char* kTableFileTypes = "CSV 文件|*.csv";
inline constexpr const char* kTableNameEnding = "-测量";
inline constexpr const char* kAbout = "Vantory 图片尺寸测量工具，By Tarvo  联系邮箱：tarvo@example.com";
// The line About adds under kAbout, before the program's version.
inline constexpr const char* kVersion = "版本 ";

// The command line (vantory --help).
inline constexpr const char* kCommandLineHelp = "测量图片中物体的尺寸。";
inline constexpr const char* kCommandLineFile = "启动时打开的图片文件。";

// The menus.
inline constexpr const char* kFileMenu = "文件";
inline constexpr const char* kOpen = "打开";
inline constexpr const char* kSave = "保存";
inline constexpr const char* kExportMeasurements = "导出测量结果…";
inline constexpr const char* kExit = "退出";
inline constexpr const char* kAnnotateMenu = "标注";
inline constexpr const char* kSetReference = "设置基准尺寸";
inline constexpr const char* kMeasure = "测量标注";
inline constexpr const char* kCopyMeasurements = "复制测量结果";
inline constexpr const char* kAboutMenu = "关于";
inline constexpr const char* kUndo = "撤销";
inline constexpr const char* kRedo = "重做";
inline constexpr const char* kClearMeasurements = "清除测量";

// The window's title with a picture open: its file name, the separator, the program's name.
inline constexpr const char* kTitleSeparator = " - ";

// The status line under the view: the mode and the next step.
inline constexpr const char* kStepOpenPicture = "请先打开图片：文件 > 打开";
inline constexpr const char* kStepChooseMode = "请选择 标注 > 设置基准尺寸，标注一段已知长度的基准";
inline constexpr const char* kStepReferenceFirst = "设置基准：单击基准的第一个端点";
inline constexpr const char* kStepReferenceSecond = "设置基准：单击第二个端点";
inline constexpr const char* kStepReferenceFix = "设置基准：右键单击确定基准";
inline constexpr const char* kStepMeasureFirst = "测量：单击第一个端点";
inline constexpr const char* kStepMeasureSecond = "测量：单击第二个端点";
inline constexpr const char* kStepMeasureKeep = "测量：右键单击保留本次测量";
// The picture's size, "coins.jpg  1200 × 900 像素", and the scale, "1 像素 = 0.0425".
inline constexpr const char* kPixels = "像素";
inline constexpr const char* kScalePrefix = "1 像素 = ";

// The status line after a pair whose ends were placed with Ctrl held: which ends snapped to
// the picture's edges and by how many of its pixels they moved ("吸附：第一端移动 1.27 像素，
// 第二端未找到边缘"), or that none found one.
inline constexpr const char* kSnapPrefix = "吸附：";
inline constexpr const char* kSnapFirstEnd = "第一端";
inline constexpr const char* kSnapSecondEnd = "第二端";
inline constexpr const char* kSnapEndMoved = "移动 ";
inline constexpr const char* kSnapPixels = " 像素";
inline constexpr const char* kSnapEndNotFound = "未找到边缘";
inline constexpr const char* kSnapSeparator = "，";
inline constexpr const char* kSnapNoneFound = "附近未找到边缘，端点留在单击处";
inline constexpr const char* kSnapNoPixels = "无法读取图片的像素，端点留在单击处";

// The label of a length beyond the float range.
inline constexpr const char* kOverflowLabel = "溢出";

// The box that asks for the reference's real length.
inline constexpr const char* kLengthPrompt = "输入所标注基准的实际长度";
inline constexpr const char* kLengthTitle = "输入基准实际长";
inline constexpr const char* kLengthDefault = "100";

inline constexpr const char* kLengthNotPositive = "基准的实际长度必须是大于 0 的数。\n请重新输入。";
inline constexpr const char* kNotALength =
    "请输入大于 0 的数字，可在后面加单位，例如 25.4 或 25.4 mm。\n单位最多 8 个字母或汉字。";
inline constexpr const char* kZeroReference =
    "基准线段的两个端点重合，长度为零，不能作为基准。\n原来的基准保持不变，请重新标注两个不同的端点。";
inline constexpr const char* kTooManyMeasurements =
    "最多只能保存 999 条测量线段，这一条没有保存。\n已有的测量都保持不变，可以先保存图片。";
inline constexpr const char* kNothingToSave =
    "还没有打开图片，没有可以保存的内容。\n请先用“文件”>“打开”打开一张图片。";

// What went wrong with a picture file, after the error's standard description. %1 is the
// file's path; %2, %3 ... the details named beside each.
inline constexpr const char* kFileMissing = "找不到文件“%1”";
inline constexpr const char* kFileIsFolder = "“%1”是文件夹，不是图片文件";
inline constexpr const char* kFileNotRegular =
    "“%1”不是普通文件（可能是管道、设备或套接字），不能作为图片打开";
inline constexpr const char* kFileNotPermitted = "没有权限读取“%1”";
inline constexpr const char* kFileUnreadable = "无法读取“%1”（%2）";             // %2: the system's words
inline constexpr const char* kNotAPicture = "“%1”不是可以打开的图片文件（%2）";  // %2: the reader's words
inline constexpr const char* kPictureUnreadable = "无法读取图片“%1”（%2）";
inline constexpr const char* kUnsupportedColours = "不支持的颜色空间";
inline constexpr const char* kPictureDamaged = "图片“%1”的数据不完整或已损坏";
inline constexpr const char* kPictureEmpty = "图片“%1”的宽或高为零";
// The picture named with its size: %1 the path, %2 x %3 its pixels.
inline constexpr const char* kPictureWithSize = "图片“%1”（%2 x %3 像素）";
inline constexpr const char* kPictureTooLarge = "%1太大，无法在内存中打开";  // %1: kPictureWithSize
// %1: kPictureWithSize; %2 the megabytes it needs, %3 the limit's.
inline constexpr const char* kPictureNeedsTooMuch =
    "%1解码时需要约 %2 MB 内存，超过了 %3 MB 的上限，无法打开";
inline constexpr const char* kPictureNoMemory = "内存不够，无法读取图片“%1”";
// Why a file name cannot be used where names are text (Windows, macOS): its bytes are not.
inline constexpr const char* kNameNotText = "文件名中有这个系统无法识别的字符";
inline constexpr const char* kPictureChanged = "图片“%1”在打开之后已被更改或替换。\n请重新打开这张图片。";

// What went wrong with a Save, after the error's standard description. %1 is the path
// chosen; %2 the system's words.
inline constexpr const char* kNothingToWrite = "没有可以保存的图像";
inline constexpr const char* kNoMemoryToSave = "内存不够，无法保存图像";
inline constexpr const char* kNoMemoryForCanvas = "内存不够，无法建立保存用的画布";
inline constexpr const char* kWriteFailed = "无法写入“%1”（%2）";
inline constexpr const char* kDiskFull = "无法写入“%1”（磁盘已满或写入失败：%2）";
inline constexpr const char* kBitmapTooLarge = "无法写入“%1”（图片太大，超出了位图格式的范围）";
// %2: the system's words.
inline constexpr const char* kUnresolvedLink =
    "无法写入“%1”（这个符号链接无法解析，链接循环或指向不存在的文件：%2），没有替换任何文件";

// The table of measurements: its column headers, and the kind of each row.
inline constexpr const char* kTableColumns[] = {"编号", "类型", "图片",     "x1",   "y1",
                                                "x2",   "y2",   "像素长度", "长度", "单位"};
inline constexpr const char* kReferenceRow = "基准";
inline constexpr const char* kMeasurementRow = "测量";

}  // namespace vantory::texts
