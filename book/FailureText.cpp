#include "book/FailureText.h"

namespace pgw::book {

using storage::StgResult;

std::string failureCause(StgResult result) {
    switch (result) {
    case StgResult::Ok: return "没有错误";
    case StgResult::FileNotFound: return "文件不存在";
    case StgResult::PathNotFound: return "文件夹不存在";
    case StgResult::AccessDenied: return "没有读写权限";
    case StgResult::LockViolation: return "文件正在被其他程序使用";
    case StgResult::NotCompoundFile: return "不是电子书文件";
    case StgResult::Corrupt: return "文件已损坏";
    case StgResult::ElementNotFound: return "文件中缺少要写入的部分";
    case StgResult::AlreadyExists: return "文件已经存在";
    case StgResult::InvalidName:
    case StgResult::InvalidFlag:
    case StgResult::InvalidArgument: return "内部错误";
    case StgResult::Reverted: return "文件已经关闭";
    case StgResult::DiskFull: return "磁盘空间不足";
    case StgResult::IoError: return "磁盘读写错误";
    }
    return "未知错误";
}

}  // namespace pgw::book
