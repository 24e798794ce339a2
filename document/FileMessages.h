#pragma once

#include <string>

// Why a file operation failed, as the messages tell the user.
enum class CFileErrorCause {
    none,
    generic,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
};

inline constexpr const char* kBadFormatMessage = "予期しないﾌｧｲﾙ形式です。";
inline constexpr const char* kOpenFailedMessage = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";
inline constexpr const char* kSaveFailedMessage = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
inline constexpr const char* kUntitledFileName = "無題のﾌｧｲﾙ";

CFileErrorCause CauseFromErrno(int error);
// The message for the cause, naming the path (or the untitled file when empty).
std::string FileErrorMessage(CFileErrorCause cause, const std::string& path);
