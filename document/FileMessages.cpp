#include "document/FileMessages.h"

#include <cerrno>

CFileErrorCause CauseFromErrno(int error) {
    switch (error) {
        case 0:
            return CFileErrorCause::none;
        case ENOENT:
            return CFileErrorCause::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
            return CFileErrorCause::badPath;
        case EMFILE:
        case ENFILE:
            return CFileErrorCause::tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return CFileErrorCause::accessDenied;
        case EBADF:
            return CFileErrorCause::invalidFile;
        case ESPIPE:
            return CFileErrorCause::badSeek;
        case EIO:
            return CFileErrorCause::hardIO;
        case EBUSY:
        case ETXTBSY:
            return CFileErrorCause::sharingViolation;
        case EAGAIN:
        case EDEADLK:
            return CFileErrorCause::lockViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return CFileErrorCause::diskFull;
        default:
            return CFileErrorCause::generic;
    }
}

namespace {

const char* Template(CFileErrorCause cause) {
    switch (cause) {
        case CFileErrorCause::none:
            return "ｴﾗｰはありませんでした。";
        case CFileErrorCause::generic:
            return "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。";
        case CFileErrorCause::fileNotFound:
            return "%1 が見つかりませんでした。";
        case CFileErrorCause::badPath:
            return "%1 には無効なﾊﾟｽが含まれています。";
        case CFileErrorCause::tooManyOpenFiles:
            return "開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。";
        case CFileErrorCause::accessDenied:
            return "%1 へのｱｸｾｽは拒否されました。";
        case CFileErrorCause::invalidFile:
            return "%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。";
        case CFileErrorCause::removeCurrentDir:
            return "現在のﾃﾞｨﾚｸﾄﾘ %1 は削除できませんでした。";
        case CFileErrorCause::directoryFull:
            return "%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。";
        case CFileErrorCause::badSeek:
            return "%1 のｼｰｸに失敗しました。";
        case CFileErrorCause::hardIO:
            return "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。";
        case CFileErrorCause::sharingViolation:
            return "%1 へのｱｸｾｽ中に共有違反が発生しました。";
        case CFileErrorCause::lockViolation:
            return "%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。";
        case CFileErrorCause::diskFull:
            return "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。";
        case CFileErrorCause::endOfFile:
            return "%1 の末尾以降にｱｸｾｽしようとしました。";
    }
    return "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。";
}

}  // namespace

std::string FileErrorMessage(CFileErrorCause cause, const std::string& path) {
    std::string text = Template(cause);
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) {
        text.replace(at, 2, path.empty() ? std::string(kUntitledFileName) : path);
    }
    return text;
}
