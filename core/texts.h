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
inline constexpr const char* kExit = "退出";
inline constexpr const char* kAnnotateMenu = "标注";
inline constexpr const char* kSetReference = "设置基准尺寸";
inline constexpr const char* kMeasure = "测量标注";
inline constexpr const char* kAboutMenu = "关于";

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

}  // namespace vantory::texts
